#pragma once

#include <QString>
#include <optional>

namespace ostrevin {

/// Recognises a typed latitude and longitude in search text, such as
/// "50.0755, 14.4378", "50.0755 14.4378", "33.86 S; 151.21 E" or "50.1° N, 14.4° E".
class CoordinateParser {
public:
    struct Result {
        double latitude = 0;
        double longitude = 0;

        bool operator==(const Result&) const = default;
    };

    /// No value when the text is not a coordinate pair (only ASCII digits count).
    /// Throws LocationValidationError (invalidLatitude, then invalidLongitude) when
    /// it is one but out of range; exactly 90 and 180 are accepted.
    static std::optional<Result> parse(const QString& text);
    /// Whether the text is the beginning of a coordinate pair as parse() reads them
    /// ("48", "-33.8", "50.1° N,"), typed on its way to one. Blank text is not.
    static bool isBeginningOfPair(const QString& text);
};

} // namespace ostrevin
