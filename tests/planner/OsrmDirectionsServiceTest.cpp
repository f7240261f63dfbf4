#include "planner/OsrmDirectionsService.h"

#include "BuildConfig.h"
#include "OsrmReplies.h"
#include "planner/DirectionsServiceError.h"
#include "platform/NetworkTransportError.h"
#include "routedata/PlannedRouteStep.h"
#include "routedata/RoutePlanningError.h"
#include "support/AwaitTask.h"
#include "support/FakeHttpServer.h"
#include "support/QtPrinters.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QUrlQuery>
#include <gtest/gtest.h>

using namespace ostrevin;
using namespace ostrevin::test;

namespace {

const Geodesy::Coordinate prague{50.0875, 14.4213};
const Geodesy::Coordinate brno{49.1951, 16.6068};
const QByteArray carPath = "/car/route/v1/driving/14.421300,50.087500;16.606800,49.195100";
const QByteArray footPath = "/foot/route/v1/foot/14.421300,50.087500;16.606800,49.195100";

struct Service {
    FakeHttpServer server;
    QNetworkAccessManager network;
    OsrmDirectionsService osrm{network, server.url(QStringLiteral("/car/")), server.url(QStringLiteral("/foot"))};

    Service()
    {
        network.setProxy(QNetworkProxy::NoProxy);
        enforceOsrmLimits(server);
    }

    TaskOutcome<QList<DirectionsRoute>> plan(RouteTransportMode mode)
    {
        return awaitTask(osrm.calculate(prague, brno, mode));
    }
};

/// The user-facing text of whatever the request threw.
QString failureText(const TaskOutcome<QList<DirectionsRoute>>& outcome)
{
    if (auto e = outcome.errorAs<RoutePlanningError>())
        return e->description();
    if (auto e = outcome.errorAs<DirectionsServiceError>())
        return e->description();
    if (auto e = outcome.errorAs<NetworkTransportError>())
        return e->description();
    return outcome.error ? QStringLiteral("(unexpected error)") : QString();
}

} // namespace

