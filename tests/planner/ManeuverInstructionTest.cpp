#include "planner/ManeuverInstruction.h"

#include "planner/OsrmDirectionsService.h"
#include "routedata/PlannedRouteStep.h"
#include "support/AwaitTask.h"
#include "support/FakeHttpServer.h"
#include "support/QtPrinters.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <gtest/gtest.h>

using namespace ostrevin;
using namespace ostrevin::test;

namespace {

/// A step as osrm-routed writes it with steps=true&geometries=geojson: members is
/// what differs between maneuvers (name, ref, exits, destinations, rotary_name,
/// maneuver), the rest is what every step carries.
QByteArray realStep(const char* members, double distance)
{
    return R"({"geometry":{"type":"LineString","coordinates":[[14.420712,50.087015],[14.421301,50.087502]]},)"
           R"("distance":)" +
           QByteArray::number(distance) +
           R"(,"duration":9.8,"weight":9.8,"driving_side":"right","mode":"driving",)"
           R"("intersections":[{"out":1,"in":0,"entry":[false,true,true],"bearings":[0,90,180],)"
           R"("location":[14.420712,50.087015]}],)" +
           QByteArray(members) + '}';
}

struct Case {
    const char* step; // the members that differ between steps
    const char* expected;
    const char* next = nullptr;         // a following step of the same leg
    const char* nextExpected = nullptr; // its sentence; none: it adds to this step
};

} // namespace

