#include "routedata/RoutePoint.h"

#include "routedata/JsonReader.h"
#include "routedata/JsonStream.h"
#include "routedata/JsonWriter.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <cmath>

namespace ostrevin {

using namespace Qt::StringLiterals;

void RoutePoint::writeJson(JsonWriter& writer) const
{
    writer.beginObject();
    writer.key("id"_L1);
    writer.value(id);
    writer.key("latitude"_L1);
    writer.value(latitude, "latitude"_L1);
    writer.key("longitude"_L1);
    writer.value(longitude, "longitude"_L1);
    writer.key("name"_L1);
    writer.value(name);
    writer.endObject();
}

RoutePoint RoutePoint::fromJson(const QJsonValue& value)
{
    const QJsonObject o = JsonReader::object(value, u"point");
    return RoutePoint{.id = JsonReader::uuid(o, "id"_L1),
                      .name = JsonReader::string(o, "name"_L1),
                      .latitude = JsonReader::number(o, "latitude"_L1),
                      .longitude = JsonReader::number(o, "longitude"_L1)};
}

std::optional<RoutePoint> RoutePoint::fromJsonStream(JsonStream& in)
{
    std::optional<QUuid> id;
    std::optional<QString> name;
    std::optional<double> latitude;
    std::optional<double> longitude;
    const bool read = in.object([&](QByteArrayView key) {
        if (key == "id")
            return JsonStream::fill(id, in.parsed(&JsonReader::parseUuid));
        if (key == "latitude")
            return JsonStream::fill(latitude, in.number());
        if (key == "longitude")
            return JsonStream::fill(longitude, in.number());
        if (key == "name")
            return JsonStream::fill(name, in.string());
        return false;
    });
    if (!read || !id || !name || !latitude || !longitude)
        return std::nullopt;
    return RoutePoint{.id = *id, .name = std::move(*name), .latitude = *latitude, .longitude = *longitude};
}

QByteArray RoutePoint::toJsonBytes() const
{
    JsonWriter writer;
    writeJson(writer);
    return writer.take();
}

RoutePoint RoutePoint::fromJsonBytes(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        throw JsonCodingError(error.errorString());
    if (!doc.isObject())
        throw JsonCodingError::wrongType(u"point");
    return fromJson(doc.object());
}

bool isSamePlace(const RoutePoint& a, const RoutePoint& b)
{
    constexpr double tolerance = 1e-6 + 1e-12;
    return std::abs(a.latitude - b.latitude) <= tolerance && std::abs(a.longitude - b.longitude) <= tolerance;
}

} // namespace ostrevin
