#pragma once

#include "routedata/JsonReader.h"
#include "routedata/JsonStream.h"
#include "routedata/JsonWriter.h"
#include "routedata/RoutePoint.h"
#include "routedata/RouteSpeedProfile.h"
#include "routedata/RouteTransportMode.h"

namespace ostrevin::detail {

// SavedRoute and RouteHistoryItem share their coding; they differ only in the key
// of their label ("name" or "title"), which also moves it in the sorted key order.

template <typename R, QString R::*Label> void writeRouteRecord(JsonWriter& writer, const R& r, QLatin1String labelKey)
{
    using namespace Qt::StringLiterals;
    const bool labelBeforePoints = QLatin1String(labelKey) < "points"_L1;
    writer.beginObject();
    writer.key("createdAt"_L1);
    writer.value(r.createdAt, "createdAt"_L1);
    writer.key("id"_L1);
    writer.value(r.id);
    if (labelBeforePoints) {
        writer.key(labelKey);
        writer.value(r.*Label);
    }
    writer.key("points"_L1);
    writer.beginArray();
    for (const RoutePoint& p : r.points)
        p.writeJson(writer);
    writer.endArray();
    writer.key("speedKmh"_L1);
    writer.value(r.speedKmh, "speedKmh"_L1);
    writer.key("speedProfile"_L1);
    writer.value(r.speedProfile);
    if (!labelBeforePoints) {
        writer.key(labelKey);
        writer.value(r.*Label);
    }
    writer.key("transportMode"_L1);
    writer.value(foldedTransit(r.transportMode));
    writer.endObject();
}

template <typename R, QString R::*Label> R readRouteRecord(const QJsonValue& value, QLatin1String labelKey)
{
    using namespace Qt::StringLiterals;
    const QJsonObject o = JsonReader::object(value, u"entry");
    R r{.id = JsonReader::uuid(o, "id"_L1)};
    r.*Label = JsonReader::string(o, labelKey);
    r.createdAt = JsonReader::date(o, "createdAt"_L1);
    r.speedKmh = JsonReader::number(o, "speedKmh"_L1);
    r.speedProfile =
        JsonReader::optionalEnum<RouteSpeedProfile>(o, "speedProfile"_L1).value_or(RouteSpeedProfile::normal);
    r.transportMode = foldedTransit(
        JsonReader::optionalEnum<RouteTransportMode>(o, "transportMode"_L1).value_or(RouteTransportMode::automobile));
    r.points = JsonReader::list<RoutePoint>(o, "points"_L1);
    return r;
}

template <typename R, QString R::*Label> std::optional<R> readRouteRecord(JsonStream& in, QLatin1String labelKey)
{
    std::optional<QUuid> id;
    std::optional<QString> label;
    std::optional<QDateTime> createdAt;
    std::optional<double> speedKmh;
    std::optional<std::optional<RouteSpeedProfile>> speedProfile;
    std::optional<std::optional<RouteTransportMode>> transportMode;
    std::optional<QList<RoutePoint>> points;
    const bool read = in.object([&](QByteArrayView key) {
        if (key == "id")
            return JsonStream::fill(id, in.parsed(&JsonReader::parseUuid));
        if (key == QByteArrayView(labelKey.data(), labelKey.size()))
            return JsonStream::fill(label, in.string());
        if (key == "createdAt")
            return JsonStream::fill(createdAt, in.parsed(&JsonReader::parseDate));
        if (key == "speedKmh")
            return JsonStream::fill(speedKmh, in.number());
        if (key == "speedProfile")
            return JsonStream::fill(speedProfile, in.optionalEnum<RouteSpeedProfile>());
        if (key == "transportMode")
            return JsonStream::fill(transportMode, in.optionalEnum<RouteTransportMode>());
        if (key == "points")
            return JsonStream::fill(points, in.list<RoutePoint>());
        return false;
    });
    if (!read || !id || !label || !createdAt || !speedKmh || !points)
        return std::nullopt;
    R r{.id = *id};
    r.*Label = std::move(*label);
    r.createdAt = *createdAt;
    r.speedKmh = *speedKmh;
    r.speedProfile = speedProfile.value_or(std::nullopt).value_or(RouteSpeedProfile::normal);
    r.transportMode = foldedTransit(transportMode.value_or(std::nullopt).value_or(RouteTransportMode::automobile));
    r.points = std::move(*points);
    return r;
}

} // namespace ostrevin::detail
