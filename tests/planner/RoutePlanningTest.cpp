#include "OsrmReplies.h"
#include "PlannerFixture.h"
#include "planner/OsrmDirectionsService.h"
#include "routedata/RouteMapPresentation.h"
#include "support/FakeHttpServer.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>

using namespace ostrevin;
using namespace ostrevin::test;

namespace {

using A = PlannerTestAccess;

/// The request path of a driving route between two places.
QByteArray routePath(double fromLatitude, double fromLongitude, double toLatitude, double toLongitude)
{
    const auto place = [](double latitude, double longitude) -> QByteArray {
        return QByteArray::number(longitude, 'f', 6) + ',' + QByteArray::number(latitude, 'f', 6);
    };
    return "/car/route/v1/driving/" + place(fromLatitude, fromLongitude) + ';' + place(toLatitude, toLongitude);
}

const QByteArray clickedRoute = routePath(50, 14, 50.1, 14.1);

/// The view model planning against an OSRM server on 127.0.0.1.
class RoutePlanningTest : public PlannerFixture {
protected:
    void SetUp() override
    {
        PlannerFixture::SetUp();
        network.setProxy(QNetworkProxy::NoProxy);
        enforceOsrmLimits(server);
        QObject::connect(&network, &QNetworkAccessManager::finished, &network, [this] { ++finishedReplies; });
        osrm = std::make_unique<OsrmDirectionsService>(network, server.url(QStringLiteral("/car")),
                                                       server.url(QStringLiteral("/foot")));
    }

    LocationPlannerViewModel& buildPlanner()
    {
        LocationPlannerViewModel::Dependencies deps = dependencies();
        deps.directions = osrm.get();
        vm = std::make_unique<LocationPlannerViewModel>(deps, LocationPlannerViewModel::Services::leaveStopped);
        return *vm;
    }

    /// Clicks a start at (50, 14) and a destination at (50.1, 14.1).
    void clickBothEnds(LocationPlannerViewModel& model)
    {
        model.handleRouteMapClick(50, 14);
        model.handleRouteMapClick(50.1, 14.1);
    }

    bool planningEnds(LocationPlannerViewModel& model)
    {
        return eventually([&] { return !model.isPlanningAddressRoute(); });
    }

    QStringList eventsContaining(const QString& text) const { return eventMessages().filter(text); }

