#include "planner/LocationPlannerViewModel.h"
#include "planner/LocationPlannerViewModel_Private.h"
#include "routedata/AppSettings.h"
#include "routedata/JsonCodingError.h"
#include "routedata/RouteMapPresentation.h"
#include "routedata/RouteSpeedCalculator.h"
#include "routedata/RouteStore.h"
#include "routedata/RouteStoreError.h"

#include <algorithm>
#include <cmath>

namespace ostrevin {

namespace {

/// Two points closer than this in both coordinates count as the same place.
constexpr double duplicateTolerance = 1e-6;

/// Framing: margin around the points and the smallest span shown, in degrees.
constexpr double framingMargin = 1.45;
constexpr double minimumFramingSpan = 0.05;

/// The narrowest stretch of longitude that holds them all, as its western edge and
/// its width in degrees: across ±180 when that is the short way (a route from Fiji to
/// Samoa is a few degrees wide, not the whole world). The widest gap between
/// neighbouring longitudes is the part of the world left out.
std::pair<double, double> shortestLongitudeRange(QList<double> longitudes)
{
    std::sort(longitudes.begin(), longitudes.end());
    // The gap across ±180 first: on a tie the range stays on this side of the line.
    double widestGap = longitudes.first() + 360 - longitudes.last();
    double west = longitudes.first();
    for (qsizetype i = 1; i < longitudes.size(); ++i) {
        const double gap = longitudes[i] - longitudes[i - 1];
        if (gap > widestGap) {
            widestGap = gap;
            west = longitudes[i];
        }
    }
    return {west, 360 - widestGap};
}

} // namespace

// The map shows the new draft before the draft's observers hear of it.

void LocationPlannerViewModel::Private::setPoints(const QList<RoutePoint>& value)
{
    if (m_draft->points() == value)
        return;
    m_mapPresentation->updateRoute(value);
    m_draft->setPoints(value);
}

void LocationPlannerViewModel::setSpeedKmh(double value)
{
    d->m_draft->setSpeedKmh(value);
}

void LocationPlannerViewModel::setSelectedSpeedProfile(RouteSpeedProfile value)
{
    d->m_draft->setSelectedSpeedProfile(value);
}

void LocationPlannerViewModel::setSelectedTransportMode(RouteTransportMode value)
{
    d->m_draft->setSelectedTransportMode(value);
}

void LocationPlannerViewModel::Private::setRouteStartPoint(const std::optional<RoutePoint>& value)
{
    m_draft->setRouteStartPoint(value);
    syncMapInteractionPresentation();
}

void LocationPlannerViewModel::Private::setRouteDestinationPoint(const std::optional<RoutePoint>& value)
{
    m_draft->setRouteDestinationPoint(value);
    syncMapInteractionPresentation();
}

void LocationPlannerViewModel::Private::syncMapInteractionPresentation()
{
    m_mapPresentation->updateInteraction(q.mapClickInstruction(), q.canEditRouteDraft(),
                                         m_hold->isIPhoneRouteRunning() || m_isPlanningAddressRoute);
}

QString LocationPlannerViewModel::mapClickInstruction() const
{
    if (canEditRouteDraft()) {
        if (!d->m_draft->routeStartPoint()) {
            //: Instruction banner over the map.
            return tr("Click the map to choose a start");
        }
        if (!d->m_draft->routeDestinationPoint()) {
            //: Instruction banner over the map.
            return tr("Click the map to choose a destination");
        }
        //: Instruction banner over the map.
        return tr("Click again to start a new route");
    }
    if (d->m_hold->isIPhoneRouteRunning()) {
        //: Instruction banner over the map.
        return tr("The route can’t be edited while it’s playing");
    }
    if (d->m_isPlanningAddressRoute) {
        //: Instruction banner over the map.
        return tr("Calculating route…");
    }
    //: Instruction banner over the map.
    return tr("The route can’t be edited while communicating with iPhone");
}

void LocationPlannerViewModel::Private::showDraft(const QList<RoutePoint>& points)
{
    setPoints(points);
}

void LocationPlannerViewModel::selectPlace(const RoutePoint& point, MapFraming framing)
{
    if (!canEditRouteDraft())
        return;
    // The lookup of an earlier click must not rename this point.
    d->m_placeNameTask.cancel();
    d->setRouteStartPoint(point);
    d->setRouteDestinationPoint(std::nullopt);
    d->showDraft({point});
    d->setRouteLivePoint(std::nullopt);
    d->m_draft->setRouteAlternatives({});
    d->m_draft->setSelectedRouteAlternativeID(std::nullopt);
    d->m_draft->setAddressRouteMessage(QString());
    setRouteName(point.name);
    if (framing == MapFraming::frameSelection)
        focusRoute();
    sendPointIfNeeded(point);
}

bool LocationPlannerViewModel::Private::appendRoutePoint(const RoutePoint& point)
{
    if (!q.canEditRouteDraft())
        return false;
    if (!m_draft->points().isEmpty()) {
        const RoutePoint& last = m_draft->points().last();
        if (std::abs(last.latitude - point.latitude) <= duplicateTolerance &&
            std::abs(last.longitude - point.longitude) <= duplicateTolerance) {
            //: Status message. %1 is a point name.
            m_device->setDeviceActionMessage(tr("%1 is the same as the last point of the route.").arg(point.name));
            //: Event log entry. %1 is a point name.
            q.logEvent(tr("Skipped a duplicate point: %1.").arg(point.name), TrackerLogLevel::warning);
            return false;
        }
    }
    QList<RoutePoint> points = m_draft->points();
    points.append(point);
    setPoints(points);
    endsFollowEditedPoints();
    q.focusRoute();
    q.sendPointIfNeeded(point);
    return true;
}

void LocationPlannerViewModel::addSavedLocationToRoute(const SavedLocation& location)
{
    if (!canEditRouteDraft())
        return;
    // A copy with an id of its own: adding the same place twice must leave two rows
    // that remove and move act on one at a time.
    RoutePoint point = location.point;
    point.id = QUuid::createUuid();
    d->appendRoutePoint(point);
}

void LocationPlannerViewModel::removePoint(const RoutePoint& point)
{
    if (!canEditRouteDraft())
        return;
    // By value: the caller's point may be an element of the list replaced below.
    const QUuid id = point.id;
    QList<RoutePoint> points = d->m_draft->points();
    const bool removes = points.removeIf([&](const RoutePoint& p) { return p.id == id; }) > 0;
    d->setPoints(points);
    // A removed end passes to the draft's new end, or is gone from its field too;
    // else "Plan route" would bring it back.
    if (removes)
        d->endsFollowEditedPoints();
    if (d->m_hold->routeLivePoint() && d->m_hold->routeLivePoint()->id == id)
        d->setRouteLivePoint(std::nullopt);
}

void LocationPlannerViewModel::movePoint(const RoutePoint& point, int direction)
{
    if (!canEditRouteDraft())
        return;
    const qsizetype index = d->m_draft->points().indexOf(point);
    if (index < 0)
        return;
    const qsizetype target = index + direction;
    if (target < 0 || target >= d->m_draft->points().size())
        return;
    QList<RoutePoint> points = d->m_draft->points();
    points.swapItemsAt(index, target);
    d->setPoints(points);
    d->endsFollowEditedPoints();
}

void LocationPlannerViewModel::Private::endsFollowEditedPoints()
{
    // The chosen ends become the draft's ends as the fields show them, so that the
    // banner and the next map click agree with the fields: a click that still asked
    // for a destination would rebuild the route from the start and drop the points
    // the user placed after it.
    const QList<RoutePoint>& points = m_draft->points();
    if (points.size() >= 2) {
        setRouteStartPoint(points.first());
        setRouteDestinationPoint(points.last());
    } else if (points.isEmpty()) {
        setRouteStartPoint(std::nullopt);
        setRouteDestinationPoint(std::nullopt);
    } else if (!m_draft->routeDestinationPoint() || m_draft->routeDestinationPoint()->id != points.first().id) {
        // One point left is the start, unless it is the chosen destination: then the
        // next click supplies the start.
        setRouteStartPoint(points.first());
        setRouteDestinationPoint(std::nullopt);
    } else {
        setRouteStartPoint(std::nullopt);
    }
    // Alternatives planned before the edit no longer describe the route: choosing one
    // would silently drop what the user changed. "Plan route" plans the new ends.
    m_draft->setRouteAlternatives({});
    m_draft->setSelectedRouteAlternativeID(std::nullopt);
}

void LocationPlannerViewModel::renameSelectedPoint(const QString& name)
{
    if (!canEditRouteDraft() || d->m_draft->points().isEmpty())
        return;
    const QString trimmed = name.trimmed().left(maximumNameLength);
    if (trimmed.isEmpty() || d->m_draft->points().last().name == trimmed)
        return;
    QList<RoutePoint> points = d->m_draft->points();
    points.last().name = trimmed;
    const QUuid id = points.last().id;
    d->setPoints(points);
    if (d->m_draft->routeStartPoint() && d->m_draft->routeStartPoint()->id == id) {
        RoutePoint start = *d->m_draft->routeStartPoint();
        start.name = trimmed;
        d->setRouteStartPoint(start);
    }
    if (d->m_draft->routeDestinationPoint() && d->m_draft->routeDestinationPoint()->id == id) {
        RoutePoint destination = *d->m_draft->routeDestinationPoint();
        destination.name = trimmed;
        d->setRouteDestinationPoint(destination);
    }
    if (d->m_draft->points().size() == 1)
        setRouteName(trimmed);
}

void LocationPlannerViewModel::applyRouteDefaultsIfDraftIsEmpty()
{
    if (!d->m_draft->points().isEmpty() || !canEditRouteDraft())
        return;
    setSelectedTransportMode(AppSettings::defaultTravelMode(*m_deps.settings));
    setSelectedSpeedProfile(AppSettings::defaultSpeedProfile(*m_deps.settings));
}

void LocationPlannerViewModel::focusRoute()
{
    // With no route drawn, the held point is what there is to find on the map.
    QList<RoutePoint> points = d->m_draft->points();
    if (points.isEmpty() && d->m_hold->lockedPoint())
        points.append(*d->m_hold->lockedPoint());
    if (points.isEmpty())
        return;
    double minLatitude = points.first().latitude;
    double maxLatitude = minLatitude;
    QList<double> longitudes;
    for (const RoutePoint& point : std::as_const(points)) {
        minLatitude = std::min(minLatitude, point.latitude);
        maxLatitude = std::max(maxLatitude, point.latitude);
        longitudes << point.longitude;
    }
    const auto [westLongitude, longitudeRange] = shortestLongitudeRange(longitudes);
    double centerLongitude = westLongitude + longitudeRange / 2;
    if (centerLongitude > 180)
        centerLongitude -= 360;
    // A span wider than the world is no region the map can show.
    RouteMapPresentation::CameraPosition region;
    region.center = {(minLatitude + maxLatitude) / 2, centerLongitude};
    region.latitudeDelta = std::clamp((maxLatitude - minLatitude) * framingMargin, minimumFramingSpan, 180.0);
    region.longitudeDelta = std::clamp(longitudeRange * framingMargin, minimumFramingSpan, 360.0);
    d->m_mapPresentation->setCameraPosition(region);
}

void LocationPlannerViewModel::resetMapRouteSelection()
{
    if (!canEditRouteDraft())
        return;
    d->setRouteStartPoint(std::nullopt);
    d->setRouteDestinationPoint(std::nullopt);
    //: Route planning status.
    d->m_draft->setRoutePlanningSource(tr("Choose a start on the map."));
    d->m_draft->setRouteAlternatives({});
    d->m_draft->setSelectedRouteAlternativeID(std::nullopt);
    clearRoute();
}

void LocationPlannerViewModel::clearRoute()
{
    if (!canEditRouteDraft())
        return;
    d->showDraft({});
    d->setRouteLivePoint(std::nullopt);
    d->setRouteStartPoint(std::nullopt);
    d->setRouteDestinationPoint(std::nullopt);
    d->m_draft->setRouteAlternatives({});
    d->m_draft->setSelectedRouteAlternativeID(std::nullopt);
    //: Route planning status.
    d->m_draft->setRoutePlanningSource(tr("Choose a start on the map."));
}

void LocationPlannerViewModel::Private::saveCurrentRouteToHistory()
{
    recordInHistory(m_draft->points(), m_draft->routeName(), m_draft->speedKmh(), m_draft->selectedSpeedProfile(),
                    m_draft->selectedTransportMode());
}

} // namespace ostrevin
