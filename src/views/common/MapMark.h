#pragma once

#include "routedata/RoutePoint.h"

#include <QList>
#include <optional>

namespace ostrevin {

/// One mark on the map: the point, how it is drawn, and whether the iPhone sits on it.
struct MapMark {
    /// place: the only point of a one-point draft; start, waypoint, destination: a route's.
    enum class Kind { place, start, waypoint, destination };

    RoutePoint point;
    Kind kind = Kind::place;
    bool isLive = false;

    bool operator==(const MapMark&) const = default;

    /// Drafts longer than this show only their start and destination marks.
    static constexpr qsizetype maxPointsWithWaypoints = 24;

    /// The marks of a draft, in drawing order. The reference for the live state is
    /// the live point, else the held point.
    static QList<MapMark> forDraft(const QList<RoutePoint>& points, const std::optional<RoutePoint>& livePoint,
                                   const std::optional<RoutePoint>& heldPoint);
    /// Whether a point lies within the tolerance of the live (else held) point.
    static bool isLivePoint(const RoutePoint& point, const std::optional<RoutePoint>& livePoint,
                            const std::optional<RoutePoint>& heldPoint);
    /// Where the separate beacon stands: the live (else held) point, unless a mark
    /// already shows the iPhone on it.
    static std::optional<RoutePoint> beacon(const QList<MapMark>& marks, const std::optional<RoutePoint>& livePoint,
                                            const std::optional<RoutePoint>& heldPoint);
};

} // namespace ostrevin