    FakeHttpServer server;
    QNetworkAccessManager network;
    std::unique_ptr<OsrmDirectionsService> osrm;
    int finishedReplies = 0;
};

TEST_F(RoutePlanningTest, KeepsTheFiveFastestRoutesWithUsableLines)
{
    const auto route = [](double duration, const char* name, int points = 3) {
        return OsrmRoute{.duration = duration, .points = points, .summary = name};
    };
    struct Case {
        const char* name;
        QList<OsrmRoute> routes;
        QString titles; // the options' names, fastest first
        qsizetype draftPoints;
    };
    const Case cases[] = {
        {"six routes give the five fastest",
         {route(600, "F"), route(100, "A"), route(500, "E"), route(200, "B"), route(400, "D"), route(300, "C")},
         QStringLiteral("ABCDE"),
         3},
        {"equal times keep the service's order", {route(200, "A"), route(100, "B"), route(200, "C")}, u"BAC"_qs, 3},
        {"a one-point route is skipped, not replaced",
         {route(100, "A", 1), route(200, "B"), route(300, "C"), route(400, "D"), route(500, "E"), route(600, "F")},
         QStringLiteral("BCDE"),
         3},
        {"801 points become 800 with both ends", {route(100, "A", 801)}, QStringLiteral("A"), 800},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.setReply("GET", clickedRoute, FakeHttpReply::json(osrmReply(c.routes)));
        auto& model = buildPlanner();
        clickBothEnds(model);
        ASSERT_TRUE(planningEnds(model));

        QString titles;
        for (const PlannedRouteOption& option : model.draft().routeAlternatives())
            titles += option.title.sliced(QStringLiteral("Driving · ").size());
        EXPECT_EQ(titles, c.titles);
        ASSERT_FALSE(model.draft().routeAlternatives().isEmpty());
        EXPECT_EQ(model.draft().selectedRouteAlternative(), model.draft().routeAlternatives().first());
        // The fastest line, from its own first to its own last point, under the clicked ends' names.
        ASSERT_EQ(model.draft().points().size(), c.draftPoints);
        const OsrmRoute& fastest = *std::find_if(c.routes.cbegin(), c.routes.cend(), [&](const OsrmRoute& r) {
            return QLatin1StringView(r.summary) == c.titles.front();
        });
        EXPECT_EQ(model.draft().points().first().latitude, 50);
        EXPECT_EQ(model.draft().points().last().latitude, 50 + (fastest.points - 1) / 1000.0);
        EXPECT_EQ(model.draft().points().first().name, QStringLiteral("Start"));
        EXPECT_EQ(model.draft().points()[1].name, QStringLiteral("Point 2"));
        EXPECT_EQ(model.draft().points().last().name, QStringLiteral("Destination"));
        EXPECT_EQ(model.draft().routeDestinationPoint(), model.draft().points().last());
        EXPECT_EQ(model.draft().routeName(), QStringLiteral("Route from map"));
        EXPECT_EQ(model.library().savedRouteName(), QStringLiteral("Route from map"));
        EXPECT_TRUE(model.canEditRouteDraft());
        EXPECT_EQ(eventsContaining(QStringLiteral("calculated with")),
                  QStringList{QStringLiteral("Route from the map calculated with %1 options.").arg(c.titles.size())});
    }
}

TEST_F(RoutePlanningTest, TheDraftSpeedFollowsThePlannedDistanceAndTime)
{
    struct Case {
        double distance;
        double duration;
        double speed;
    };
    const Case cases[] = {
        {12400, 900, 50}, // 49.6 km/h, rounded
        {30, 600, 1},     // 0.18 km/h, raised to the slowest
        {1000, 0, 25},    // no travel time: the speed stays
        {0, 100, 25},     // no distance: the speed stays
        {2000000, 3600, 300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.distance);
        server.setReply("GET", clickedRoute, FakeHttpReply::json(osrmReply({{c.distance, c.duration}})));
        auto& model = buildPlanner();
        clickBothEnds(model);
        ASSERT_TRUE(planningEnds(model));
        EXPECT_EQ(model.draft().speedKmh(), c.speed);
        EXPECT_EQ(model.draft().routeAlternatives().size(), 1);
    }
}

TEST_F(RoutePlanningTest, AFailureEndsPlanningWithAMessageAndTheDraftAsItWas)
{
    FakeHttpReply huge = FakeHttpReply::json(QByteArray(50 * 1000 * 1000, ' '));
    struct Case {
        const char* name;
        std::optional<FakeHttpReply> reply; // none: nothing listens
        QString notice;
    };
    const Case cases[] = {
        {"no route", FakeHttpReply::json(R"({"code":"NoRoute"})", 400),
         QStringLiteral("No route was found between these places.")},
        {"server error", FakeHttpReply::text("oops", 503),
         QStringLiteral("The directions service isn’t available right now (HTTP 503). Try again later.")},
        {"garbage", FakeHttpReply::text("{{{"),
         QStringLiteral("The directions service sent a reply that couldn’t be read.")},
        {"only a one-point route", FakeHttpReply::json(osrmReply({{.points = 1}})),
         QStringLiteral("No route was found for the selected travel mode. Try a different one.")},
        {"50 MB", huge, QStringLiteral("The directions service sent a reply that is too large.")},
        {"nothing listens", std::nullopt, QStringLiteral("Could not connect to the server.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.reply) {
            server.resumeListening();
            server.setReply("GET", clickedRoute, *c.reply);
        } else {
            server.stopListening();
        }
        auto& model = buildPlanner();
        clickBothEnds(model);
        const QList<RoutePoint> clicked = model.draft().points();
        ASSERT_TRUE(planningEnds(model));

        EXPECT_EQ(model.notice(), c.notice);
        EXPECT_EQ(model.draft().points(), clicked);
        EXPECT_TRUE(model.draft().routeAlternatives().isEmpty());
        EXPECT_EQ(model.draft().addressRouteMessage(), QString());
        EXPECT_EQ(model.draft().speedKmh(), 25);
        EXPECT_TRUE(model.canEditRouteDraft());
        EXPECT_EQ(model.mapClickInstruction(), QStringLiteral("Click again to start a new route"));
        ASSERT_EQ(eventsContaining(QStringLiteral("Couldn’t plan")),
                  QStringList{QStringLiteral("Couldn’t plan a route from the map: ") + c.notice});
        EXPECT_EQ(model.eventLog().diagnosticEvents().first().level, TrackerLogLevel::error);
        EXPECT_TRUE(eventsContaining(QStringLiteral("127.0.0.1")).isEmpty());
    }
}

TEST_F(RoutePlanningTest, AServerThatNeverAnswersTimesOutAndALaterRequestWins)
{
    FakeHttpReply late = FakeHttpReply::json(osrmReply({{.duration = 1, .offset = 1}}));
    late.delayMs = 3000;
    server.setReply("GET", clickedRoute, late);
    const QByteArray secondRoute = routePath(40, 10, 40.1, 10.1);
    server.setReply("GET", secondRoute, FakeHttpReply::json(osrmReply({{.duration = 50}})));
    auto& model = buildPlanner();
    clickBothEnds(model);
    ASSERT_TRUE(server.waitForRequests(1));

    clock.advance(std::chrono::seconds(24));
    EXPECT_TRUE(model.isPlanningAddressRoute());
    EXPECT_EQ(model.mapClickInstruction(), QStringLiteral("Calculating route…"));
    model.handleRouteMapClick(40, 10); // ignored while planning
    EXPECT_EQ(model.draft().points().first().latitude, 50);

    clock.advance(std::chrono::seconds(1));
    EXPECT_FALSE(model.isPlanningAddressRoute());
    EXPECT_EQ(
        model.notice(),
        QStringLiteral("Calculating the route is taking too long. Check your internet connection and try again."));
    EXPECT_EQ(model.draft().addressRouteMessage(), QString());
    EXPECT_EQ(eventsContaining(QStringLiteral("timed out")),
              QStringList{QStringLiteral("Route calculation timed out.")});

    // A new route is planned while the first reply is still on its way.
    model.handleRouteMapClick(40, 10);
    model.handleRouteMapClick(40.1, 10.1);
    ASSERT_TRUE(planningEnds(model));
    const QList<RoutePoint> planned = model.draft().points();
    ASSERT_EQ(model.draft().routeAlternatives().size(), 1);
    EXPECT_EQ(model.draft().routeAlternatives().first().expectedTravelTime, 50);

    ASSERT_TRUE(eventually([&] { return finishedReplies == 2; }));
    EXPECT_EQ(model.draft().points(), planned);
    EXPECT_EQ(model.draft().routeAlternatives().first().expectedTravelTime, 50);
    EXPECT_EQ(eventsContaining(QStringLiteral("calculated with")).size(), 1);
    EXPECT_EQ(clock.pendingSleeps(), 0);
}

TEST_F(RoutePlanningTest, ARouteThatLandsAfterTheTravelModeChangedIsDropped)
{
    FakeHttpReply slow = FakeHttpReply::json(osrmReply({{12400, 900}}));
    slow.delayMs = 300;
    server.setReply("GET", clickedRoute, slow);
    auto& model = buildPlanner();
    clickBothEnds(model);
    const QList<RoutePoint> clicked = model.draft().points();
    model.setSelectedTransportMode(RouteTransportMode::walking);
    ASSERT_TRUE(planningEnds(model));

    EXPECT_EQ(model.draft().selectedTransportMode(), RouteTransportMode::walking);
    EXPECT_TRUE(model.draft().routeAlternatives().isEmpty());
    EXPECT_EQ(model.draft().points(), clicked);
    EXPECT_EQ(model.draft().speedKmh(), 25);
    EXPECT_FALSE(model.notice().has_value());
    EXPECT_TRUE(model.canEditRouteDraft());
    EXPECT_EQ(finishedReplies, 1);
}

TEST_F(RoutePlanningTest, TheClickCycleAndItsBanners)
{
    server.setReply("GET", clickedRoute, FakeHttpReply::json(osrmReply({{.duration = 100}, {.duration = 200}})));
    auto& model = buildPlanner();
    const RouteMapPresentation& map = model.mapPresentation();
    EXPECT_EQ(map.instruction(), QStringLiteral("Click the map to choose a start"));

    model.handleRouteMapClick(50, 374); // a map scrolled once round the world
    ASSERT_EQ(model.draft().points().size(), 1);
    EXPECT_EQ(model.draft().points().first().name, QStringLiteral("Start"));
    EXPECT_EQ(model.draft().points().first().longitude, 14);
    EXPECT_EQ(model.draft().routeName(), QStringLiteral("Route from map"));
    EXPECT_EQ(model.draft().routePlanningSource(), QStringLiteral("Choose a destination on the map."));
    EXPECT_EQ(map.instruction(), QStringLiteral("Click the map to choose a destination"));
    EXPECT_EQ(map.cameraPosition(), (RouteMapPresentation::CameraPosition{{50, 14}, 0.05, 0.05}));

    model.handleRouteMapClick(50.1, 14.1);
    EXPECT_EQ(model.draft().points().size(), 2);
    EXPECT_EQ(model.draft().points().last().name, QStringLiteral("Destination"));
    EXPECT_EQ(model.draft().routePlanningSource(), QStringLiteral("Start and destination are selected on the map."));
    EXPECT_EQ(model.draft().addressRouteMessage(), QStringLiteral("Calculating route…"));
    EXPECT_EQ(map.instruction(), QStringLiteral("Calculating route…"));
    EXPECT_FALSE(map.canEdit());
    EXPECT_TRUE(map.showsLockedReason());
    EXPECT_EQ(eventsContaining(QStringLiteral("Planning")),
              QStringList{QStringLiteral("Planning a route between the points on the map.")});
    ASSERT_TRUE(planningEnds(model));
    EXPECT_EQ(map.instruction(), QStringLiteral("Click again to start a new route"));
    EXPECT_TRUE(map.canEdit());
    EXPECT_EQ(model.draft().routeAlternatives().size(), 2);

    model.handleRouteMapClick(49, 13);
    EXPECT_EQ(model.draft().points().size(), 1);
    EXPECT_TRUE(model.draft().routeAlternatives().isEmpty());
    EXPECT_FALSE(model.draft().selectedRouteAlternativeID().has_value());
    EXPECT_FALSE(model.draft().routeDestinationPoint().has_value());
    EXPECT_EQ(map.instruction(), QStringLiteral("Click the map to choose a destination"));

    model.handleRouteMapClick(91, 13); // off the map: ignored
    EXPECT_EQ(model.draft().points().size(), 1);

    A::setRouteRunning(model, true);
    EXPECT_EQ(map.instruction(), QStringLiteral("The route can’t be edited while it’s playing"));
    model.handleRouteMapClick(48, 12);
    EXPECT_EQ(model.draft().points().first().latitude, 49);
    A::setRouteRunning(model, false);
    A::setDeviceBusy(model, true);
    EXPECT_EQ(map.instruction(), QStringLiteral("The route can’t be edited while communicating with iPhone"));
    EXPECT_FALSE(map.showsLockedReason());
}

TEST_F(RoutePlanningTest, AddressFieldsClearingReplanningAndAlternatives)
{
    const RoutePoint praha = makePoint(QStringLiteral("Praha"), 50, 14);
    const RoutePoint brno = makePoint(QStringLiteral("Brno"), 50.1, 14.1);
    server.setReply("GET", clickedRoute,
                    FakeHttpReply::json(osrmReply({{.duration = 100, .points = 4, .summary = "D1"},
                                                   {.duration = 200, .summary = "E50", .offset = 0.5}})));
    auto& model = buildPlanner();

    // A destination alone, then a click for the start: planned without a preferred name.
    model.setRouteEndpoint(brno, LocationPlannerViewModel::RouteEnd::destination);
    EXPECT_EQ(model.draft().points(), QList<RoutePoint>{brno});
    EXPECT_EQ(model.draft().routeName(), QStringLiteral("Brno"));
    EXPECT_EQ(model.mapPresentation().cameraPosition().center, (RouteMapPresentation::Coordinate{50.1, 14.1}));
    model.handleRouteMapClick(50, 14);
    EXPECT_TRUE(model.isPlanningAddressRoute());
    ASSERT_TRUE(planningEnds(model));
    EXPECT_EQ(model.draft().routeName(), QStringLiteral("Route from map"));
    EXPECT_EQ(model.draft().points().first().name, QStringLiteral("Start"));
    EXPECT_EQ(model.draft().points().last().name, QStringLiteral("Brno"));

    // Both ends from the address fields: named after them.
    server.setReply("GET", routePath(50, 14, 50.003, 14.003),
                    FakeHttpReply::json(osrmReply({{}, {.summary = "E50", .offset = 0.5}})));
    model.setRouteEndpoint(praha, LocationPlannerViewModel::RouteEnd::start);
    ASSERT_TRUE(planningEnds(model));
    EXPECT_EQ(model.draft().routeName(), QStringLiteral("Praha – Brno"));
    EXPECT_EQ(model.draft().mapDisplayPoints(),
              (QList<RoutePoint>{model.draft().points().first(), model.draft().points().last()}));

    // Another alternative takes its own title and keeps the names of the ends.
    const PlannedRouteOption second = model.draft().routeAlternatives()[1];
    model.selectRouteAlternative(second);
    EXPECT_EQ(model.draft().routeName(), QStringLiteral("Driving · E50"));
    EXPECT_EQ(model.draft().selectedRouteAlternative(), second);
    EXPECT_EQ(model.draft().points().first().longitude, 14.5);
    EXPECT_EQ(model.draft().points().first().name, QStringLiteral("Praha"));
    EXPECT_EQ(model.draft().points().last().name, QStringLiteral("Brno"));
    EXPECT_EQ(model.draft().routeAlternatives().size(), 2);

    // Alternatives belong to their travel mode.
    model.setSelectedTransportMode(RouteTransportMode::automobile);
    EXPECT_EQ(model.draft().routeAlternatives().size(), 2);
    model.setSelectedTransportMode(RouteTransportMode::walking);
    EXPECT_TRUE(model.draft().routeAlternatives().isEmpty());
    EXPECT_FALSE(model.draft().selectedRouteAlternative().has_value());
    model.setSelectedTransportMode(RouteTransportMode::automobile);

    // A blank name replans under the default name.
    model.setRouteName(QStringLiteral("  "));
    server.setReply("GET", routePath(50, 14.5, 50.002, 14.502), FakeHttpReply::json(osrmReply({{}})));
    model.replanRoute();
    ASSERT_TRUE(planningEnds(model));
    EXPECT_EQ(model.draft().routeName(), QStringLiteral("Route from map"));

    // Clearing the start keeps the planned line's last point, and plans nothing.
    const RoutePoint end = model.draft().points().last();
    model.clearRouteEndpoint(LocationPlannerViewModel::RouteEnd::start);
    EXPECT_EQ(model.draft().points(), QList<RoutePoint>{end});
    EXPECT_FALSE(model.draft().routeStartPoint().has_value());
    EXPECT_EQ(model.draft().routeDestinationPoint(), end);
    EXPECT_EQ(model.draft().routeName(), QStringLiteral("Route from map"));
    EXPECT_FALSE(model.isPlanningAddressRoute());

    model.addRoutePoint(makePoint(QStringLiteral("Same"), end.latitude, end.longitude));
    EXPECT_EQ(model.notice(), QStringLiteral("This point is already the last point of the route."));

    // Planning needs both ends.
    model.clearRouteEndpoint(LocationPlannerViewModel::RouteEnd::destination);
    model.setNotice(std::nullopt);
    model.replanRoute();
    EXPECT_EQ(model.notice(), QStringLiteral("Choose a start and destination on the map first."));
    EXPECT_FALSE(model.isPlanningAddressRoute());
}

} // namespace
