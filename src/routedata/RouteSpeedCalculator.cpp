#include "routedata/RouteSpeedCalculator.h"

#include "routedata/AppSettings.h"
#include "routedata/Geodesy.h"

#include <QCoreApplication>
#include <algorithm>

namespace ostrevin {

namespace {

constexpr double blendStartMeters = 160.0;
constexpr double blendSpanMeters = 690.0;
constexpr double minimumMetersPerSecond = 0.1;

double transitFactor(RouteSpeedProfile profile)
{
    switch (profile) {
    case RouteSpeedProfile::slow:
        return 0.8;
    case RouteSpeedProfile::normal:
        break;
    case RouteSpeedProfile::fast:
        return 1.2;
    case RouteSpeedProfile::extreme:
        return 1.5;
    }
    return 1.0;
}

double walkingKmh(RouteSpeedProfile profile)
{
    switch (profile) {
    case RouteSpeedProfile::slow:
        return 3.0;
    case RouteSpeedProfile::normal:
        break;
    case RouteSpeedProfile::fast:
        return 6.5;
    case RouteSpeedProfile::extreme:
        return 10.0;
    }
    return 5.0;
}

// Written so that NaN falls to the lower bound: a broken speed value must not
// turn every time computation into NaN.
double atLeast(double value, double minimum)
{
    return value >= minimum ? value : minimum;
}

double bounded(double value, double minimum, double maximum)
{
    return std::min(atLeast(value, minimum), maximum);
}

DrivingSpeeds fixedDrivingSpeeds(RouteSpeedProfile profile)
{
    switch (profile) {
    case RouteSpeedProfile::slow:
        return {30, 70};
    case RouteSpeedProfile::normal:
    case RouteSpeedProfile::extreme: // derived from the route's speed by the callers
        break;
    case RouteSpeedProfile::fast:
        return {70, 120};
    }
    return {50, 90};
}

double extremeOutsideKmh(double cityKmh)
{
    return bounded(1.6 * cityKmh, 160, 300);
}

} // namespace

double RouteSpeedCalculator::speedKmh(double segmentDistance, RouteSpeedProfile profile,
                                      RouteTransportMode transportMode, double fallbackSpeedKmh)
{
    if (isTransitFamily(transportMode))
        return atLeast(fallbackSpeedKmh, 1) * transitFactor(profile);
    if (transportMode == RouteTransportMode::walking)
        return walkingKmh(profile);

    DrivingSpeeds speeds = fixedDrivingSpeeds(profile);
    if (profile == RouteSpeedProfile::extreme) {
        speeds.city = bounded(fallbackSpeedKmh, 90, 220);
        speeds.outside = extremeOutsideKmh(speeds.city);
    }
    const double s = bounded((segmentDistance - blendStartMeters) / blendSpanMeters, 0, 1);
    return speeds.city + s * s * (3 - 2 * s) * (speeds.outside - speeds.city);
}

double RouteSpeedCalculator::speedMetersPerSecond(double segmentDistance, RouteSpeedProfile profile,
                                                  RouteTransportMode transportMode, double fallbackSpeedKmh)
{
    if (transportMode == RouteTransportMode::walking)
        return walkingKmh(profile) / 3.6;
    return atLeast(speedKmh(segmentDistance, profile, transportMode, fallbackSpeedKmh) / 3.6, minimumMetersPerSecond);
}

double RouteSpeedCalculator::segmentDistance(const RoutePoint& from, const RoutePoint& to)
{
    return Geodesy::distance({from.latitude, from.longitude}, {to.latitude, to.longitude});
}

double RouteSpeedCalculator::duration(const QList<RoutePoint>& points, RouteSpeedProfile profile,
                                      RouteTransportMode transportMode, double fallbackSpeedKmh)
{
    double seconds = 0;
    for (qsizetype i = 1; i < points.size(); ++i) {
        const double d = segmentDistance(points[i - 1], points[i]);
        if (d > 0)
            seconds += d / speedMetersPerSecond(d, profile, transportMode, fallbackSpeedKmh);
    }
    return seconds;
}

double RouteSpeedCalculator::traveledDistance(const QList<RoutePoint>& points, double elapsed,
                                              RouteSpeedProfile profile, RouteTransportMode transportMode,
                                              double fallbackSpeedKmh)
{
    double remaining = atLeast(elapsed, 0);
    double covered = 0;
    for (qsizetype i = 1; i < points.size(); ++i) {
        const double d = segmentDistance(points[i - 1], points[i]);
        if (!(d > 0))
            continue;
        const double v = speedMetersPerSecond(d, profile, transportMode, fallbackSpeedKmh);
        const double segmentTime = d / v;
        if (remaining <= segmentTime)
            return covered + std::min(remaining * v, d);
        remaining -= segmentTime;
        covered += d;
    }
    return covered;
}

DrivingSpeeds drivingSpeedsKmh(RouteSpeedProfile profile, double fallbackSpeedKmh)
{
    if (profile != RouteSpeedProfile::extreme)
        return fixedDrivingSpeeds(profile);
    const double city = atLeast(fallbackSpeedKmh, 90);
    return {city, extremeOutsideKmh(city)};
}

QString transitSummary(RouteSpeedProfile profile)
{
    switch (profile) {
    case RouteSpeedProfile::slow:
        //: Transit speed profile, next to the Speed label: slower than the directions service planned.
        return QCoreApplication::translate("RouteSpeedProfile", "Slower than planned");
    case RouteSpeedProfile::normal:
        break;
    case RouteSpeedProfile::fast:
        //: Transit speed profile, next to the Speed label: faster than the directions service planned.
        return QCoreApplication::translate("RouteSpeedProfile", "Faster than planned");
    case RouteSpeedProfile::extreme:
        //: Transit speed profile, next to the Speed label: much faster than the directions service planned.
        return QCoreApplication::translate("RouteSpeedProfile", "Much faster than planned");
    }
    //: Transit speed profile, next to the Speed label: as the directions service planned.
    return QCoreApplication::translate("RouteSpeedProfile", "As planned");
}

QString summary(RouteSpeedProfile profile, RouteTransportMode transportMode, double fallbackSpeedKmh)
{
    return summary(profile, transportMode, fallbackSpeedKmh, AppSettings::units(), QLocale());
}

QString summary(RouteSpeedProfile profile, RouteTransportMode transportMode, double fallbackSpeedKmh,
                MeasurementUnits units, const QLocale& locale)
{
    if (isTransitFamily(transportMode))
        return transitSummary(profile);
    const auto abbreviated = TovrelFormat::UnitWidth::Abbreviated;
    if (transportMode == RouteTransportMode::walking) {
        //: Walking speed of the selected profile, next to the Speed label. %1 is a speed with unit, e.g. “5 km/h”.
        return QCoreApplication::translate("RouteSpeedProfile", "%1 on foot")
            .arg(TovrelFormat::speed(walkingKmh(profile), abbreviated, units, locale));
    }
    const DrivingSpeeds speeds = drivingSpeedsKmh(profile, fallbackSpeedKmh);
    //: Driving speeds of the selected profile, next to the Speed label (one line, keep short). %1 is a bare
    //: number, %2 includes the unit, e.g. “City 50 / outside 90 km/h”.
    return QCoreApplication::translate("RouteSpeedProfile", "City %1 / outside %2")
        .arg(TovrelFormat::speedNumber(speeds.city, units, locale),
             TovrelFormat::speed(speeds.outside, abbreviated, units, locale));
}

} // namespace ostrevin
