#include "planner/LocationPlannerViewModel.h"
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

} // namespace

// Fields whose writes keep the map and the metrics in step. The metrics are
// refreshed before the field's signal goes out: an observer of any of these
// reads the distance and time of the draft it is told about, not the last one.

void LocationPlannerViewModel::setPoints(const QList<RoutePoint>& value)
{
    if (m_points == value)
        return;
    m_points = value;
    m_mapPresentation->updateRoute(m_points);
    refreshRouteMetricsCache();
    emit pointsChanged();
}

void LocationPlannerViewModel::setSpeedKmh(double value)
{
    if (m_speedKmh == value)
        return;
    m_speedKmh = value;
    refreshRouteMetricsCache();
    emit speedKmhChanged();
}

void LocationPlannerViewModel::setSelectedSpeedProfile(RouteSpeedProfile value)
{
    if (m_selectedSpeedProfile == value)
        return;
    m_selectedSpeedProfile = value;
    handleSelectedSpeedProfileChange();
    emit selectedSpeedProfileChanged();
}

void LocationPlannerViewModel::handleSelectedSpeedProfileChange()
{
    // Raised, never lowered again: the user's own higher speed stays.
    if (m_selectedSpeedProfile == RouteSpeedProfile::extreme)
        setSpeedKmh(std::max(m_speedKmh, 90.0));
    refreshRouteMetricsCache();
}

void LocationPlannerViewModel::setSelectedTransportMode(RouteTransportMode value)
{
    if (m_selectedTransportMode == value)
        return;
    const RouteTransportMode previous = m_selectedTransportMode;
    m_selectedTransportMode = value;
    refreshRouteMetricsCache();
    emit selectedTransportModeChanged();
    handleSelectedTransportModeChange(previous);
}

void LocationPlannerViewModel::handleSelectedTransportModeChange(RouteTransportMode previous)
{
    if (m_selectedTransportMode == previous)
        return;
    // A name made from a planned alternative starts with its travel mode: it
    // follows the new mode rather than name a walk "Driving · …".
    for (const PlannedRouteOption& option : std::as_const(m_routeAlternatives)) {
        const QString prefix = title(option.transportMode) + QStringLiteral(" · ");
        if (option.title == m_routeName && m_routeName.startsWith(prefix)) {
            setRouteName(title(m_selectedTransportMode) + QStringLiteral(" · ") + m_routeName.mid(prefix.size()));
            break;
        }
    }
    // Planned alternatives belong to the mode they were planned for.
    setRouteAlternatives({});
    setSelectedRouteAlternativeID(std::nullopt);
    setAddressRouteMessage(QString());
}

void LocationPlannerViewModel::setRouteStartPoint(const std::optional<RoutePoint>& value)
{
    assign(m_routeStartPoint, value, &LocationPlannerViewModel::routeStartPointChanged);
    syncMapInteractionPresentation();
}

void LocationPlannerViewModel::setRouteDestinationPoint(const std::optional<RoutePoint>& value)
{
    assign(m_routeDestinationPoint, value, &LocationPlannerViewModel::routeDestinationPointChanged);
    syncMapInteractionPresentation();
}

void LocationPlannerViewModel::refreshRouteMetricsCache()
{
    double distance = 0;
    for (qsizetype i = 1; i < m_points.size(); ++i)
        distance += RouteSpeedCalculator::segmentDistance(m_points[i - 1], m_points[i]);
    const double duration =
        RouteSpeedCalculator::duration(m_points, m_selectedSpeedProfile, m_selectedTransportMode, m_speedKmh);
    if (distance == m_cachedRouteDistanceMeters && duration == m_cachedRouteDurationSeconds)
        return;
    m_cachedRouteDistanceMeters = distance;
    m_cachedRouteDurationSeconds = duration;
    emit routeMetricsChanged();
}

void LocationPlannerViewModel::syncMapInteractionPresentation()
{
    m_mapPresentation->updateInteraction(mapClickInstruction(), canEditRouteDraft(),
                                         m_isIPhoneRouteRunning || m_isPlanningAddressRoute);
}

QString LocationPlannerViewModel::mapClickInstruction() const
{
    if (canEditRouteDraft()) {
        if (!m_routeStartPoint) {
            //: Instruction banner over the map.
            return tr("Click the map to choose a start");
        }
        if (!m_routeDestinationPoint) {
            //: Instruction banner over the map.
            return tr("Click the map to choose a destination");
        }
        //: Instruction banner over the map.
        return tr("Click again to start a new route");
    }
    if (m_isIPhoneRouteRunning) {
        //: Instruction banner over the map.
        return tr("The route can’t be edited while it’s playing");
    }
    if (m_isPlanningAddressRoute) {
        //: Instruction banner over the map.
        return tr("Calculating route…");
    }
    //: Instruction banner over the map.
    return tr("The route can’t be edited while communicating with iPhone");
}

void LocationPlannerViewModel::showDraft(const QList<RoutePoint>& points)
{
    setPoints(points);
}

void LocationPlannerViewModel::selectPlace(const RoutePoint& point, bool focus)
{
    if (!canEditRouteDraft())
        return;
    // The lookup of an earlier click must not rename this point.
    m_placeNameTask.cancel();
    setRouteStartPoint(point);
    setRouteDestinationPoint(std::nullopt);
    showDraft({point});
    setRouteLivePoint(std::nullopt);
    setRouteAlternatives({});
    setSelectedRouteAlternativeID(std::nullopt);
    setAddressRouteMessage(QString());
    setRouteName(point.name);
    if (focus)
        focusRoute();
    sendPointIfNeeded(point);
}

