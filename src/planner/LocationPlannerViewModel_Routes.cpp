#include "planner/LocationPlannerViewModel.h"
#include "planner/LocationPlannerViewModel_Private.h"
#include "routedata/RouteMapPresentation.h"

#include <cmath>

namespace ostrevin {

namespace {

/// Brings a longitude that went round the world back into [−180, 180].
double normalizedLongitude(double longitude)
{
    double wrapped = std::fmod(longitude + 180.0, 360.0);
    if (wrapped < 0)
        wrapped += 360.0;
    wrapped -= 180.0;
    // Keep the meridian as clicked rather than turning 180 into −180.
    return (wrapped == -180.0 && longitude > 0) ? 180.0 : wrapped;
}

} // namespace

std::optional<RoutePoint> LocationPlannerViewModel::Private::clickedPoint(const QString& name, double latitude,
                                                                          double longitude)
{
    // A map scrolled past the date line reports longitudes beyond ±180; a point
    // outside the valid range must never reach a tool.
    if (!std::isfinite(latitude) || !std::isfinite(longitude) || std::abs(latitude) > 90)
        return std::nullopt;
    RoutePoint point;
    point.name = name;
    point.latitude = latitude;
    point.longitude = normalizedLongitude(longitude);
    return point;
}

QString LocationPlannerViewModel::Private::startPointName()
{
    //: Name of a route’s start point; also the label of the start address field. Keep short.
    return tr("Start");
}

QString LocationPlannerViewModel::Private::destinationPointName()
{
    //: Name of a route’s destination point; also the label of the destination address field. Keep short.
    return tr("Destination");
}

QString LocationPlannerViewModel::Private::routeFromMapName()
{
    //: Default name of a route whose start and destination were chosen on the map.
    return tr("Route from map");
}

void LocationPlannerViewModel::handleRouteMapClick(double latitude, double longitude)
{
    if (!canEditRouteDraft())
        return;
    // Only a destination picked in the address field: the click supplies the start.
    if (!d->m_draft->routeStartPoint() && d->m_draft->routeDestinationPoint() && d->m_draft->points().size() <= 1) {
        const std::optional<RoutePoint> start = Private::clickedPoint(Private::startPointName(), latitude, longitude);
        if (!start)
            return;
        const RoutePoint destination = *d->m_draft->routeDestinationPoint();
        d->setRouteStartPoint(start);
        d->showDraft({*start, destination});
        d->setRouteLivePoint(std::nullopt);
        planMapRoute(std::nullopt);
        return;
    }
    handleMapClick(latitude, longitude);
}

void LocationPlannerViewModel::handleMapClick(double latitude, double longitude)
{
    if (!canEditRouteDraft())
        return;
    if (!d->m_draft->routeStartPoint() || d->m_draft->routeDestinationPoint()) {
        const std::optional<RoutePoint> start = Private::clickedPoint(Private::startPointName(), latitude, longitude);
        if (!start)
            return;
        d->setRouteStartPoint(start);
        d->setRouteDestinationPoint(std::nullopt);
        d->showDraft({*start});
        d->setRouteLivePoint(std::nullopt);
        d->m_draft->setRouteAlternatives({});
        d->m_draft->setSelectedRouteAlternativeID(std::nullopt);
        d->m_draft->setAddressRouteMessage(QString());
        //: Route planning status.
        d->m_draft->setRoutePlanningSource(tr("Choose a destination on the map."));
        setRouteName(Private::routeFromMapName());
        focusRoute();
        return;
    }
    const std::optional<RoutePoint> destination =
        Private::clickedPoint(Private::destinationPointName(), latitude, longitude);
    if (!destination)
        return;
    const RoutePoint start = *d->m_draft->routeStartPoint();
    d->setRouteDestinationPoint(destination);
    d->showDraft({start, *destination});
    d->setRouteLivePoint(std::nullopt);
    //: Route planning status.
    d->m_draft->setRoutePlanningSource(tr("Start and destination are selected on the map."));
    planMapRoute(std::nullopt);
}

void LocationPlannerViewModel::Private::replaceRouteEnds(const std::optional<RoutePoint>& start,
                                                         const std::optional<RoutePoint>& destination)
{
    setRouteStartPoint(start);
    setRouteDestinationPoint(destination);
    // Whatever was planned or played belongs to the old ends.
    setRouteLivePoint(std::nullopt);
    m_draft->setRouteAlternatives({});
    m_draft->setSelectedRouteAlternativeID(std::nullopt);
    m_draft->setAddressRouteMessage(QString());
}

void LocationPlannerViewModel::setRouteEndpoint(const RoutePoint& point, RouteEnd end)
{
    if (!canEditRouteDraft())
        return;
    d->m_placeNameTask.cancel();
    // The other end as the user sees it: the planned line's end once there is one.
    const std::optional<RoutePoint> start = end == RouteEnd::start ? point : d->m_draft->routeStartDisplayPoint();
    const std::optional<RoutePoint> destination =
        end == RouteEnd::start ? d->m_draft->routeDestinationDisplayPoint() : point;
    d->replaceRouteEnds(start, destination);
    if (start && destination) {
        d->showDraft({*start, *destination});
        planMapRoute(start->name + u" \u2013 " + destination->name);
        return;
    }
    d->showDraft({point});
    setRouteName(point.name);
    focusRoute();
}

void LocationPlannerViewModel::clearRouteEndpoint(RouteEnd end)
{
    if (!canEditRouteDraft())
        return;
    const std::optional<RoutePoint> start =
        end == RouteEnd::start ? std::nullopt : d->m_draft->routeStartDisplayPoint();
    const std::optional<RoutePoint> destination =
        end == RouteEnd::start ? d->m_draft->routeDestinationDisplayPoint() : std::nullopt;
    d->replaceRouteEnds(start, destination);
    const std::optional<RoutePoint>& kept = start ? start : destination;
    d->showDraft(kept ? QList<RoutePoint>{*kept} : QList<RoutePoint>{});
}

void LocationPlannerViewModel::replanRoute()
{
    if (!canEditRouteDraft())
        return;
    if (d->m_draft->points().size() >= 2) {
        const RoutePoint first = d->m_draft->points().first();
        const RoutePoint last = d->m_draft->points().last();
        d->setRouteStartPoint(first);
        d->setRouteDestinationPoint(last);
    }
    const QString name = d->m_draft->routeName().trimmed();
    planMapRoute(name.isEmpty() ? std::nullopt : std::optional<QString>(name));
}

void LocationPlannerViewModel::addRoutePoint(const RoutePoint& point)
{
    if (!canEditRouteDraft())
        return;
    if (!d->appendRoutePoint(point)) {
        //: Alert message.
        setNotice(tr("This point is already the last point of the route."));
    }
}

} // namespace ostrevin
