#pragma once

#include "routedata/RoutePoint.h"

#include <QList>
#include <initializer_list>

namespace ostrevin::test {

// Along the equator the geodesic is the equator itself, so metres map linearly to
// longitude and a test route's length is known exactly.
inline constexpr double equatorMetersPerDegree = 111'319.490793;

inline RoutePoint equatorPoint(double metersEast)
{
    RoutePoint p;
    p.name = QStringLiteral("P");
    p.longitude = metersEast / equatorMetersPerDegree;
    return p;
}

inline QList<RoutePoint> equatorRoute(std::initializer_list<double> metersEast)
{
    QList<RoutePoint> points;
    for (double m : metersEast)
        points.append(equatorPoint(m));
    return points;
}

} // namespace ostrevin::test