TEST(ManeuverInstruction, RealManeuversOfEveryTypeAndModifierReadAsADriverExpects)
{
    const Case cases[] = {
        // Departures name the compass direction of bearing_after.
        {R"~("name":"Van Ness Avenue (US 101 South)","ref":"US 101 South",)~"
         R"("maneuver":{"bearing_after":178,"bearing_before":0,"location":[-122.42,37.78],"type":"depart"})",
         "Head south on Van Ness Avenue (US 101 South)"},
        {R"("name":"","maneuver":{"bearing_after":92,"bearing_before":0,"location":[14.42,50.08],"type":"depart"})",
         "Head east"},
        {R"("name":"Karlova","maneuver":{"bearing_after":359,"bearing_before":0,"location":[14.42,50.08],)"
         R"("type":"depart"})",
         "Head north on Karlova"},
        {R"("name":"Karlova","maneuver":{"bearing_after":293,"bearing_before":0,"location":[14.42,50.08],)"
         R"("type":"depart"})",
         "Head northwest on Karlova"},
        {R"("name":"Karlova","maneuver":{"bearing_after":0,"bearing_before":88,"location":[14.42,50.08],)"
         R"("type":"arrive"})",
         "You have arrived at your destination"},
        {R"("name":"","maneuver":{"bearing_after":0,"bearing_before":88,"location":[14.42,50.08],)"
         R"("modifier":"left","type":"arrive"})",
         "Your destination is on the left"},
        {R"("name":"","maneuver":{"bearing_after":0,"bearing_before":88,"location":[14.42,50.08],)"
         R"("modifier":"sharp right","type":"arrive"})",
         "Your destination is on the right"},
        // Turns, with every modifier.
        {R"("name":"Celetná","maneuver":{"bearing_after":358,"bearing_before":88,"location":[14.42,50.08],)"
         R"("modifier":"left","type":"turn"})",
         "Turn left onto Celetná"},
        {R"("name":"","maneuver":{"bearing_after":178,"bearing_before":88,"location":[14.42,50.08],)"
         R"("modifier":"right","type":"turn"})",
         "Turn right"},
        {R"("name":"","maneuver":{"bearing_after":230,"bearing_before":88,"location":[14.42,50.08],)"
         R"("modifier":"sharp left","type":"turn"})",
         "Make a sharp left"},
        {R"("name":"Na Příkopě","maneuver":{"bearing_after":210,"bearing_before":88,"location":[14.42,50.08],)"
         R"("modifier":"sharp right","type":"turn"})",
         "Make a sharp right onto Na Příkopě"},
        {R"("name":"","maneuver":{"bearing_after":60,"bearing_before":88,"location":[14.42,50.08],)"
         R"("modifier":"slight left","type":"turn"})",
         "Bear left"},
        {R"("name":"Evropská","ref":"D6; E48","maneuver":{"bearing_after":110,"bearing_before":88,)"
         R"("location":[14.42,50.08],"modifier":"slight right","type":"turn"})",
         "Bear right onto Evropská (D6; E48)"},
        {R"("name":"Dlouhá","maneuver":{"bearing_after":268,"bearing_before":88,"location":[14.42,50.08],)"
         R"("modifier":"uturn","type":"turn"})",
         "Make a U-turn onto Dlouhá"},
        {R"("name":"","maneuver":{"bearing_after":88,"bearing_before":88,"location":[14.42,50.08],)"
         R"("modifier":"straight","type":"turn"})",
         "Go straight"},
        // OSRM asks clients to read types they do not know as turns.
        {R"("name":"","maneuver":{"bearing_after":178,"bearing_before":88,"location":[14.42,50.08],)"
         R"("modifier":"right","type":"climb a ladder"})",
         "Turn right"},
        {R"("name":"","ref":"E50","maneuver":{"bearing_after":80,"bearing_before":88,"location":[14.42,50.08],)"
         R"("modifier":"slight left","type":"new name"})",
         "Continue onto E50"},
        {R"("name":"","maneuver":{"bearing_after":88,"bearing_before":88,"location":[14.42,50.08],)"
         R"("modifier":"straight","type":"notification"})",
         "Continue"},
        {R"~("name":"Pražský okruh (D0)","ref":"D0","maneuver":{"bearing_after":88,"bearing_before":88,)~"
         R"("location":[14.42,50.08],"modifier":"straight","type":"continue"})",
         "Continue onto Pražský okruh (D0)"},
        {R"("name":"Rybná","maneuver":{"bearing_after":358,"bearing_before":88,"location":[14.42,50.08],)"
         R"("modifier":"left","type":"continue"})",
         "Turn left onto Rybná"},
        {R"("name":"","maneuver":{"bearing_after":268,"bearing_before":88,"location":[14.42,50.08],)"
         R"("modifier":"uturn","type":"continue"})",
         "Make a U-turn"},
        {R"("name":"","ref":"D1","maneuver":{"bearing_after":80,"bearing_before":60,"location":[14.42,50.08],)"
         R"("modifier":"slight left","type":"merge"})",
         "Merge left onto D1"},
        {R"("name":"","maneuver":{"bearing_after":100,"bearing_before":60,"location":[14.42,50.08],)"
         R"("modifier":"slight right","type":"merge"})",
         "Merge right"},
        {R"("name":"","ref":"D1","maneuver":{"bearing_after":60,"bearing_before":60,"location":[14.42,50.08],)"
         R"("modifier":"straight","type":"merge"})",
         "Merge onto D1"},
        // Ramps: exit numbers and signposted destinations come first.
        {R"("name":"","ref":"I 70","destinations":"I 70 East: Denver","maneuver":{"bearing_after":110,)"
         R"("bearing_before":88,"location":[-104.98,39.74],"modifier":"slight right","type":"on ramp"})",
         "Take the ramp on the right towards Denver"},
        {R"("name":"","ref":"I 25","maneuver":{"bearing_after":60,"bearing_before":88,)"
         R"("location":[-104.98,39.74],"modifier":"slight left","type":"on ramp"})",
         "Take the ramp on the left onto I 25"},
        {R"("name":"","ref":"D5","maneuver":{"bearing_after":88,"bearing_before":88,"location":[14.42,50.08],)"
         R"("modifier":"straight","type":"on ramp"})",
         "Take the ramp onto D5"},
        {R"("name":"","exits":"135","destinations":"Colfax Avenue: Colfax","maneuver":{"bearing_after":200,)"
         R"("bearing_before":178,"location":[-104.99,39.74],"modifier":"slight right","type":"off ramp"})",
         "Take exit 135 towards Colfax"},
        {R"("name":"Chodovská","exits":"12A;12B","maneuver":{"bearing_after":200,"bearing_before":178,)"
         R"("location":[14.49,50.03],"modifier":"slight right","type":"off ramp"})",
         "Take exit 12A onto Chodovská"},
        {R"("name":"","destinations":"D1, E50: Brno, Jihlava, Praha","maneuver":{"bearing_after":150,)"
         R"("bearing_before":178,"location":[14.49,50.03],"modifier":"slight left","type":"off ramp"})",
         "Take the exit on the left towards Brno, Jihlava"},
        {R"("name":"","maneuver":{"bearing_after":200,"bearing_before":178,"location":[14.49,50.03],)"
         R"("modifier":"right","type":"off ramp"})",
         "Take the exit on the right"},
        {R"("name":"","destinations":"A 7: Hamburg, Kiel","maneuver":{"bearing_after":350,"bearing_before":0,)"
         R"("location":[9.99,53.55],"modifier":"slight left","type":"fork"})",
         "Keep left at the fork towards Hamburg, Kiel"},
        {R"("name":"","ref":"D0","maneuver":{"bearing_after":10,"bearing_before":0,"location":[14.42,50.08],)"
         R"("modifier":"slight right","type":"fork"})",
         "Keep right at the fork onto D0"},
        {R"("name":"","ref":"D0","maneuver":{"bearing_after":0,"bearing_before":0,"location":[14.42,50.08],)"
         R"("modifier":"straight","type":"fork"})",
         "Keep straight at the fork onto D0"},
        {R"("name":"Vinohradská","maneuver":{"bearing_after":268,"bearing_before":0,"location":[14.44,50.07],)"
         R"("modifier":"left","type":"end of road"})",
         "At the end of the road, turn left onto Vinohradská"},
        {R"("name":"","maneuver":{"bearing_after":88,"bearing_before":0,"location":[14.44,50.07],)"
         R"("modifier":"right","type":"end of road"})",
         "At the end of the road, turn right"},
        // Roundabouts: ordinal exits, the rotary's name, and no exit step that
        // only repeats the entry.
        {R"("name":"Plzeňská","maneuver":{"bearing_after":30,"bearing_before":0,"location":[14.37,50.07],)"
         R"("modifier":"right","exit":2,"type":"roundabout"})",
         "At the roundabout, take the 2nd exit onto Plzeňská",
         R"("name":"Plzeňská","maneuver":{"bearing_after":268,"bearing_before":300,"location":[14.37,50.07],)"
         R"("modifier":"right","exit":2,"type":"exit roundabout"})"},
        {R"("name":"","maneuver":{"bearing_after":30,"bearing_before":0,"location":[14.37,50.07],)"
         R"("modifier":"straight","exit":1,"type":"roundabout"})",
         "At the roundabout, take the 1st exit"},
        {R"("name":"","maneuver":{"bearing_after":30,"bearing_before":0,"location":[14.37,50.07],)"
         R"("modifier":"straight","exit":11,"type":"roundabout"})",
         "At the roundabout, take exit 11"},
        {R"("name":"","maneuver":{"bearing_after":30,"bearing_before":0,"location":[14.37,50.07],)"
         R"("modifier":"straight","exit":3,"type":"roundabout"})",
         "At the roundabout, take the 3rd exit",
         R"("name":"Jiráskova","maneuver":{"bearing_after":268,"bearing_before":300,"location":[14.37,50.07],)"
         R"("modifier":"right","exit":3,"type":"exit roundabout"})",
         "Exit the roundabout onto Jiráskova"},
        {R"("name":"Avenue des Champs-Élysées","rotary_name":"Place Charles de Gaulle","maneuver":{)"
         R"("bearing_after":80,"bearing_before":300,"location":[2.295,48.8738],"modifier":"slight right",)"
         R"("exit":3,"type":"rotary"})",
         "At Place Charles de Gaulle, take the 3rd exit onto Avenue des Champs-Élysées",
         R"("name":"Avenue des Champs-Élysées","maneuver":{"bearing_after":110,"bearing_before":150,)"
         R"("location":[2.296,48.8735],"modifier":"slight right","exit":3,"type":"exit rotary"})"},
        {R"("name":"","rotary_name":"Náměstí Míru","maneuver":{"bearing_after":80,"bearing_before":300,)"
         R"("location":[14.43,50.07],"modifier":"straight","type":"rotary"})",
         "Enter Náměstí Míru"},
        {R"("name":"Jiráskova","maneuver":{"bearing_after":268,"bearing_before":0,"location":[14.37,50.07],)"
         R"("modifier":"left","exit":1,"type":"roundabout turn"})",
         "At the roundabout, turn left onto Jiráskova"},
        {R"("name":"","maneuver":{"bearing_after":0,"bearing_before":0,"location":[14.37,50.07],)"
         R"("modifier":"straight","exit":2,"type":"roundabout turn"})",
         "At the roundabout, take the 2nd exit"},
    };

    // Each case is a leg of one real-shaped reply served from 127.0.0.1.
    QByteArray legs;
    QList<DirectionsStep> expected;
    for (const Case& c : cases) {
        QByteArray steps = realStep(c.step, 100);
        expected.append({QString::fromUtf8(c.expected), QString(), 100, PlannedRouteStep::automobile});
        if (c.next) {
            steps += ',' + realStep(c.next, 40);
            if (c.nextExpected)
                expected.append({QString::fromUtf8(c.nextExpected), QString(), 40, PlannedRouteStep::automobile});
            else
                expected.last().distance += 40;
        }
        if (!legs.isEmpty())
            legs += ',';
        legs += R"({"steps":[)" + steps + R"(],"summary":"","weight":100,"duration":100,"distance":100})";
    }
    const QByteArray reply =
        R"({"code":"Ok","routes":[{"geometry":{"type":"LineString","coordinates":[[14.420712,50.087015],)"
        R"([14.421301,50.087502]]},"legs":[)" +
        legs +
        R"(],"weight_name":"routability","weight":100,"duration":100,"distance":100}],)"
        R"("waypoints":[{"hint":"kXkFgP___38","distance":4.2,"name":"Karlova","location":[14.420712,50.087015]},)"
        R"({"hint":"oXkFgP___38","distance":1.7,"name":"","location":[14.421301,50.087502]}]})";

    FakeHttpServer server;
    QNetworkAccessManager network;
    network.setProxy(QNetworkProxy::NoProxy);
    server.setReply("GET", "/car/route/v1/driving/14.420700,50.087000;14.421300,50.087500", FakeHttpReply::json(reply));
    OsrmDirectionsService osrm{network, server.url(QStringLiteral("/car")), server.url(QStringLiteral("/foot"))};
    const auto outcome =
        awaitTask(osrm.calculate({50.087, 14.4207}, {50.0875, 14.4213}, RouteTransportMode::automobile));
    ASSERT_TRUE(outcome.value);
    ASSERT_EQ(outcome.value->size(), 1);
    const QList<DirectionsStep>& steps = outcome.value->first().steps;
    ASSERT_EQ(steps.size(), expected.size());
    for (qsizetype i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(expected[i].instructions.toStdString());
        EXPECT_EQ(steps[i], expected[i]);
    }
}

TEST(ManeuverInstruction, RoadNumbersAppearOnceAndBlankPartsAreLeftOut)
{
    struct Case {
        const char* name;
        const char* ref;
        const char* expected;
    };
    const Case cases[] = {
        {"Evropská", "D6", "Evropská (D6)"},
        {"D1", "D1", "D1"},
        {"Van Ness Avenue (US 101 South)", "US 101 South", "Van Ness Avenue (US 101 South)"},
        {"Pražský okruh (D0)", "D0; E50", "Pražský okruh (D0) (E50)"},
        {"", "D1; E50", "D1; E50"},
        {"  ", " ", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ManeuverInstruction::road(QString::fromUtf8(c.name), QString::fromUtf8(c.ref)),
                  QString::fromUtf8(c.expected));
}