bool LocationPlannerViewModel::appendRoutePoint(const RoutePoint& point, bool focusAfterAdd)
{
    Q_UNUSED(focusAfterAdd) // every accepted point is framed
    if (!canEditRouteDraft())
        return false;
    if (!m_points.isEmpty()) {
        const RoutePoint& last = m_points.last();
        if (std::abs(last.latitude - point.latitude) <= duplicateTolerance &&
            std::abs(last.longitude - point.longitude) <= duplicateTolerance) {
            //: Status message. %1 is a point name.
            setDeviceActionMessage(tr("%1 is the same as the last point of the route.").arg(point.name));
            //: Event log entry. %1 is a point name.
            logEvent(tr("Skipped a duplicate point: %1.").arg(point.name), TrackerLogLevel::warning);
            return false;
        }
    }
    QList<RoutePoint> points = m_points;
    points.append(point);
    setPoints(points);
    focusRoute();
    sendPointIfNeeded(point);
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
    appendRoutePoint(point, true);
}

void LocationPlannerViewModel::removePoint(const RoutePoint& point)
{
    if (!canEditRouteDraft())
        return;
    // By value: the caller's point may be an element of the list replaced below.
    const QUuid id = point.id;
    QList<RoutePoint> points = m_points;
    points.removeIf([&](const RoutePoint& p) { return p.id == id; });
    // A removed end is gone from its field too; else "Plan route" would bring it back.
    if (m_routeStartPoint && m_routeStartPoint->id == id)
        setRouteStartPoint(std::nullopt);
    if (m_routeDestinationPoint && m_routeDestinationPoint->id == id)
        setRouteDestinationPoint(std::nullopt);
    setPoints(points);
    if (m_routeLivePoint && m_routeLivePoint->id == id)
        setRouteLivePoint(std::nullopt);
}

void LocationPlannerViewModel::movePoint(const RoutePoint& point, int direction)
{
    if (!canEditRouteDraft())
        return;
    const qsizetype index = m_points.indexOf(point);
    if (index < 0)
        return;
    const qsizetype target = index + direction;
    if (target < 0 || target >= m_points.size())
        return;
    QList<RoutePoint> points = m_points;
    points.swapItemsAt(index, target);
    setPoints(points);
}

void LocationPlannerViewModel::renameSelectedPoint(const QString& name)
{
    if (!canEditRouteDraft() || m_points.isEmpty())
        return;
    const QString trimmed = name.trimmed().left(maximumNameLength);
    if (trimmed.isEmpty() || m_points.last().name == trimmed)
        return;
    QList<RoutePoint> points = m_points;
    points.last().name = trimmed;
    const QUuid id = points.last().id;
    setPoints(points);
    if (m_routeStartPoint && m_routeStartPoint->id == id) {
        RoutePoint start = *m_routeStartPoint;
        start.name = trimmed;
        setRouteStartPoint(start);
    }
    if (m_routeDestinationPoint && m_routeDestinationPoint->id == id) {
        RoutePoint destination = *m_routeDestinationPoint;
        destination.name = trimmed;
        setRouteDestinationPoint(destination);
    }
    if (m_points.size() == 1)
        setRouteName(trimmed);
}

void LocationPlannerViewModel::applyRouteDefaultsIfDraftIsEmpty()
{
    if (!m_points.isEmpty() || !canEditRouteDraft())
        return;
    setSelectedTransportMode(AppSettings::defaultTravelMode(*m_deps.settings));
    setSelectedSpeedProfile(AppSettings::defaultSpeedProfile(*m_deps.settings));
}

void LocationPlannerViewModel::focusRoute()
{
    if (m_points.isEmpty())
        return;
    double minLatitude = m_points.first().latitude;
    double maxLatitude = minLatitude;
    double minLongitude = m_points.first().longitude;
    double maxLongitude = minLongitude;
    for (const RoutePoint& point : m_points) {
        minLatitude = std::min(minLatitude, point.latitude);
        maxLatitude = std::max(maxLatitude, point.latitude);
        minLongitude = std::min(minLongitude, point.longitude);
        maxLongitude = std::max(maxLongitude, point.longitude);
    }
    // A span wider than the world is no region the map can show.
    RouteMapPresentation::CameraPosition region;
    region.center = {(minLatitude + maxLatitude) / 2, (minLongitude + maxLongitude) / 2};
    region.latitudeDelta = std::clamp((maxLatitude - minLatitude) * framingMargin, minimumFramingSpan, 180.0);
    region.longitudeDelta = std::clamp((maxLongitude - minLongitude) * framingMargin, minimumFramingSpan, 360.0);
    m_mapPresentation->setCameraPosition(region);
}

void LocationPlannerViewModel::resetMapRouteSelection()
{
    if (!canEditRouteDraft())
        return;
    setRouteStartPoint(std::nullopt);
    setRouteDestinationPoint(std::nullopt);
    //: Route planning status.
    setRoutePlanningSource(tr("Choose a start on the map."));
    setRouteAlternatives({});
    setSelectedRouteAlternativeID(std::nullopt);
    clearRoute();
}

void LocationPlannerViewModel::clearRoute()
{
    if (!canEditRouteDraft())
        return;
    showDraft({});
    setRouteLivePoint(std::nullopt);
    setRouteStartPoint(std::nullopt);
    setRouteDestinationPoint(std::nullopt);
    setRouteAlternatives({});
    setSelectedRouteAlternativeID(std::nullopt);
    //: Route planning status.
    setRoutePlanningSource(tr("Choose a start on the map."));
}

void LocationPlannerViewModel::saveCurrentRouteToHistory()
{
    recordInHistory(m_points, m_routeName, m_speedKmh, m_selectedSpeedProfile, m_selectedTransportMode);
}

} // namespace ostrevin
