#pragma once

#include "routedata/JsonReader.h"
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

} // namespace ostrevin::detail
