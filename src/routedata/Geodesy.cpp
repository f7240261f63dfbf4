#include "routedata/Geodesy.h"

#include <GeographicLib/Geodesic.hpp>
#include <cmath>

namespace ostrevin::Geodesy {

double distance(const Coordinate& from, const Coordinate& to)
{
    double meters = 0;
    GeographicLib::Geodesic::WGS84().Inverse(from.latitude, from.longitude, to.latitude, to.longitude, meters);
    return meters;
}

double longitudeDelta(double fromLongitude, double toLongitude)
{
    double delta = std::remainder(toLongitude - fromLongitude, 360.0); // [-180, 180]
    if (delta <= -180.0)
        delta += 360.0;
    return delta;
}

double wrappedLongitude(double longitude)
{
    if (longitude > 180.0)
        return longitude - 360.0;
    if (longitude < -180.0)
        return longitude + 360.0;
    return longitude;
}

Coordinate interpolate(const Coordinate& from, const Coordinate& to, double fraction)
{
    if (fraction <= 0)
        return from;
    if (fraction >= 1)
        return to;
    return {from.latitude + (to.latitude - from.latitude) * fraction,
            wrappedLongitude(from.longitude + longitudeDelta(from.longitude, to.longitude) * fraction)};
}

} // namespace ostrevin::Geodesy