TEST(OsrmDirectionsService, AsksTheServerOfTheTravelModeAndTransitNeverAsks)
{
    struct Case {
        RouteTransportMode mode;
        QByteArray path; // empty: no request at all
    };
    const Case cases[] = {
        {RouteTransportMode::automobile, carPath},
        {RouteTransportMode::any, carPath},
        {RouteTransportMode::walking, footPath},
        {RouteTransportMode::transit, {}},
        {RouteTransportMode::bus, {}},
        {RouteTransportMode::train, {}},
        {RouteTransportMode::tram, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(toRaw(c.mode).toStdString());
        Service service;
        service.server.setReply("GET", carPath, FakeHttpReply::json(osrmReply({{}})));
        service.server.setReply("GET", footPath, FakeHttpReply::json(osrmReply({{}, {}})));
        const auto outcome = service.plan(c.mode);
        ASSERT_TRUE(outcome.finished);
        if (c.path.isEmpty()) {
            EXPECT_EQ(outcome.errorAs<RoutePlanningError>(), RoutePlanningError::transportUnavailable(c.mode));
            EXPECT_EQ(service.server.requestCount(), 0);
            continue;
        }
        ASSERT_TRUE(outcome.value) << failureText(outcome).toStdString();
        EXPECT_EQ(outcome.value->size(), c.path == carPath ? 1 : 2);
        ASSERT_EQ(service.server.requestCount(), 1);
        const FakeHttpRequest request = service.server.requests().first();
        EXPECT_EQ(request.path(), c.path);
        const QUrlQuery query(QUrl(QString::fromLatin1(request.target)).query());
        EXPECT_EQ(query.queryItemValue(QStringLiteral("alternatives")), QStringLiteral("3"));
        EXPECT_EQ(query.queryItemValue(QStringLiteral("steps")), QStringLiteral("true"));
        EXPECT_EQ(query.queryItemValue(QStringLiteral("overview")), QStringLiteral("full"));
        EXPECT_EQ(query.queryItemValue(QStringLiteral("geometries")), QStringLiteral("geojson"));
        EXPECT_EQ(request.header("User-Agent"), QByteArray("Ostrevin/") + BuildConfig::version);
    }
}

TEST(OsrmDirectionsService, AServerWithALowerAlternativesLimitStillPlansOnceWithoutThem)
{
    struct Case {
        const char* name;
        int maxAlternatives;           // the server's --max-alternatives
        QStringList askedAlternatives; // per request; "-" when not asked
    };
    const Case cases[] = {
        {"default server", 3, {QStringLiteral("3")}},
        {"lowered limit", 1, {QStringLiteral("3"), QStringLiteral("-")}},
        {"no alternatives at all", 0, {QStringLiteral("3"), QStringLiteral("-")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Service service;
        enforceOsrmLimits(service.server, c.maxAlternatives);
        service.server.setReply("GET", carPath, FakeHttpReply::json(osrmReply({{}})));
        const auto outcome = service.plan(RouteTransportMode::automobile);
        ASSERT_TRUE(outcome.finished);
        ASSERT_TRUE(outcome.value) << failureText(outcome).toStdString();
        EXPECT_EQ(outcome.value->size(), 1);
        QStringList asked;
        for (const FakeHttpRequest& request : service.server.requests()) {
            const QUrlQuery query(QUrl(QString::fromLatin1(request.target)).query());
            asked << (query.hasQueryItem(QStringLiteral("alternatives"))
                          ? query.queryItemValue(QStringLiteral("alternatives"))
                          : QStringLiteral("-"));
        }
        EXPECT_EQ(asked, c.askedAlternatives);
    }

    // A TooBig that is not about alternatives is asked again once, then shown.
    Service service;
    service.server.setReply("GET", carPath,
                            FakeHttpReply::json(R"({"code":"TooBig","message":"Too many table coordinates"})", 400));
    const auto outcome = service.plan(RouteTransportMode::automobile);
    ASSERT_TRUE(outcome.finished);
    EXPECT_EQ(failureText(outcome), QStringLiteral("The directions service couldn’t plan this route (TooBig)."));
    EXPECT_EQ(service.server.requestCount(), 2);
}

TEST(OsrmDirectionsService, EveryUnusableReplyEndsWithItsOwnTextAndNoAddress)
{
    const QByteArray tooLarge = osrmReply({{}}).chopped(2) + ",\"pad\":\"" + QByteArray(50 * 1000 * 1000, 'x') + "\"}";
    // No length announced: the reply is cut off as it arrives.
    FakeHttpReply unannouncedTooLarge = FakeHttpReply::json(tooLarge);
    unannouncedTooLarge.closeDelimited = true;
    const QByteArray badStep = R"({"code":"Ok","routes":[{"distance":1,"duration":1,"geometry":)"
                               R"({"type":"LineString","coordinates":[[14,50],[14.1,50.1]]},"legs":[{"steps":[)";
    struct Case {
        const char* name;
        FakeHttpReply reply;
        QString expected;
    };
    const QString unreadable = QStringLiteral("The directions service sent a reply that couldn’t be read.");
    const Case cases[] = {
        {"no road nearby",
         FakeHttpReply::json(R"({"code":"NoSegment","message":"Could not find a matching segment"})", 400),
         QStringLiteral("No route was found between these places.")},
        {"refused", FakeHttpReply::json(R"({"code":"TooBig","message":"Too many"})", 400),
         QStringLiteral("The directions service couldn’t plan this route (TooBig).")},
        {"refused with an odd code", FakeHttpReply::json(R"({"code":"see http://x/?a=1"})", 400),
         QStringLiteral("The directions service couldn’t plan this route.")},
        {"not an object", FakeHttpReply::json("[1,2]"), unreadable},
        {"no routes", FakeHttpReply::json(R"({"code":"Ok","routes":[]})"),
         QStringLiteral("The directions service returned no routes.")},
        {"routes missing", FakeHttpReply::json(R"({"code":"Ok"})"), unreadable},
        {"coordinate as text", FakeHttpReply::json(osrmReply({{}}).replace("[14.000000,", "[\"14\",")), unreadable},
        {"negative duration", FakeHttpReply::json(osrmReply({{.duration = -5}})), unreadable},
        {"geometry not a line", FakeHttpReply::json(osrmReply({{}}).replace("LineString", "Point")), unreadable},
        {"step without maneuver", FakeHttpReply::json(badStep + R"({"distance":1,"mode":"driving"}]}]}]})"),
         unreadable},
        {"fractional exit",
         FakeHttpReply::json(badStep +
                             R"({"distance":1,"mode":"driving","maneuver":{"type":"rotary","exit":1.5}}]}]}]})"),
         unreadable},
        {"unannounced 50 MB", unannouncedTooLarge,
         QStringLiteral("The directions service sent a reply that is too large.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Service service;
        service.server.setReply("GET", carPath, c.reply);
        const auto outcome = service.plan(RouteTransportMode::automobile);
        ASSERT_TRUE(outcome.finished);
        EXPECT_FALSE(outcome.value);
        const QString text = failureText(outcome);
        EXPECT_EQ(text, c.expected);
        EXPECT_FALSE(text.contains(QStringLiteral("127.0.0.1")) || text.contains(QStringLiteral("route/v1")));
    }
}

TEST(OsrmDirectionsService, DecodesTheLineTitleStepsAndNotices)
{
    const QByteArray body = R"({"code":"Ok","routes":[{"distance":5200.5,"duration":610,
        "geometry":{"type":"LineString","coordinates":[[14.1,50.1],[14.2,50.2],[200,95]]},
        "legs":[{"summary":"D8","steps":[
          {"distance":4000,"duration":300,"name":"Ústecká","ref":"D8","mode":"driving",
           "maneuver":{"type":"depart","location":[14.1,50.1]},
           "intersections":[{"classes":["motorway","toll"]}]},
          {"distance":1200,"duration":300,"name":"","mode":"ferry",
           "maneuver":{"type":"turn","modifier":"right","location":[14.2,50.2]}}]},
        {"summary":"","steps":[
          {"distance":0.5,"duration":1,"name":"Přístav","mode":"pushing bike","maneuver":{"type":"arrive","modifier":"left"}}]},
        {"summary":"E55","steps":[]}]}]})";
    const QList<DirectionsRoute> routes = OsrmDirectionsService::decodeRoutes(body, 200);
    ASSERT_EQ(routes.size(), 1);
    const DirectionsRoute& route = routes.first();
    EXPECT_EQ(route.name, QStringLiteral("D8, E55"));
    EXPECT_EQ(route.distance, 5200.5);
    EXPECT_EQ(route.expectedTravelTime, 610);
    // Out-of-range coordinates are kept here; turning the line into points drops them.
    EXPECT_EQ(route.line, (QList<Geodesy::Coordinate>{{50.1, 14.1}, {50.2, 14.2}, {95, 200}}));
    EXPECT_EQ(route.steps, (QList<DirectionsStep>{
                               {QStringLiteral("Head out on Ústecká (D8)"), QStringLiteral("This road has tolls."),
                                4000, PlannedRouteStep::automobile},
                               {QStringLiteral("Turn right"), QStringLiteral("This step is a ferry crossing."), 1200,
                                PlannedRouteStep::transit},
                               {QStringLiteral("Your destination is on the left"), QString(), 0.5, 0},
                           }));
    EXPECT_EQ(route.advisoryNotices, (QStringList{QStringLiteral("This route includes a ferry crossing."),
                                                  QStringLiteral("This route includes toll roads.")}));
}
