#pragma once

#include "routedata/RoutePoint.h"
#include "routedata/RouteSpeedProfile.h"
#include "routedata/RouteTransportMode.h"
#include "routedata/TovrelFormat.h"

#include <QList>
#include <QString>

namespace ostrevin {

/// How fast a simulated traveller moves along each segment of a route (the straight
/// piece between two consecutive points), and what follows from it: the travel time
/// of a route and the distance covered after a given time. The GPX playback track
/// and the device playback use the same rules, so a route plays as long as its
/// summary says. Pure functions; the fallback speed is the route's own speed value.
namespace RouteSpeedCalculator {

/// The speed in km/h of one segment of the given length in metres.
double speedKmh(double segmentDistance, RouteSpeedProfile profile, RouteTransportMode transportMode,
                double fallbackSpeedKmh);

/// The speed in m/s that every time computation uses for a segment of that length:
/// walking uses its fixed speed, every other mode at least 0.1 m/s.
double speedMetersPerSecond(double segmentDistance, RouteSpeedProfile profile, RouteTransportMode transportMode,
                            double fallbackSpeedKmh);

/// The geodesic distance in metres between two points of a route.
double segmentDistance(const RoutePoint& from, const RoutePoint& to);

/// The travel time in seconds of the route; 0 for fewer than two points.
double duration(const QList<RoutePoint>& points, RouteSpeedProfile profile, RouteTransportMode transportMode,
                double fallbackSpeedKmh);

/// The distance in metres covered along the route after `elapsed` seconds; never
/// more than the route's length, 0 before the start.
double traveledDistance(const QList<RoutePoint>& points, double elapsed, RouteSpeedProfile profile,
                        RouteTransportMode transportMode, double fallbackSpeedKmh);

} // namespace RouteSpeedCalculator

/// City and outside driving speeds in km/h as shown beside the speed control.
struct DrivingSpeeds {
    double city = 0;
    double outside = 0;

    friend bool operator==(const DrivingSpeeds&, const DrivingSpeeds&) = default;
};

/// The driving speeds a profile shows. The extreme city speed shown follows the
/// route's speed without the 220 km/h cap the calculator plays with.
DrivingSpeeds drivingSpeedsKmh(RouteSpeedProfile profile, double fallbackSpeedKmh);

/// The transit family's line beside the speed control ("As planned", ...).
QString transitSummary(RouteSpeedProfile profile);

/// The line beside the speed control for a profile and travel mode, with speeds in
/// the user's units (the stored setting and QLocale() unless given).
QString summary(RouteSpeedProfile profile, RouteTransportMode transportMode, double fallbackSpeedKmh);
QString summary(RouteSpeedProfile profile, RouteTransportMode transportMode, double fallbackSpeedKmh,
                MeasurementUnits units, const QLocale& locale);

} // namespace ostrevin
