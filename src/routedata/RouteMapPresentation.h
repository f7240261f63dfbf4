#pragma once

#include "routedata/RoutePoint.h"

#include <QList>
#include <QObject>
#include <optional>

namespace ostrevin {

/// What the map draws: the camera, the route's points and line, the iPhone's live
/// point, the held point and the banner. The view model is its only writer apart
/// from the camera, which the map writes back as the user pans and zooms. Every
/// update compares first and emits `changed` once, only when something differs,
/// so the map redraws on real changes only. GUI thread only.
class RouteMapPresentation : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RouteMapPresentation)

public:
    struct Coordinate {
        double latitude = 0;
        double longitude = 0;

        bool operator==(const Coordinate&) const = default;
    };

    /// A region: its centre and its span in degrees.
    struct CameraPosition {
        Coordinate center;
        double latitudeDelta = 0;
        double longitudeDelta = 0;

        bool operator==(const CameraPosition&) const = default;
    };

    explicit RouteMapPresentation(QObject* parent = nullptr);

    CameraPosition cameraPosition() const { return m_cameraPosition; }
    /// Emits cameraPositionChanged on every write, also an equal one: framing the
    /// same route again must move a map the user has panned away.
    void setCameraPosition(const CameraPosition& position);

    const QList<RoutePoint>& points() const { return m_points; }
    const QList<Coordinate>& routeCoordinates() const { return m_routeCoordinates; }
    const std::optional<RoutePoint>& livePoint() const { return m_livePoint; }
    const std::optional<RoutePoint>& heldPoint() const { return m_heldPoint; }
    QString instruction() const { return m_instruction; }
    bool canEdit() const { return m_canEdit; }
    bool showsLockedReason() const { return m_showsLockedReason; }

    /// Replaces the points and the line unless the list is equal point by point
    /// (identifier, name and both coordinates).
    void updateRoute(const QList<RoutePoint>& points);
    void updateLivePoint(const std::optional<RoutePoint>& point);
    void updateHeldPoint(const std::optional<RoutePoint>& point);
    /// Sets all three together unless all three are equal.
    void updateInteraction(const QString& instruction, bool canEdit, bool showsLockedReason);

signals:
    /// Once per update operation that changed something.
    void changed();
    void cameraPositionChanged();

private:
    CameraPosition m_cameraPosition;
    QList<RoutePoint> m_points;
    QList<Coordinate> m_routeCoordinates;
    std::optional<RoutePoint> m_livePoint;
    std::optional<RoutePoint> m_heldPoint;
    QString m_instruction;
    bool m_canEdit = true;
    bool m_showsLockedReason = false;
};

} // namespace ostrevin
