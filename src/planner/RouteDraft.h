#pragma once

#include "routedata/PlannedRouteOption.h"
#include "routedata/RoutePoint.h"
#include "routedata/RouteSpeedProfile.h"
#include "routedata/RouteTransportMode.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>
#include <optional>

namespace ostrevin {

/// The route being put together: its points and name, the chosen ends, the speed
/// and travel mode, the planned alternatives, and the distance and time these make.
/// The distance and time are brought up to date before any change signal goes out,
/// so an observer always reads the metrics of the draft it is told about.
/// Only the view model writes it: its operations decide when the draft may change
/// and keep the map in step. GUI thread only.
class RouteDraft : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RouteDraft)
    friend class LocationPlannerViewModel;
    friend struct PlannerTestAccess;

public:
    /// Route and location names are cut to this many characters wherever they come
    /// in (typed, renamed, loaded), as the name fields are.
    static constexpr int maximumNameLength = 256;

    explicit RouteDraft(QObject* parent = nullptr) : QObject(parent) {}

    const QString& routeName() const { return m_routeName; }
    double speedKmh() const { return m_speedKmh; }
    RouteSpeedProfile selectedSpeedProfile() const { return m_selectedSpeedProfile; }
    RouteTransportMode selectedTransportMode() const { return m_selectedTransportMode; }
    const QList<RoutePoint>& points() const { return m_points; }
    const std::optional<RoutePoint>& routeStartPoint() const { return m_routeStartPoint; }
    const std::optional<RoutePoint>& routeDestinationPoint() const { return m_routeDestinationPoint; }
    const QString& routePlanningSource() const { return m_routePlanningSource; }
    const QList<PlannedRouteOption>& routeAlternatives() const { return m_routeAlternatives; }
    const std::optional<QUuid>& selectedRouteAlternativeID() const { return m_selectedRouteAlternativeID; }
    /// Why the last planning gave no route, or empty.
    const QString& addressRouteMessage() const { return m_addressRouteMessage; }
    double cachedRouteDistanceMeters() const { return m_cachedRouteDistanceMeters; }
    double cachedRouteDurationSeconds() const { return m_cachedRouteDurationSeconds; }

    /// The last point.
    std::optional<RoutePoint> selectedPoint() const;
    std::optional<PlannedRouteOption> selectedRouteAlternative() const;
    /// The points the route panel lists: the whole draft up to two, else its ends.
    QList<RoutePoint> mapDisplayPoints() const;
    /// The first and last point once there are two, else the chosen ends.
    std::optional<RoutePoint> routeStartDisplayPoint() const;
    std::optional<RoutePoint> routeDestinationDisplayPoint() const;
    /// The line beside the speed control.
    QString speedProfileSummary() const;

signals:
    void routeNameChanged();
    void speedKmhChanged();
    void selectedSpeedProfileChanged();
    void selectedTransportModeChanged();
    void pointsChanged();
    void routeStartPointChanged();
    void routeDestinationPointChanged();
    void routePlanningSourceChanged();
    void routeAlternativesChanged();
    void selectedRouteAlternativeIDChanged();
    void addressRouteMessageChanged();
    /// The distance and duration (cachedRouteDistanceMeters, …) changed.
    void routeMetricsChanged();

private:
    /// Cut to maximumNameLength.
    void setRouteName(const QString& value);
    void setSpeedKmh(double value);
    /// The extreme profile raises the speed to at least 90 km/h.
    void setSelectedSpeedProfile(RouteSpeedProfile value);
    /// Drops the alternatives planned for the old mode and renames a route named after one.
    void setSelectedTransportMode(RouteTransportMode value);
    void setPoints(const QList<RoutePoint>& value);
    void setRouteStartPoint(const std::optional<RoutePoint>& value);
    void setRouteDestinationPoint(const std::optional<RoutePoint>& value);
    void setRoutePlanningSource(const QString& value);
    void setRouteAlternatives(const QList<PlannedRouteOption>& value);
    void setSelectedRouteAlternativeID(const std::optional<QUuid>& value);
    void setAddressRouteMessage(const QString& value);
    void refreshMetrics();

    QString m_routeName;
    double m_speedKmh = 25.0;
    RouteSpeedProfile m_selectedSpeedProfile = RouteSpeedProfile::normal;
    RouteTransportMode m_selectedTransportMode = RouteTransportMode::automobile;
    QList<RoutePoint> m_points;
    std::optional<RoutePoint> m_routeStartPoint;
    std::optional<RoutePoint> m_routeDestinationPoint;
    QString m_routePlanningSource;
    QList<PlannedRouteOption> m_routeAlternatives;
    std::optional<QUuid> m_selectedRouteAlternativeID;
    QString m_addressRouteMessage;
    double m_cachedRouteDistanceMeters = 0;
    double m_cachedRouteDurationSeconds = 0;
};

} // namespace ostrevin
