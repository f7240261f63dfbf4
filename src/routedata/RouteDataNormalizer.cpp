#include "routedata/RouteDataNormalizer.h"

#include <cmath>

namespace ostrevin {

QList<RoutePoint> RouteDataNormalizer::deduplicatedAdjacentPoints(const QList<RoutePoint>& points, double tolerance)
{
    QList<RoutePoint> kept;
    kept.reserve(points.size());
    for (const RoutePoint& p : points) {
        if (!kept.isEmpty()) {
            const RoutePoint& last = kept.back();
            if (std::abs(p.latitude - last.latitude) <= tolerance &&
                std::abs(p.longitude - last.longitude) <= tolerance)
                continue;
        }
        kept.append(p);
    }
    return kept;
}

} // namespace ostrevin
