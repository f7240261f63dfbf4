#pragma once

#include "planner/DirectionsService.h"
#include "routedata/PlannedRouteOption.h"

#include <QCoreApplication>
#include <QDateTime>

namespace ostrevin {

/// Turns the directions service's routes into the alternatives the route panel
/// offers: the fastest first, at most five, each line thinned to what the map and
/// playback need.
class PlannedRoutes {
    // The point names are the view model's own ("Start", "Destination").
    Q_DECLARE_TR_FUNCTIONS(LocationPlannerViewModel)

public:
    static constexpr qsizetype maxOptions = 5;
    static constexpr qsizetype maxPoints = 800;
    /// Two points closer than this in both coordinates count as the same place.
    static constexpr double duplicateTolerance = 1e-6;

    /// The five fastest routes (a stable sort: equal times keep the service's
    /// order) as options for mode, leaving out those with fewer than two usable
    /// points. Throws RoutePlanningError::transportUnavailable(mode) when none is left.
    static QList<PlannedRouteOption> plannedRouteOptions(const QList<DirectionsRoute>& routes, RouteTransportMode mode,
                                                         const QDateTime& departure);
    /// The valid coordinates of a line as named points, evenly sampled down to
    /// maxPoints with both ends kept; empty for a line of fewer than two coordinates.
    static QList<RoutePoint> routePoints(const QList<Geodesy::Coordinate>& line);
    /// "Driving · D1" from the route's name, or the formatted distance without one.
    static QString plannedRouteTitle(const DirectionsRoute& route, RouteTransportMode mode);
    /// The steps with something to say; a step without instruction but with a
    /// notice or a length reads "Continue along the route.".
    static QList<PlannedRouteStep> plannedRouteSteps(const DirectionsRoute& route);
};

} // namespace ostrevin
