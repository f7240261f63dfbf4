#include "routedata/RouteMapPresentation.h"

namespace ostrevin {

RouteMapPresentation::RouteMapPresentation(QObject* parent)
    : QObject(parent), m_cameraPosition{.center = {.latitude = 50.0755, .longitude = 14.4378},
                                        .latitudeDelta = 0.28,
                                        .longitudeDelta = 0.34},
      //: Banner over the map while the route has no start.
      m_instruction(tr("Click the map to choose a start"))
{
}

void RouteMapPresentation::setCameraPosition(const CameraPosition& position)
{
    m_cameraPosition = position;
    emit cameraPositionChanged();
}

void RouteMapPresentation::updateRoute(const QList<RoutePoint>& points)
{
    if (points == m_points)
        return;
    m_points = points;
    m_routeCoordinates.clear();
    m_routeCoordinates.reserve(points.size());
    for (const RoutePoint& p : points)
        m_routeCoordinates.append({p.latitude, p.longitude});
    emit changed();
}

void RouteMapPresentation::updateLivePoint(const std::optional<RoutePoint>& point)
{
    if (point == m_livePoint)
        return;
    m_livePoint = point;
    emit changed();
}

void RouteMapPresentation::updateHeldPoint(const std::optional<RoutePoint>& point)
{
    if (point == m_heldPoint)
        return;
    m_heldPoint = point;
    emit changed();
}

void RouteMapPresentation::updateInteraction(const QString& instruction, bool canEdit, bool showsLockedReason)
{
    if (instruction == m_instruction && canEdit == m_canEdit && showsLockedReason == m_showsLockedReason)
        return;
    m_instruction = instruction;
    m_canEdit = canEdit;
    m_showsLockedReason = showsLockedReason;
    emit changed();
}

} // namespace ostrevin
