#pragma once

#include "routedata/RoutePoint.h"

#include <QList>

namespace ostrevin {

/// Clean-up of planned routes before they become the route draft.
class RouteDataNormalizer {
public:
    /// Drops every point whose latitude and longitude both lie within `tolerance`
    /// degrees of the last point kept (not of the point just before it), so a slow
    /// creep below the tolerance is dropped whole. The first point is always kept,
    /// kept points are unchanged.
    static QList<RoutePoint> deduplicatedAdjacentPoints(const QList<RoutePoint>& points, double tolerance);
};

} // namespace ostrevin
