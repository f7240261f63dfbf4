#include "PlannerFixture.h"

#include <QDir>
#include <QFile>
#include <functional>

using namespace ostrevin;
using namespace ostrevin::test;

namespace {

using A = PlannerTestAccess;

class LibraryTest : public PlannerFixture {
protected:
    const RoutePoint home = makePoint(QStringLiteral("Home"), 50.0875, 14.4213);
    const RoutePoint office = makePoint(QStringLiteral("Office"), 50.1, 14.5);

    void saveLocation(LocationPlannerViewModel& model, const QString& name, const RoutePoint& point)
    {
        model.setSavedLocationName(name);
        model.saveLocation(point);
    }
    void saveRoute(LocationPlannerViewModel& model, const QString& name, const QList<RoutePoint>& points)
    {
        A::setPoints(model, points);
        model.setSavedRouteName(name);
        model.saveCurrentRouteAsNamed();
    }
    /// A regular file where the data folder must be: every write fails.
    void blockDataFolder()
    {
        ASSERT_TRUE(QDir(dir.file(QStringLiteral("data"))).removeRecursively());
        QFile blocker(dir.file(QStringLiteral("data")));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
};

TEST_F(LibraryTest, ASaveUnderATakenNameReplacesItButAsksFirstWhenTheContentDiffers)
{
    LocationPlannerViewModel& model = build();
    saveLocation(model, QStringLiteral("Home"), home);
    const QUuid firstID = model.savedLocations().first().id;

    // The same place under the same name in other letters: replaced silently.
    saveLocation(model, QStringLiteral(" home "), makePoint(QStringLiteral("Here"), home.latitude + 5e-7, home.longitude));
    ASSERT_EQ(model.savedLocations().size(), 1);
    EXPECT_EQ(model.savedLocations().first().name, QStringLiteral("home"));
    EXPECT_EQ(model.savedLocations().first().point.name, QStringLiteral("home"));
    EXPECT_NE(model.savedLocations().first().id, firstID);
    EXPECT_EQ(model.notice(), QStringLiteral("Location “home” is saved."));
    EXPECT_TRUE(model.savedLocationName().isEmpty());

    // Another place: nothing changes until the user answers.
    const auto before = model.savedLocations();
    saveLocation(model, QStringLiteral("HOME"), office);
    ASSERT_TRUE(model.pendingNameReplacement().has_value());
    EXPECT_EQ(model.pendingNameReplacement()->question, QStringLiteral("Replace “HOME”?"));
    EXPECT_EQ(model.savedLocations(), before);
    model.cancelNameReplacement();
    EXPECT_EQ(model.savedLocations(), before);
    EXPECT_EQ(model.savedLocationName(), QStringLiteral("HOME"));
    model.saveLocation(office);
    model.confirmNameReplacement();
    ASSERT_EQ(model.savedLocations().size(), 1);
    EXPECT_EQ(model.savedLocations().first().point.latitude, office.latitude);
    EXPECT_FALSE(model.pendingNameReplacement().has_value());

    // Routes follow the same rule; their content is the course of their points.
    saveRoute(model, QStringLiteral("Trip"), {home, office});
    saveRoute(model, QStringLiteral("trip"), {home, office});
    EXPECT_FALSE(model.pendingNameReplacement().has_value());
    saveRoute(model, QStringLiteral("TRIP"), {office, home});
    ASSERT_TRUE(model.pendingNameReplacement().has_value());
    model.confirmNameReplacement();
    ASSERT_EQ(model.savedRoutes().size(), 1);
    EXPECT_EQ(model.savedRoutes().first().name, QStringLiteral("TRIP"));
    EXPECT_EQ(model.savedRoutes().first().points, (QList<RoutePoint>{office, home}));
    EXPECT_EQ(store().load<SavedRoute>(store().savedRoutesPath()), model.savedRoutes());
}

TEST_F(LibraryTest, AFailedWriteLeavesTheListsAndNameFieldsAsTheyWere)
{
    LocationPlannerViewModel& model = build();
    saveLocation(model, QStringLiteral("Home"), home);
    saveRoute(model, QStringLiteral("Trip"), {home, office});
    A::saveCurrentRouteToHistory(model);
    const SavedLocation location = model.savedLocations().first();
    const SavedRoute route = model.savedRoutes().first();
    struct Case {
        const char* name;
        std::function<void(LocationPlannerViewModel&)> act;
        QString notice;
    };
    const QList<Case> cases{
        {"save a location", [&](auto& m) { m.saveLocation(office); }, QStringLiteral("Couldn’t save the location: ")},
        {"rename a location", [&](auto& m) { m.renameSavedLocation(location, QStringLiteral("Flat")); },
         QStringLiteral("Couldn’t save the location: ")},
        {"delete a location", [&](auto& m) { m.deleteSavedLocation(location); },
         QStringLiteral("Couldn’t delete the location: ")},
        {"save a route", [](auto& m) { m.saveCurrentRouteAsNamed(); }, QStringLiteral("Couldn’t save the route: ")},
        {"rename a route", [&](auto& m) { m.renameSavedRoute(route, QStringLiteral("Walk")); },
         QStringLiteral("Couldn’t save the route: ")},
        {"delete a route", [&](auto& m) { m.deleteSavedRoute(route); }, QStringLiteral("Couldn’t delete the route: ")},
        {"record the history", [](auto& m) { A::saveCurrentRouteToHistory(m); },
         QStringLiteral("Couldn’t save the history: ")},
    };
    model.setRouteName(QStringLiteral("Another title"));
    model.setSavedLocationName(QStringLiteral("Work"));
    model.setSavedRouteName(QStringLiteral("Commute"));
    const auto locations = model.savedLocations();
    const auto routes = model.savedRoutes();
    const auto history = model.history();
    blockDataFolder();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        model.setNotice(std::nullopt);
        c.act(model);
        ASSERT_TRUE(model.notice().has_value());
        EXPECT_TRUE(model.notice()->startsWith(c.notice)) << model.notice()->toStdString();
        EXPECT_EQ(model.savedLocations(), locations);
        EXPECT_EQ(model.savedRoutes(), routes);
        EXPECT_EQ(model.history(), history);
        EXPECT_EQ(model.savedLocationName(), QStringLiteral("Work"));
        EXPECT_EQ(model.savedRouteName(), QStringLiteral("Commute"));
    }
}

TEST_F(LibraryTest, ASetLocationIsRecordedAsThePointThatWasSet)
{
    struct Case {
        const char* name;
        QList<RoutePoint> draft;
        QString routeName;
        QString title;
    };
    const QList<Case> cases{
        {"the draft is that point", {office}, QStringLiteral("My office"), QStringLiteral("My office")},
        {"the point ends a longer route", {home, office}, QStringLiteral("Trip"), QStringLiteral("Office")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LocationPlannerViewModel& model = build();
        A::setHelperStatus(model, readyStatus());
        A::setPoints(model, c.draft);
        model.setRouteName(c.routeName);
        model.pushPointToIPhone(office);
        ASSERT_TRUE(eventually([&] { return !model.isDeviceBusy(); }));
        ASSERT_FALSE(model.history().isEmpty());
        EXPECT_EQ(model.history().first().title, c.title);
        EXPECT_EQ(model.history().first().points, QList<RoutePoint>{office});
    }
}

TEST_F(LibraryTest, EntriesLoadIntoTheDraftAndReplayOnTheIPhone)
{
    LocationPlannerViewModel& model = build();
    A::setHelperStatus(model, readyStatus());
    SavedRoute fast;
    fast.name = QStringLiteral("Fast");
    fast.speedKmh = 40;
    fast.speedProfile = RouteSpeedProfile::extreme;
    fast.transportMode = RouteTransportMode::walking;
    fast.points = {home, office};
    model.loadSavedRoute(fast);
    EXPECT_EQ(model.speedKmh(), 90);
    EXPECT_EQ(model.routeStartPoint(), home);
    EXPECT_EQ(model.routeDestinationPoint(), office);
    EXPECT_EQ(model.routePlanningSource(), QStringLiteral("The saved route is loaded."));

    // "Add to the route" adds a copy with an id of its own: the same place twice
    // makes two rows that are removed one at a time.
    SavedLocation park;
    park.point = makePoint(QStringLiteral("Park"), 50.2, 14.6);
    SavedLocation start;
    start.point = home;
    for (const SavedLocation& location : {park, start, park})
        model.addSavedLocationToRoute(location);
    ASSERT_EQ(model.points().size(), 5);
    EXPECT_NE(model.points().at(2).id, park.point.id);
    model.removePoint(model.points().at(2));
    ASSERT_EQ(model.points().size(), 4);
    EXPECT_EQ(model.points().last().name, QStringLiteral("Park"));

    RouteHistoryItem place;
    place.title = QStringLiteral("Office");
    place.points = {office};
    RouteHistoryItem trip = place;
    trip.title = QStringLiteral("Trip");
    trip.points = {home, office};
    model.reuseHistory(place);
    ASSERT_TRUE(eventually([&] { return !model.isDeviceBusy(); }));
    EXPECT_EQ(device.setPoints(), QList<RoutePoint>{office});
    EXPECT_EQ(model.routeName(), QStringLiteral("Office"));

    device.holdAnswers(true);
    model.reuseHistory(trip);
    EXPECT_TRUE(model.isIPhoneRouteRunning());
    EXPECT_EQ(model.routePlanningSource(), QStringLiteral("The route from history is loaded."));
    model.reuseHistory(place); // refused while the route plays
    EXPECT_EQ(model.points(), trip.points);
    EXPECT_EQ(device.calls().count(QStringLiteral("playRoute")), 1);
    device.holdAnswers(false);
    device.release();
    ASSERT_TRUE(waitFor(A::playbackFinished(model)));
}

} // namespace
