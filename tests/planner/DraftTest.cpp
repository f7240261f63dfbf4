#include "PlannerFixture.h"
#include "routedata/RouteMapPresentation.h"
#include "routedata/RouteSpeedCalculator.h"

#include <functional>

using namespace ostrevin;
using namespace ostrevin::test;

namespace {

class DraftTest : public PlannerFixture {};

using A = PlannerTestAccess;

TEST_F(DraftTest, AppendRefusesOnlyTheSamePlaceAsTheLastPoint)
{
    struct Case {
        const char* name;
        double dLatitude;
        double dLongitude;
        bool appended;
    };
    const QList<Case> cases{
        {"half a micro-degree", 0.0000005, 0.0000005, false},
        {"exactly the tolerance", 0.000001, -0.000001, false},
        {"two micro-degrees of latitude", 0.000002, 0, true},
        {"two micro-degrees of longitude", 0, -0.000002, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto& model = build();
        model.setAutoSendOnAdd(true);
        A::setHelperStatus(model, readyStatus());
        const RoutePoint first = makePoint(QStringLiteral("Bridge"), 50.0, 14.0);
        ASSERT_TRUE(A::appendRoutePoint(model, first));
        const RoutePoint next = makePoint(QStringLiteral("Next"), 50.0 + c.dLatitude, 14.0 + c.dLongitude);
        EXPECT_EQ(A::appendRoutePoint(model, next), c.appended);
        EXPECT_EQ(model.draft().points().size(), c.appended ? 2 : 1);
        EXPECT_EQ(model.mapPresentation().points(), model.draft().points());
        if (!c.appended) {
            EXPECT_EQ(model.device().deviceActionMessage(),
                      QStringLiteral("Next is the same as the last point of the route."));
            EXPECT_EQ(model.eventLog().diagnosticEvents().first().message,
                      QStringLiteral("Skipped a duplicate point: Next."));
            EXPECT_EQ(model.eventLog().diagnosticEvents().first().level, TrackerLogLevel::warning);
        } else {
            // Sent at once, as automatic sending is on.
            EXPECT_EQ(model.device().deviceActionMessage(),
                      QStringLiteral("Location Next is set and held until you reset it."));
        }
    }
    // An earlier, non-last point may come again.
    auto& model = build();
    const RoutePoint a = makePoint(QStringLiteral("A"), 1, 1);
    EXPECT_TRUE(A::appendRoutePoint(model, a));
    EXPECT_TRUE(A::appendRoutePoint(model, makePoint(QStringLiteral("B"), 2, 2)));
    EXPECT_TRUE(A::appendRoutePoint(model, makePoint(QStringLiteral("A again"), 1, 1)));
}

TEST_F(DraftTest, EveryEditIsRefusedWhileTheDraftIsLocked)
{
    const std::vector<std::pair<const char*, std::function<void(LocationPlannerViewModel&)>>> locks{
        {"route plays", [](auto& m) { A::setRouteRunning(m, true); }},
        {"route is planned", [](auto& m) { A::setPlanning(m, true); }},
        {"device is checked", [](auto& m) { A::setCheckingDevice(m, true); }},
        {"device is busy", [](auto& m) { A::setDeviceBusy(m, true); }},
    };
    for (const auto& [name, lock] : locks) {
        SCOPED_TRACE(name);
        auto& model = build();
        const RoutePoint a = makePoint(QStringLiteral("A"), 1, 1);
        const RoutePoint b = makePoint(QStringLiteral("B"), 2, 2);
        A::setPoints(model, {a, b});
        const qsizetype events = model.eventLog().diagnosticEvents().size();
        lock(model);
        EXPECT_FALSE(model.canEditRouteDraft());
        EXPECT_FALSE(model.mapPresentation().canEdit());
        EXPECT_FALSE(A::appendRoutePoint(model, makePoint(QStringLiteral("C"), 3, 3)));
        model.selectPlace(makePoint(QStringLiteral("D"), 4, 4), LocationPlannerViewModel::MapFraming::frameSelection);
        model.selectPlaceAt(5, 5);
        model.removePoint(a);
        model.movePoint(a, 1);
        model.renameSelectedPoint(QStringLiteral("Renamed"));
        model.resetMapRouteSelection();
        model.clearRoute();
        EXPECT_EQ(model.draft().points(), (QList<RoutePoint>{a, b}));
        EXPECT_EQ(model.eventLog().diagnosticEvents().size(), events);
        EXPECT_TRUE(geocoder.lookups().isEmpty());
    }
}

TEST_F(DraftTest, AVerificationOfTheHeldPointLeavesEditingOpenButHoldsDeviceActions)
{
    auto& model = build();
    A::setHelperStatus(model, readyStatus());
    A::setLockRefreshing(model, true);
    EXPECT_TRUE(model.canEditRouteDraft());
    EXPECT_TRUE(model.mapPresentation().canEdit());
    EXPECT_FALSE(model.canChangeIPhoneLocation());
    model.selectPlace(makePoint(QStringLiteral("D"), 4, 4), LocationPlannerViewModel::MapFraming::frameSelection);
    ASSERT_EQ(model.draft().points().size(), 1);
    model.pushLastPointToIPhone();
    EXPECT_EQ(model.device().deviceActionMessage(), QStringLiteral("Wait for the current action to finish."));
}

TEST_F(DraftTest, SelectPlaceMakesThePlaceTheWholeDraft)
{
    auto& model = build();
    A::setPoints(model, {makePoint(QStringLiteral("A"), 1, 1), makePoint(QStringLiteral("B"), 2, 2)});
    const RoutePoint place = makePoint(QStringLiteral("Vyšehrad"), 50.064, 14.418);
    model.selectPlace(place, LocationPlannerViewModel::MapFraming::frameSelection);
    EXPECT_EQ(model.draft().points(), QList<RoutePoint>{place});
    EXPECT_EQ(model.draft().routeStartPoint(), place);
    EXPECT_FALSE(model.draft().routeDestinationPoint().has_value());
    EXPECT_EQ(model.draft().routeName(), place.name);
    EXPECT_EQ(model.mapPresentation().points(), QList<RoutePoint>{place});
    EXPECT_EQ(model.mapPresentation().cameraPosition(),
              (RouteMapPresentation::CameraPosition{{place.latitude, place.longitude}, 0.05, 0.05}));
    EXPECT_EQ(model.mapClickInstruction(), QStringLiteral("Click the map to choose a destination"));
    EXPECT_EQ(model.mapPresentation().instruction(), model.mapClickInstruction());
    // Nothing is sent while automatic sending is off.
    EXPECT_TRUE(device.calls().isEmpty());

    model.setAutoSendOnAdd(true);
    model.selectPlace(makePoint(QStringLiteral("Petřín"), 50.08, 14.39),
                      LocationPlannerViewModel::MapFraming::keepCamera);
    EXPECT_EQ(model.device().deviceActionMessage(),
              QStringLiteral("Point Petřín is added. You can set the location once iPhone is ready."));
}

TEST_F(DraftTest, MoveRemoveAndRename)
{
    auto& model = build();
    const RoutePoint a = makePoint(QStringLiteral("A"), 1, 1);
    const RoutePoint b = makePoint(QStringLiteral("B"), 2, 2);
    const RoutePoint c = makePoint(QStringLiteral("C"), 3, 3);
    A::setPoints(model, {a, b, c});

    model.movePoint(a, -1);
    model.movePoint(c, 1);
    model.movePoint(makePoint(QStringLiteral("elsewhere"), 9, 9), 1);
    EXPECT_EQ(model.draft().points(), (QList<RoutePoint>{a, b, c}));
    model.movePoint(b, -1);
    EXPECT_EQ(model.draft().points(), (QList<RoutePoint>{b, a, c}));

    // Renaming a longer draft renames the last point and a matching end, not the route.
    model.setRouteName(QStringLiteral("Trip"));
    model.selectPlace(c, LocationPlannerViewModel::MapFraming::keepCamera);
    A::setPoints(model, {b, a, c});
    model.renameSelectedPoint(QStringLiteral("   "));
    model.renameSelectedPoint(QStringLiteral("C"));
    EXPECT_EQ(model.draft().points().last().name, QStringLiteral("C"));
    model.renameSelectedPoint(QStringLiteral("  Castle \n"));
    EXPECT_EQ(model.draft().points().last().name, QStringLiteral("Castle"));
    EXPECT_EQ(model.draft().points().last().id, c.id);
    EXPECT_EQ(model.draft().routeStartPoint()->name, QStringLiteral("Castle"));
    EXPECT_EQ(model.draft().routeName(), QStringLiteral("C"));

    // Removing keeps the ends and clears the live point only when it is the removed one.
    model.removePoint(makePoint(QStringLiteral("absent"), 8, 8));
    EXPECT_EQ(model.draft().points().size(), 3);
    model.removePoint(a);
    EXPECT_EQ(model.draft().points().size(), 2);
    EXPECT_TRUE(model.draft().routeStartPoint().has_value());

    model.selectPlace(a, LocationPlannerViewModel::MapFraming::keepCamera);
    model.renameSelectedPoint(QStringLiteral("Home"));
    EXPECT_EQ(model.draft().routeName(), QStringLiteral("Home"));
}

TEST_F(DraftTest, ProfileAndMetrics)
{
    auto& model = build();
    model.setSelectedSpeedProfile(RouteSpeedProfile::extreme);
    EXPECT_EQ(model.draft().speedKmh(), 90.0);
    model.setSelectedSpeedProfile(RouteSpeedProfile::normal);
    EXPECT_EQ(model.draft().speedKmh(), 90.0);
    model.setSpeedKmh(120);
    model.setSelectedSpeedProfile(RouteSpeedProfile::extreme);
    EXPECT_EQ(model.draft().speedKmh(), 120.0);

    A::setPoints(model, {makePoint(QStringLiteral("A"), 50, 14)});
    EXPECT_EQ(model.draft().cachedRouteDistanceMeters(), 0);
    EXPECT_EQ(model.draft().cachedRouteDurationSeconds(), 0);
    const QList<RoutePoint> route{makePoint(QStringLiteral("A"), 50, 14), makePoint(QStringLiteral("B"), 50.1, 14),
                                  makePoint(QStringLiteral("C"), 50.1, 14.1)};
    A::setPoints(model, route);
    const double expected = RouteSpeedCalculator::segmentDistance(route[0], route[1]) +
                            RouteSpeedCalculator::segmentDistance(route[1], route[2]);
    EXPECT_DOUBLE_EQ(model.draft().cachedRouteDistanceMeters(), expected);
    const double before = model.draft().cachedRouteDurationSeconds();
    model.setSelectedTransportMode(RouteTransportMode::walking);
    EXPECT_NE(model.draft().cachedRouteDurationSeconds(), before);
    EXPECT_DOUBLE_EQ(
        model.draft().cachedRouteDurationSeconds(),
        RouteSpeedCalculator::duration(route, RouteSpeedProfile::extreme, RouteTransportMode::walking, 120));
}

TEST_F(DraftTest, DefaultsApplyOnlyToAnEmptyDraft)
{
    auto& model = build();
    settings->setValue(QStringLiteral("Pellwick.defaultTravelMode"), QStringLiteral("walking"));
    A::setPoints(model, {makePoint(QStringLiteral("A"), 1, 1)});
    model.applyRouteDefaultsIfDraftIsEmpty();
    EXPECT_EQ(model.draft().selectedTransportMode(), RouteTransportMode::automobile);
    model.clearRoute();
    model.applyRouteDefaultsIfDraftIsEmpty();
    EXPECT_EQ(model.draft().selectedTransportMode(), RouteTransportMode::walking);
}

TEST_F(DraftTest, FramingClampsTheSpanToTheWorld)
{
    struct Case {
        const char* name;
        QList<RoutePoint> points;
        RouteMapPresentation::CameraPosition region;
    };
    const QList<Case> cases{
        {"one degree by a hundredth",
         {makePoint(QStringLiteral("A"), 50, 14), makePoint(QStringLiteral("B"), 51, 14.01)},
         {{50.5, 14.005}, 1.45, 0.05}},
        {"pole to pole, round the world",
         {makePoint(QStringLiteral("A"), -89, -179), makePoint(QStringLiteral("B"), 0, -90),
          makePoint(QStringLiteral("C"), 0, 0), makePoint(QStringLiteral("D"), 0, 90),
          makePoint(QStringLiteral("E"), 89, 179)},
         {{0, 135}, 180, 360}},
        {"the short way across ±180",
         {makePoint(QStringLiteral("Fiji"), -18, 170), makePoint(QStringLiteral("Samoa"), -14, -160)},
         {{-16, -175}, 5.8, 43.5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto& model = build();
        A::setPoints(model, c.points);
        model.focusRoute();
        const auto region = model.mapPresentation().cameraPosition();
        EXPECT_DOUBLE_EQ(region.center.latitude, c.region.center.latitude);
        EXPECT_DOUBLE_EQ(region.center.longitude, c.region.center.longitude);
        EXPECT_NEAR(region.latitudeDelta, c.region.latitudeDelta, 1e-9);
        EXPECT_NEAR(region.longitudeDelta, c.region.longitudeDelta, 1e-9);
    }
}

TEST_F(DraftTest, ResetAndClearKeepTheRouteSettings)
{
    auto& model = build();
    model.setRouteName(QStringLiteral("Trip"));
    model.selectPlace(makePoint(QStringLiteral("A"), 1, 1), LocationPlannerViewModel::MapFraming::keepCamera);
    model.setRouteName(QStringLiteral("Trip"));
    model.resetMapRouteSelection();
    EXPECT_TRUE(model.draft().points().isEmpty());
    EXPECT_FALSE(model.draft().routeStartPoint().has_value());
    EXPECT_EQ(model.draft().routePlanningSource(), QStringLiteral("Choose a start on the map."));
    EXPECT_EQ(model.draft().routeName(), QStringLiteral("Trip"));
    EXPECT_EQ(model.mapPresentation().instruction(), QStringLiteral("Click the map to choose a start"));
    EXPECT_TRUE(model.mapPresentation().points().isEmpty());

    A::setRouteRunning(model, true);
    EXPECT_EQ(model.mapPresentation().instruction(), QStringLiteral("The route can’t be edited while it’s playing"));
    EXPECT_TRUE(model.mapPresentation().showsLockedReason());
    A::setRouteRunning(model, false);
    A::setDeviceBusy(model, true);
    EXPECT_EQ(model.mapPresentation().instruction(),
              QStringLiteral("The route can’t be edited while communicating with iPhone"));
    EXPECT_FALSE(model.mapPresentation().showsLockedReason());
}

TEST_F(DraftTest, HistoryKeepsTwelveDistinctEntriesNewestFirst)
{
    auto& model = build();
    A::saveCurrentRouteToHistory(model);
    EXPECT_TRUE(model.library().history().isEmpty());

    for (int i = 0; i < 14; ++i) {
        A::setPoints(model, {makePoint(QStringLiteral("P%1").arg(i), i, i)});
        model.setRouteName(QStringLiteral("Place %1").arg(i));
        A::saveCurrentRouteToHistory(model);
    }
    ASSERT_EQ(model.library().history().size(), 12);
    EXPECT_EQ(model.library().history().first().title, QStringLiteral("Place 13"));
    // The same points under the same title replace the older entry.
    A::saveCurrentRouteToHistory(model);
    EXPECT_EQ(model.library().history().size(), 12);
    EXPECT_EQ(model.library().history().at(1).title, QStringLiteral("Place 12"));
    model.setRouteName(QStringLiteral("  "));
    A::saveCurrentRouteToHistory(model);
    EXPECT_EQ(model.library().history().first().title, QStringLiteral("Route"));
    EXPECT_EQ(model.library().history().first().createdAt, clock.wallNow());
    EXPECT_EQ(store().load<RouteHistoryItem>(store().historyPath()), model.library().history());

    // A failed write keeps the list and says why.
    const auto before = model.library().history();
    QFile::remove(store().historyPath());
    ASSERT_TRUE(QDir().mkpath(store().historyPath()));
    model.setRouteName(QStringLiteral("Blocked"));
    A::saveCurrentRouteToHistory(model);
    ASSERT_TRUE(eventually([&] { return model.notice().has_value(); }));
    EXPECT_EQ(model.library().history(), before);
    EXPECT_TRUE(model.notice()->startsWith(QStringLiteral("Couldn’t save the history: ")));
}

} // namespace
