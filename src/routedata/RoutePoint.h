#pragma once

#include <QJsonValue>
#include <QString>
#include <QUuid>
#include <optional>

namespace ostrevin {

class JsonStream;
class JsonWriter;

/// One named point of a route or place, in degrees (north and east positive).
/// It does not check its own range: the coordinate parser and the callers do.
struct RoutePoint {
    QUuid id = QUuid::createUuid();
    QString name{};
    double latitude = 0;
    double longitude = 0;

    bool operator==(const RoutePoint&) const = default;

    /// Keys id, latitude, longitude, name. Throws JsonCodingError for a non-finite coordinate.
    void writeJson(JsonWriter& writer) const;
    /// Every key required. Throws JsonCodingError.
    static RoutePoint fromJson(const QJsonValue& value);
    /// The same from a stream; no value where the stream cannot tell (see JsonStream).
    static std::optional<RoutePoint> fromJsonStream(JsonStream& in);

    /// The point alone as JSON text (the held point kept in the settings).
    QByteArray toJsonBytes() const;
    /// Throws JsonCodingError for anything but one point object.
    static RoutePoint fromJsonBytes(const QByteArray& bytes);
};

/// The one rule for "one place" (the iPhone is on this point, a saved place is
/// this one): at most a millionth of a degree apart in both coordinates, with a
/// little slack so that a millionth apart stays inside despite binary rounding.
bool isSamePlace(const RoutePoint& a, const RoutePoint& b);

} // namespace ostrevin
