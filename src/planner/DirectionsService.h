#pragma once

#include "routedata/Geodesy.h"
#include "routedata/RouteTransportMode.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QString>
#include <QStringList>

namespace ostrevin {

/// One step of a route as the directions service describes it.
struct DirectionsStep {
    /// What to do, in the user's language; may be empty.
    QString instructions;
    /// A warning about the step (a ferry, a toll road); empty when there is none.
    QString notice;
    /// Metres.
    double distance = 0;
    /// PlannedRouteStep::TransportType bits.
    unsigned transportType = 0;

    bool operator==(const DirectionsStep&) const = default;
};

/// One route between the two ends, as the directions service answered it.
struct DirectionsRoute {
    /// The roads it mainly follows ("D1, D11"); may be empty.
    QString name;
    /// Metres.
    double distance = 0;
    /// Seconds.
    double expectedTravelTime = 0;
    /// The whole line from start to destination, as given (not checked for range).
    QList<Geodesy::Coordinate> line;
    QList<DirectionsStep> steps;
    /// Warnings about the route as a whole.
    QStringList advisoryNotices;

    bool operator==(const DirectionsRoute&) const = default;
};

/// Plans routes between two places: the stand-in for the platform's map directions.
/// Lives on the GUI thread and does not block it.
class DirectionsService {
public:
    DirectionsService() = default;
    DirectionsService(const DirectionsService&) = delete;
    DirectionsService& operator=(const DirectionsService&) = delete;
    virtual ~DirectionsService() = default;

    /// The routes the service found for the travel mode, with alternatives, in the
    /// service's order; never an empty list. Throws RoutePlanningError when there is
    /// no route (transportUnavailable for a mode this service cannot plan, at once),
    /// DirectionsServiceError for a reply it cannot use and NetworkTransportError
    /// when no reply came. The service may be destroyed while a request runs: the
    /// request then fails.
    virtual QCoro::Task<QList<DirectionsRoute>> calculate(Geodesy::Coordinate from, Geodesy::Coordinate to,
                                                          RouteTransportMode mode) = 0;
};

} // namespace ostrevin
