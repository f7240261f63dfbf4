#pragma once

#include "routedata/PlannedRouteStep.h"
#include "routedata/RoutePoint.h"
#include "routedata/RouteTransportMode.h"

#include <QDateTime>
#include <QList>
#include <QStringList>

namespace ostrevin {

/// One route alternative returned by the directions service; never stored.
struct PlannedRouteOption {
    QUuid id = QUuid::createUuid();
    QString title{};
    RouteTransportMode transportMode = RouteTransportMode::automobile;
    /// Metres.
    double distance = 0;
    /// Seconds.
    double expectedTravelTime = 0;
    QDateTime arrivalDate{};
    QList<RoutePoint> points{};
    QList<PlannedRouteStep> steps{};
    QStringList advisoryNotices{};

    bool operator==(const PlannedRouteOption&) const = default;
};

} // namespace ostrevin
