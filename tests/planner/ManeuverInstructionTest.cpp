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

/// One maneuver of a step; road holds the step's members naming the road and its
/// signs (name, ref, exits, destinations, rotary_name), lanes its intersection's.
struct Step {
    const char* type;
    const char* modifier = "";
    int exit = 0; // none
    int bearingAfter = 0;
    const char* road = R"("name":"")";
    const char* lanes = nullptr;
};

/// The step as osrm-routed writes it with steps=true&geometries=geojson.
QByteArray realStep(const Step& step, double distance)
{
    QByteArray maneuver = R"({"bearing_after":)" + QByteArray::number(step.bearingAfter) +
                          R"(,"bearing_before":0,"location":[14.420712,50.087015],)";
    if (*step.modifier)
        maneuver += R"("modifier":")" + QByteArray(step.modifier) + R"(",)";
    if (step.exit > 0)
        maneuver += R"("exit":)" + QByteArray::number(step.exit) + ',';
    maneuver += R"("type":")" + QByteArray(step.type) + R"("})";
    const QByteArray lanes = step.lanes ? R"("lanes":)" + QByteArray(step.lanes) + ',' : QByteArray();
    return R"({"geometry":{"type":"LineString","coordinates":[[14.420712,50.087015],[14.421301,50.087502]]},)"
           R"("distance":)" +
           QByteArray::number(distance) +
           R"(,"duration":9.8,"weight":9.8,"driving_side":"right","mode":"driving",)"
           R"("intersections":[{"out":1,"in":0,"entry":[false,true,true],"bearings":[0,90,180],)" +
           lanes + R"("location":[14.420712,50.087015]}],)" + QByteArray(step.road) + R"(,"maneuver":)" + maneuver +
           '}';
}

struct Case {
    Step step;
    const char* expected;
    std::optional<Step> next = std::nullopt; // a following step of the same leg
    const char* nextExpected = nullptr;      // its sentence; none: it adds to this step
};

} // namespace

