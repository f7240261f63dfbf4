#include "views/common/MapMark.h"

#include <algorithm>
#include <cmath>

namespace ostrevin {

bool MapMark::isLivePoint(const RoutePoint& point, const std::optional<RoutePoint>& livePoint,
                          const std::optional<RoutePoint>& heldPoint)
{
    const std::optional<RoutePoint>& reference = livePoint ? livePoint : heldPoint;
    if (!reference)
        return false;
    return isSamePlace(point, *reference);
}

QList<MapMark> MapMark::forDraft(const QList<RoutePoint>& points, const std::optional<RoutePoint>& livePoint,
                                 const std::optional<RoutePoint>& heldPoint)
{
    QList<MapMark> marks;
    if (points.isEmpty())
        return marks;
    if (points.size() == 1) {
        marks.append({points.first(), Kind::place, isLivePoint(points.first(), livePoint, heldPoint)});
        return marks;
    }
    marks.append({points.first(), Kind::start, false});
    if (points.size() <= maxPointsWithWaypoints) {
        for (qsizetype i = 1; i + 1 < points.size(); ++i)
            marks.append({points[i], Kind::waypoint, false});
    }
    marks.append({points.last(), Kind::destination, isLivePoint(points.last(), livePoint, heldPoint)});
    return marks;
}

std::optional<RoutePoint> MapMark::beacon(const QList<MapMark>& marks, const std::optional<RoutePoint>& livePoint,
                                          const std::optional<RoutePoint>& heldPoint)
{
    const std::optional<RoutePoint>& reference = livePoint ? livePoint : heldPoint;
    if (!reference || std::any_of(marks.cbegin(), marks.cend(), [](const MapMark& m) { return m.isLive; }))
        return std::nullopt;
    return reference;
}

} // namespace ostrevin
