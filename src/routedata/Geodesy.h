#pragma once

namespace ostrevin::Geodesy {

/// A position in degrees on the WGS84 ellipsoid.
struct Coordinate {
    double latitude = 0;
    double longitude = 0;

    friend bool operator==(const Coordinate&, const Coordinate&) = default;
};

/// The geodesic distance in metres between two positions on the WGS84 ellipsoid.
/// It is exact to well under a millimetre, so route times computed from it agree
/// with any other precise implementation.
double distance(const Coordinate& from, const Coordinate& to);

/// The longitude difference `to - from` brought into (-180, 180]: the short way
/// around, so a step from 179.9 to -179.9 is +0.2, not -359.8.
double longitudeDelta(double fromLongitude, double toLongitude);

/// A longitude brought back into [-180, 180] after interpolation crossed the
/// 180° meridian.
double wrappedLongitude(double longitude);

/// The point a fraction f (0...1) of the way from `from` to `to`, interpolated
/// straight in degrees, taking the longitude the short way across the 180°
/// meridian. f = 0 and f = 1 give the end points exactly, so a track's last
/// sample is the route's last point to the last bit.
Coordinate interpolate(const Coordinate& from, const Coordinate& to, double fraction);

} // namespace ostrevin::Geodesy
