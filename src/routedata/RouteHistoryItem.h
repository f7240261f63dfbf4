#pragma once

#include "routedata/RoutePoint.h"
#include "routedata/RouteSpeedProfile.h"
#include "routedata/RouteTransportMode.h"

#include <QDateTime>
#include <QList>

namespace ostrevin {

/// One entry of the history file: a set location (one point) or a played route (two or more).
struct RouteHistoryItem {
    QUuid id = QUuid::createUuid();
    QString title{};
    QDateTime createdAt = QDateTime::currentDateTimeUtc();
    /// The route's own speed setting in km/h.
    double speedKmh = 0;
    RouteSpeedProfile speedProfile = RouteSpeedProfile::normal;
    RouteTransportMode transportMode = RouteTransportMode::automobile;
    QList<RoutePoint> points{};

    bool operator==(const RouteHistoryItem&) const = default;

    void writeJson(JsonWriter& writer) const;
    /// speedProfile and transportMode default to normal and automobile when missing
    /// or null; bus, train and tram read as transit. Throws JsonCodingError.
    static RouteHistoryItem fromJson(const QJsonValue& value);
    /// The same from a stream; no value where the stream cannot tell (see JsonStream).
    static std::optional<RouteHistoryItem> fromJsonStream(JsonStream& in);
};

} // namespace ostrevin
