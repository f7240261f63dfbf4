#pragma once

#include "platform/Placemark.h"

#include <QFuture>
#include <optional>

namespace ostrevin {

/// Names the place at a coordinate. Failures are not told apart from an empty
/// answer: a click on the map keeps its generic name either way.
class ReverseGeocoder {
public:
    ReverseGeocoder() = default;
    ReverseGeocoder(const ReverseGeocoder&) = delete;
    ReverseGeocoder& operator=(const ReverseGeocoder&) = delete;
    virtual ~ReverseGeocoder() = default;

    /// The nearest placemark, or none. The future always finishes with a value
    /// (never cancelled), so it can be co_awaited on the GUI thread.
    virtual QFuture<std::optional<Placemark>> reverseGeocode(double latitude, double longitude) = 0;
};

} // namespace ostrevin