TEST(ManeuverInstruction, RealManeuversOfEveryTypeAndModifierReadAsADriverExpects)
{
    const Case cases[] = {
        // Departures name the compass direction of bearing_after; a name that
        // carries the road number is not followed by it again.
        {{"depart", "", 0, 178, R"~("name":"Van Ness Avenue (US 101 South)","ref":"US 101 South")~"},
         "Head south on Van Ness Avenue (US 101 South)"},
        {{"depart", "", 0, 92}, "Head east"},
        {{"depart", "", 0, 359, R"("name":"Karlova")"}, "Head north on Karlova"},
        {{"depart", "", 0, 293, R"("name":"Karlova")"}, "Head northwest on Karlova"},
        {{"arrive", "", 0, 0, R"("name":"Karlova")"}, "You have arrived at your destination"},
        {{"arrive", "left"}, "Your destination is on the left"},
        {{"arrive", "sharp right"}, "Your destination is on the right"},
        {{"turn", "left", 0, 358, R"("name":"Celetná")"}, "Turn left onto Celetná"},
        {{"turn", "right", 0, 178}, "Turn right"},
        {{"turn", "sharp left", 0, 230}, "Make a sharp left"},
        {{"turn", "sharp right", 0, 210, R"("name":"Na Příkopě")"}, "Make a sharp right onto Na Příkopě"},
        {{"turn", "slight left", 0, 60}, "Bear left"},
        {{"turn", "slight right", 0, 110, R"("name":"Evropská","ref":"D6; E48")"},
         "Bear right onto Evropská (D6; E48)"},
        {{"turn", "uturn", 0, 268, R"("name":"Dlouhá")"}, "Make a U-turn onto Dlouhá"},
        {{"turn", "straight", 0, 88}, "Go straight"},
        // OSRM asks clients to read types they do not know as turns.
        {{"climb a ladder", "right", 0, 178}, "Turn right"},
        {{"new name", "slight left", 0, 80, R"("name":"","ref":"E50")"}, "Bear left onto E50"},
        {{"notification", "straight", 0, 88}, "Continue"},
        {{"continue", "straight", 0, 88, R"~("name":"Pražský okruh (D0)","ref":"D0")~"},
         "Continue onto Pražský okruh (D0)"},
        {{"continue", "left", 0, 358, R"("name":"Rybná")"}, "Turn left onto Rybná"},
        {{"continue", "uturn", 0, 268}, "Make a U-turn"},
        {{"merge", "slight left", 0, 80, R"("name":"","ref":"D1")"}, "Merge left onto D1"},
        {{"merge", "slight right", 0, 100}, "Merge right"},
        {{"merge", "straight", 0, 60, R"("name":"","ref":"D1")"}, "Merge onto D1"},
        // Ramps: exit numbers and signposted destinations first.
        {{"on ramp", "slight right", 0, 110, R"("name":"","ref":"I 70","destinations":"I 70 East: Denver")"},
         "Take the ramp on the right towards Denver"},
        {{"on ramp", "slight left", 0, 60, R"("name":"","ref":"I 25")"}, "Take the ramp on the left onto I 25"},
        {{"on ramp", "straight", 0, 88, R"("name":"","ref":"D5")"}, "Take the ramp onto D5"},
        {{"off ramp", "slight right", 0, 200, R"("name":"","exits":"135","destinations":"Colfax Avenue: Colfax")"},
         "Take exit 135 on the right towards Colfax"},
        {{"off ramp", "slight right", 0, 200, R"("name":"Chodovská","exits":"12A;12B")"},
         "Take exit 12A on the right onto Chodovská"},
        {{"off ramp", "slight left", 0, 150, R"("name":"","destinations":"D1, E50: Brno, Jihlava, Praha")"},
         "Take the exit on the left towards Brno, Jihlava"},
        {{"off ramp", "right", 0, 200}, "Take the exit on the right"},
        {{"fork", "slight left", 0, 350, R"("name":"","destinations":"A 7: Hamburg, Kiel")"},
         "Keep left at the fork towards Hamburg, Kiel"},
        {{"fork", "slight right", 0, 10, R"("name":"","ref":"D0")"}, "Keep right at the fork onto D0"},
        {{"fork", "straight", 0, 0, R"("name":"","ref":"D0")"}, "Keep straight at the fork onto D0"},
        {{"end of road", "left", 0, 268, R"("name":"Vinohradská")"},
         "At the end of the road, turn left onto Vinohradská"},
        {{"end of road", "right", 0, 88}, "At the end of the road, turn right"},
        // Roundabouts: ordinal exits, the rotary's name, and no exit step that
        // only repeats the entry.
        {{"roundabout", "right", 2, 30, R"("name":"Plzeňská")"},
         "At the roundabout, take the 2nd exit onto Plzeňská",
         Step{"exit roundabout", "right", 2, 268, R"("name":"Plzeňská")"}},
        {{"roundabout", "straight", 1, 30}, "At the roundabout, take the 1st exit"},
        {{"roundabout", "straight", 11, 30}, "At the roundabout, take exit 11"},
        {{"roundabout", "straight", 3, 30},
         "At the roundabout, take the 3rd exit",
         Step{"exit roundabout", "right", 3, 268, R"("name":"Jiráskova")"},
         "Exit the roundabout onto Jiráskova"},
        {{"rotary", "slight right", 3, 80,
          R"("name":"Avenue des Champs-Élysées","rotary_name":"Place Charles de Gaulle")"},
         "At Place Charles de Gaulle, take the 3rd exit onto Avenue des Champs-Élysées",
         Step{"exit rotary", "slight right", 3, 110, R"("name":"Avenue des Champs-Élysées")"}},
        {{"rotary", "straight", 0, 80, R"("name":"","rotary_name":"Náměstí Míru")"}, "Enter Náměstí Míru"},
        // A name is text as sent, whatever it holds.
        {{"rotary", "right", 12, 80, R"("name":"Via %3","rotary_name":"Piazza %2 Giugno")"},
         "At Piazza %2 Giugno, take exit 12 onto Via %3"},
        {{"roundabout turn", "left", 1, 268, R"("name":"Jiráskova")"}, "At the roundabout, turn left onto Jiráskova"},
        {{"roundabout turn", "straight", 2, 0}, "At the roundabout, go straight"},
        {{"roundabout turn", "uturn", 1, 0}, "At the roundabout, make a U-turn"},
        {{"use lane", "slight left", 0, 0}, "Keep left"},
        // Lane steps mostly go straight on: the lanes that lead on tell the side.
        {{"use lane", "straight", 0, 0, R"("name":"")",
          R"([{"valid":false,"indications":["left"]},{"valid":true,"indications":["straight"]},)"
          R"({"valid":false,"indications":["straight","right"]}])"},
         "Keep in the middle"},
        {{"use lane", "straight", 0, 0, R"("name":"","ref":"D1")",
          R"([{"valid":true,"indications":["straight"]},{"valid":false,"indications":["slight right"]}])"},
         "Keep left onto D1"},
        {{"use lane", "slight left", 0, 0, R"("name":"")",
          R"([{"valid":false,"indications":["left"]},{"valid":true,"indications":["none"]}])"},
         "Keep right"},
        // A loop ramp turns the driver round; its number and signs still lead the way.
        {{"off ramp", "uturn", 0, 180, R"("name":"","exits":"4A","destinations":"US 6: Golden")"},
         "Take exit 4A towards Golden"},
        {{"on ramp", "uturn", 0, 270, R"("name":"","ref":"I 70")"}, "Take the ramp onto I 70"},
    };

    // Each case is a leg of one real-shaped reply served from 127.0.0.1.
    QByteArray legs;
    QList<DirectionsStep> expected;
    for (const Case& c : cases) {
        QByteArray steps = realStep(c.step, 100);
        expected.append({QString::fromUtf8(c.expected), QString(), 100, PlannedRouteStep::automobile});
        if (c.next) {
            steps += ',' + realStep(*c.next, 40);
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
