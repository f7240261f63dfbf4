#include "routedata/RouteSpeedCalculator.h"

#include "routedata/Geodesy.h"
#include "support/EquatorRoute.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace ostrevin;

namespace {

using test::equatorPoint;
using test::equatorRoute;

constexpr auto slow = RouteSpeedProfile::slow;
constexpr auto normal = RouteSpeedProfile::normal;
constexpr auto fast = RouteSpeedProfile::fast;
constexpr auto extreme = RouteSpeedProfile::extreme;

} // namespace

TEST(Geodesy, MatchesKnownWgs84Distances)
{
    struct Case {
        Geodesy::Coordinate from, to;
        double meters;
        double tolerance;
    } cases[] = {
        {{0, 0}, {0, 1}, 111'319.49, 0.005},        // 1° of longitude on the equator
        {{0, 0}, {1, 0}, 110'574.39, 0.01},         // 1° of latitude from the equator
        {{0, 179.9}, {0, -179.9}, 22'263.90, 0.01}, // across the 180° meridian, the short way
        {{50.0755, 14.4378}, {50.0755, 14.4378}, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(Geodesy::distance(c.from, c.to), c.meters, c.tolerance) << c.to.latitude << ' ' << c.to.longitude;
}

TEST(Geodesy, InterpolationTakesTheShortWayAcrossTheAntimeridian)
{
    struct Case {
        Geodesy::Coordinate from, to;
        double fraction;
        Geodesy::Coordinate expected;
    } cases[] = {
        {{10, 179.9}, {12, -179.9}, 0.5, {11, 180.0}},
        {{10, 179.9}, {10, -179.9}, 0.75, {10, -179.95}},
        {{10, -179.9}, {10, 179.9}, 0.25, {10, -179.95}},
        {{10, -179.9}, {10, 179.9}, 0.75, {10, 179.95}},
        {{0, 10}, {0, 20}, 0.5, {0, 15}},      // ordinary segments stay straight
        {{0, -170}, {0, 170}, 0.5, {0, -180}}, // 20° the short way, not 340°
        {{1, 2}, {3, 4}, 0, {1, 2}},
        {{1, 2}, {3, -179.0}, 1, {3, -179.0}}, // the end point exactly
    };
    for (const Case& c : cases) {
        const Geodesy::Coordinate got = Geodesy::interpolate(c.from, c.to, c.fraction);
        EXPECT_NEAR(got.latitude, c.expected.latitude, 1e-9);
        // -180 and 180 are the same meridian.
        EXPECT_NEAR(std::remainder(got.longitude - c.expected.longitude, 360.0), 0, 1e-9)
            << c.from.longitude << " -> " << c.to.longitude << " at " << c.fraction << " gave " << got.longitude;
        EXPECT_LE(std::abs(got.longitude), 180.0);
    }
}

TEST(RouteSpeedCalculator, DrivingSpeedsBlendBetweenCityAndOutside)
{
    struct Case {
        RouteSpeedProfile profile;
        double fallback;
        double meters;
        double kmh;
    } cases[] = {
        {normal, 30, 0, 50},
        {normal, 30, 100, 50},
        {normal, 30, 160, 50},
        {normal, 30, 505, 70},
        {normal, 30, 850, 90},
        {normal, 30, 1000, 90},
        {slow, 30, 100, 30},
        {slow, 30, 505, 50},
        {slow, 30, 1000, 70},
        {fast, 30, 160, 70},
        {fast, 30, 505, 95},
        {fast, 30, 850, 120},
        // Extreme follows the route's speed: city bounded to 90...220, outside 1.6 × city bounded to 160...300.
        {extreme, 250, 100, 220},
        {extreme, 250, 1000, 300},
        {extreme, 100, 160, 100},
        {extreme, 100, 850, 160},
        {extreme, 0.5, 100, 90},
        {extreme, 0.5, 1000, 160},
        {extreme, 150, 1000, 240},
        {extreme, 150, 505, 195},
        {extreme, std::numeric_limits<double>::quiet_NaN(), 100, 90},
    };
    for (const Case& c : cases) {
        for (RouteTransportMode mode : {RouteTransportMode::automobile, RouteTransportMode::any}) {
            EXPECT_NEAR(RouteSpeedCalculator::speedKmh(c.meters, c.profile, mode, c.fallback), c.kmh, 1e-9)
                << toRaw(c.profile).toStdString() << " F=" << c.fallback << " d=" << c.meters << " "
                << toRaw(mode).toStdString();
        }
    }
}

TEST(RouteSpeedCalculator, TransitAndWalkingIgnoreTheSegmentLength)
{
    struct Case {
        RouteTransportMode mode;
        RouteSpeedProfile profile;
        double fallback;
        double kmh;
        double metersPerSecond;
    } cases[] = {
        {RouteTransportMode::transit, normal, 0, 1, 1 / 3.6},
        {RouteTransportMode::bus, normal, 0, 1, 1 / 3.6},
        {RouteTransportMode::train, normal, 0, 1, 1 / 3.6},
        {RouteTransportMode::tram, normal, 0, 1, 1 / 3.6},
        {RouteTransportMode::transit, slow, 40, 32, 32 / 3.6},
        {RouteTransportMode::tram, fast, 40, 48, 48 / 3.6},
        {RouteTransportMode::bus, extreme, 40, 60, 60 / 3.6},
        // 1 km/h × 0.8 lies below the 0.1 m/s floor every time computation keeps.
        {RouteTransportMode::transit, slow, 0.1, 0.8, 0.22222222222},
        {RouteTransportMode::walking, slow, 200, 3, 3 / 3.6},
        {RouteTransportMode::walking, normal, 200, 5, 5 / 3.6},
        {RouteTransportMode::walking, fast, 0, 6.5, 6.5 / 3.6},
        {RouteTransportMode::walking, extreme, 1000, 10, 10 / 3.6},
    };
    for (const Case& c : cases) {
        for (double meters : {0.0, 100.0, 505.0, 5000.0}) {
            EXPECT_NEAR(RouteSpeedCalculator::speedKmh(meters, c.profile, c.mode, c.fallback), c.kmh, 1e-9);
            EXPECT_NEAR(RouteSpeedCalculator::speedMetersPerSecond(meters, c.profile, c.mode, c.fallback),
                        c.metersPerSecond, 1e-9);
        }
    }
    EXPECT_NEAR(RouteSpeedCalculator::speedMetersPerSecond(100, slow, RouteTransportMode::transit, 0.3), 0.8 / 3.6,
                1e-12);
}

TEST(RouteSpeedCalculator, DurationAndDistanceCoveredWalkTheSegments)
{
    // A zero-length first segment, then 1,000 m at 90 km/h (40 s), then 100 m at 50 km/h (7.2 s).
    const QList<RoutePoint> route = equatorRoute({0, 0, 1000, 1100});
    const auto mode = RouteTransportMode::automobile;
    EXPECT_NEAR(RouteSpeedCalculator::duration(route, normal, mode, 30), 47.2, 1e-6);

    struct Case {
        double elapsed;
        double meters;
    } cases[] = {
        {-5, 0},      {0, 0},       {20, 500},
        {40, 1000},   {43.6, 1050}, {47.2, 1100},
        {47.3, 1100}, {1e9, 1100},  {std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(RouteSpeedCalculator::traveledDistance(route, c.elapsed, normal, mode, 30), c.meters, 1e-6)
            << "t=" << c.elapsed;
}

TEST(RouteSpeedCalculator, ShortRoutesTakeNoTime)
{
    const QList<RoutePoint> routes[] = {{}, equatorRoute({0}), equatorRoute({250, 250}), equatorRoute({5, 5, 5})};
    for (const QList<RoutePoint>& route : routes) {
        EXPECT_EQ(RouteSpeedCalculator::duration(route, normal, RouteTransportMode::walking, 5), 0);
        EXPECT_EQ(RouteSpeedCalculator::traveledDistance(route, 100, normal, RouteTransportMode::walking, 5), 0);
    }
}

TEST(RouteSpeedProfileTexts, DisplaySpeedsAndSummaries)
{
    EXPECT_EQ(drivingSpeedsKmh(slow, 500), (DrivingSpeeds{30, 70}));
    EXPECT_EQ(drivingSpeedsKmh(normal, 500), (DrivingSpeeds{50, 90}));
    EXPECT_EQ(drivingSpeedsKmh(fast, 500), (DrivingSpeeds{70, 120}));
    // The display's extreme city speed has no 220 km/h cap, unlike the speeds played.
    EXPECT_EQ(drivingSpeedsKmh(extreme, 250), (DrivingSpeeds{250, 300}));
    EXPECT_EQ(drivingSpeedsKmh(extreme, 20), (DrivingSpeeds{90, 160}));

    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    struct Case {
        RouteSpeedProfile profile;
        RouteTransportMode mode;
        double fallback;
        MeasurementUnits units;
        QLocale locale;
        QString expected;
    } cases[] = {
        {normal, RouteTransportMode::walking, 40, MeasurementUnits::kilometers, us, QStringLiteral("5 km/h on foot")},
        {fast, RouteTransportMode::walking, 40, MeasurementUnits::automatic, german, QStringLiteral("7 km/h on foot")},
        {extreme, RouteTransportMode::walking, 40, MeasurementUnits::automatic, us, QStringLiteral("6 mph on foot")},
        {normal, RouteTransportMode::automobile, 40, MeasurementUnits::automatic, german,
         QStringLiteral("City 50 / outside 90 km/h")},
        {normal, RouteTransportMode::any, 40, MeasurementUnits::miles, german,
         QStringLiteral("City 31 / outside 56 mph")},
        {extreme, RouteTransportMode::automobile, 250, MeasurementUnits::kilometers, us,
         QStringLiteral("City 250 / outside 300 km/h")},
        {slow, RouteTransportMode::transit, 40, MeasurementUnits::kilometers, us,
         QStringLiteral("Slower than planned")},
        {normal, RouteTransportMode::bus, 40, MeasurementUnits::kilometers, us, QStringLiteral("As planned")},
        {fast, RouteTransportMode::train, 40, MeasurementUnits::kilometers, us, QStringLiteral("Faster than planned")},
        {extreme, RouteTransportMode::tram, 40, MeasurementUnits::kilometers, us,
         QStringLiteral("Much faster than planned")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(summary(c.profile, c.mode, c.fallback, c.units, c.locale), c.expected);
}
