#include "planner/RouteDraft.h"

#include "planner/ObservableField.h"
#include "routedata/RouteSpeedCalculator.h"

#include <algorithm>

namespace ostrevin {

void RouteDraft::setPoints(const QList<RoutePoint>& value)
{
    if (m_points == value)
        return;
    m_points = value;
    refreshMetrics();
    emit pointsChanged();
}

void RouteDraft::setSpeedKmh(double value)
{
    if (m_speedKmh == value)
        return;
    m_speedKmh = value;
    refreshMetrics();
    emit speedKmhChanged();
}

void RouteDraft::setSelectedSpeedProfile(RouteSpeedProfile value)
{
    if (m_selectedSpeedProfile == value)
        return;
    m_selectedSpeedProfile = value;
    // Raised, never lowered again: the user's own higher speed stays.
    if (m_selectedSpeedProfile == RouteSpeedProfile::extreme)
        setSpeedKmh(std::max(m_speedKmh, 90.0));
    refreshMetrics();
    emit selectedSpeedProfileChanged();
}

void RouteDraft::setSelectedTransportMode(RouteTransportMode value)
{
    if (m_selectedTransportMode == value)
        return;
    m_selectedTransportMode = value;
    refreshMetrics();
    emit selectedTransportModeChanged();
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

void RouteDraft::refreshMetrics()
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

void RouteDraft::setRouteName(const QString& value)
{
    assignObservable(this, m_routeName, value.left(maximumNameLength), &RouteDraft::routeNameChanged);
}

void RouteDraft::setRouteStartPoint(const std::optional<RoutePoint>& value)
{
    assignObservable(this, m_routeStartPoint, value, &RouteDraft::routeStartPointChanged);
}

void RouteDraft::setRouteDestinationPoint(const std::optional<RoutePoint>& value)
{
    assignObservable(this, m_routeDestinationPoint, value, &RouteDraft::routeDestinationPointChanged);
}

void RouteDraft::setRoutePlanningSource(const QString& value)
{
    assignObservable(this, m_routePlanningSource, value, &RouteDraft::routePlanningSourceChanged);
}

void RouteDraft::setRouteAlternatives(const QList<PlannedRouteOption>& value)
{
    assignObservable(this, m_routeAlternatives, value, &RouteDraft::routeAlternativesChanged);
}

void RouteDraft::setSelectedRouteAlternativeID(const std::optional<QUuid>& value)
{
    assignObservable(this, m_selectedRouteAlternativeID, value, &RouteDraft::selectedRouteAlternativeIDChanged);
}

void RouteDraft::setAddressRouteMessage(const QString& value)
{
    assignObservable(this, m_addressRouteMessage, value, &RouteDraft::addressRouteMessageChanged);
}

std::optional<RoutePoint> RouteDraft::selectedPoint() const
{
    if (m_points.isEmpty())
        return std::nullopt;
    return m_points.last();
}

std::optional<PlannedRouteOption> RouteDraft::selectedRouteAlternative() const
{
    if (!m_selectedRouteAlternativeID)
        return std::nullopt;
    for (const PlannedRouteOption& option : m_routeAlternatives) {
        if (option.id == *m_selectedRouteAlternativeID)
            return option;
    }
    return std::nullopt;
}

QList<RoutePoint> RouteDraft::mapDisplayPoints() const
{
    if (m_points.size() < 3)
        return m_points;
    return {m_points.first(), m_points.last()};
}

std::optional<RoutePoint> RouteDraft::routeStartDisplayPoint() const
{
    return m_points.size() >= 2 ? std::optional<RoutePoint>(m_points.first()) : m_routeStartPoint;
}

std::optional<RoutePoint> RouteDraft::routeDestinationDisplayPoint() const
{
    return m_points.size() >= 2 ? std::optional<RoutePoint>(m_points.last()) : m_routeDestinationPoint;
}

QString RouteDraft::speedProfileSummary() const
{
    return ostrevin::summary(m_selectedSpeedProfile, m_selectedTransportMode, m_speedKmh);
}

} // namespace ostrevin
