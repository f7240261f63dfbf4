#include "PlannerFixture.h"

#include <QDir>
#include <QFile>
#include <functional>

using namespace ostrevin;
using namespace ostrevin::test;
using namespace Qt::StringLiterals;

namespace {

using A = PlannerTestAccess;

class LibraryTest : public PlannerFixture {
protected:
    const RoutePoint home = makePoint(u"Home"_s, 50.0875, 14.4213);
    const RoutePoint office = makePoint(u"Office"_s, 50.1, 14.5);

    void saveLocation(const QString& name, const RoutePoint& point)
    {
        vm->setSavedLocationName(name);
        vm->saveLocation(point);
    }
    void saveRoute(const QString& name, const QList<RoutePoint>& points)
    {
        A::setPoints(*vm, points);
        vm->setSavedRouteName(name);
        vm->saveCurrentRouteAsNamed();
    }
};

TEST_F(LibraryTest, ASaveUnderATakenNameReplacesItButAsksFirstWhenTheContentDiffers)
{
    build();
    saveLocation(u"Home"_s, home);
    saveLocation(u" home "_s, makePoint(u"Here"_s, home.latitude + 5e-7, home.longitude)); // the same place
    ASSERT_EQ(vm->library().savedLocations().size(), 1);
    EXPECT_EQ(vm->library().savedLocations().first().point.name, u"home"_s);
    EXPECT_FALSE(vm->notice().has_value()) << "said only once the file holds it";
    EXPECT_TRUE(eventually([&] { return vm->notice() == u"Location “home” is saved."_s; }));

    // Another place under that name: nothing changes until the user answers.
    const auto before = vm->library().savedLocations();
    saveLocation(u"HOME"_s, office);
    EXPECT_EQ(vm->library().pendingNameReplacement().value_or(LocationLibrary::NameReplacement{}).question,
              u"Replace “HOME”?"_s);
    vm->cancelNameReplacement();
    EXPECT_EQ(vm->library().savedLocations(), before);
    EXPECT_EQ(vm->library().savedLocationName(), u"HOME"_s);
    vm->saveLocation(office);
    vm->confirmNameReplacement();
    ASSERT_EQ(vm->library().savedLocations().size(), 1);
    EXPECT_EQ(vm->library().savedLocations().first().point.latitude, office.latitude);

    // Routes alike; their content is the course of their points.
    saveRoute(u"Trip"_s, {home, office});
    saveRoute(u"trip"_s, {home, office});
    EXPECT_FALSE(vm->library().pendingNameReplacement().has_value());
    saveRoute(u"TRIP"_s, {office, home});
    vm->confirmNameReplacement();
    ASSERT_EQ(vm->library().savedRoutes().size(), 1);
    EXPECT_EQ(vm->library().savedRoutes().first().points, (QList<RoutePoint>{office, home}));
    EXPECT_EQ(store().load<SavedRoute>(store().savedRoutesPath()), vm->library().savedRoutes());
}

TEST_F(LibraryTest, AFailedWriteLeavesTheListsAndNameFieldsAsTheyWere)
{
    build();
    saveLocation(u"Home"_s, home);
    saveRoute(u"Trip"_s, {home, office});
    A::saveCurrentRouteToHistory(*vm);
    const SavedLocation location = vm->library().savedLocations().first();
    const SavedRoute route = vm->library().savedRoutes().first();
    const QList<std::pair<std::function<void()>, QString>> cases{
        {[&] { vm->saveLocation(office); }, u"Couldn’t save the location: "_s},
        {[&] { vm->renameSavedLocation(location, u"Flat"_s); }, u"Couldn’t save the location: "_s},
        {[&] { vm->deleteSavedLocation(location); }, u"Couldn’t delete the location: "_s},
        {[&] { vm->saveCurrentRouteAsNamed(); }, u"Couldn’t save the route: "_s},
        {[&] { vm->renameSavedRoute(route, u"Walk"_s); }, u"Couldn’t save the route: "_s},
        {[&] { vm->deleteSavedRoute(route); }, u"Couldn’t delete the route: "_s},
        {[&] { vm->pushPointToIPhone(office); }, u"Couldn’t save the history: "_s},
    };
    A::setHelperStatus(*vm, readyStatus());
    vm->setSavedLocationName(u"Work"_s);
    vm->setSavedRouteName(u"Commute"_s);
    const auto locations = vm->library().savedLocations();
    const auto routes = vm->library().savedRoutes();
    const auto history = vm->library().history();
    // A regular file where the data folder must be (once the saves above are on disk).
    ASSERT_TRUE(vm->store().waitForWrites(std::chrono::seconds(10)));
    ASSERT_TRUE(QDir(dir.file(u"data"_s)).removeRecursively());
    ASSERT_TRUE(writeFile(dir.file(u"data"_s), "not a folder"));
    QStringList said;
    QObject::connect(vm.get(), &LocationPlannerViewModel::noticeChanged,
                     [&] { said << vm->notice().value_or(QString()); });
    for (const auto& [act, notice] : cases) {
        SCOPED_TRACE(notice.toStdString());
        vm->setNotice(std::nullopt);
        act();
        ASSERT_TRUE(eventually([&] {
            return !vm->device().isDeviceBusy() && !vm->store().isWriting(vm->store().historyPath()) &&
                   vm->notice().value_or(QString()).startsWith(notice);
        }));
        EXPECT_EQ(vm->library().savedLocations(), locations);
        EXPECT_EQ(vm->library().savedRoutes(), routes);
        EXPECT_EQ(vm->library().history(), history);
        EXPECT_EQ(vm->library().savedLocationName(), u"Work"_s);
        EXPECT_EQ(vm->library().savedRouteName(), u"Commute"_s);
    }
    EXPECT_FALSE(said.join(u'\n').contains(u"is saved"_s)) << "a failed save never says it is saved";
}

TEST_F(LibraryTest, HistoryRecordsThePointThatWasSetAndAddedPlacesAreCopies)
{
    build();
    A::setHelperStatus(*vm, readyStatus());
    for (const auto& [draft, title] :
         QList<std::pair<QList<RoutePoint>, QString>>{{{office}, u"My office"_s}, {{home, office}, u"Office"_s}}) {
        A::setPoints(*vm, draft);
        vm->setRouteName(u"My office"_s);
        vm->pushPointToIPhone(office);
        ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));
        EXPECT_EQ(vm->library().history().first().title, title);
        EXPECT_EQ(vm->library().history().first().points, QList<RoutePoint>{office});
    }

    // The same saved place added twice makes two rows that are removed one at a time.
    SavedLocation park;
    park.point = makePoint(u"Park"_s, 50.2, 14.6);
    for (const RoutePoint& point : {park.point, home, park.point})
        vm->addSavedLocationToRoute(SavedLocation{{}, {}, {}, point});
    ASSERT_EQ(vm->draft().points().size(), 5);
    vm->removePoint(vm->draft().points().at(2));
    EXPECT_EQ(vm->draft().points().size(), 4);
    EXPECT_EQ(vm->draft().points().last().name, u"Park"_s);
}

} // namespace
