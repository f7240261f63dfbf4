#include "PlannerFixture.h"

using namespace ostrevin;
using namespace ostrevin::test;

namespace {

class SelectionTest : public PlannerFixture {};

Placemark placemark(std::optional<QString> name, std::optional<QString> thoroughfare, std::optional<QString> locality)
{
    return Placemark{std::move(name), std::move(thoroughfare), std::move(locality)};
}

TEST_F(SelectionTest, AClickOfflineKeepsTheGenericNameAndLooksNothingUp)
{
    FakeNetworkMonitor offline(false);
    auto deps = dependencies();
    deps.networkMonitor = &offline;
    vm = std::make_unique<LocationPlannerViewModel>(deps, LocationPlannerViewModel::Services::start);
    ManualClock::runPostedEvents();
    ASSERT_FALSE(vm->device().isOnline());
    vm->selectPlaceAt(50.0755, 14.4378);
    ASSERT_EQ(vm->draft().points().size(), 1);
    EXPECT_EQ(vm->draft().points().first().name, QStringLiteral("Selected place"));
    EXPECT_EQ(vm->draft().routeName(), QStringLiteral("Selected place"));
    EXPECT_TRUE(geocoder.lookups().isEmpty());
    vm.reset();
}

TEST_F(SelectionTest, TheLookedUpNameRenamesOnlyThePointStillShown)
{
    struct Case {
        const char* name;
        std::function<void(LocationPlannerViewModel&)> meanwhile;
        QString expectedName;
    };
    const QList<Case> cases{
        {"untouched", [](auto&) {}, QStringLiteral("Karlův most")},
        {"renamed by the user", [](auto& m) { m.renameSelectedPoint(QStringLiteral("My bridge")); },
         QStringLiteral("My bridge")},
        {"became the held point", [](auto& m) { PlannerTestAccess::holdPoint(m, m.draft().points().first(), false); },
         QStringLiteral("Selected place")},
        {"draft locked", [](auto& m) { PlannerTestAccess::setDeviceBusy(m, true); }, QStringLiteral("Selected place")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeReverseGeocoder lookups;
        auto deps = dependencies();
        deps.reverseGeocoder = &lookups;
        vm = std::make_unique<LocationPlannerViewModel>(deps, LocationPlannerViewModel::Services::leaveStopped);
        vm->selectPlaceAt(50.0865, 14.4114);
        ASSERT_EQ(lookups.lookups().size(), 1);
        c.meanwhile(*vm);
        lookups.answer(0, placemark(QStringLiteral("Karlův most"), std::nullopt, QStringLiteral("Praha")));
        ManualClock::runPostedEvents();
        EXPECT_EQ(vm->draft().points().first().name, c.expectedName);
        vm.reset();
    }
}

TEST_F(SelectionTest, ASecondClickCancelsTheFirstLookup)
{
    auto& model = build();
    model.selectPlaceAt(50.0, 14.0);
    model.selectPlaceAt(51.0, 15.0);
    ASSERT_EQ(geocoder.lookups().size(), 2);
    geocoder.answer(0, placemark(QStringLiteral("First"), std::nullopt, std::nullopt));
    ManualClock::runPostedEvents();
    EXPECT_EQ(model.draft().points().first().name, QStringLiteral("Selected place"));
    geocoder.answer(1, placemark(QStringLiteral(""), QStringLiteral("  "), QStringLiteral(" Brno ")));
    ManualClock::runPostedEvents();
    EXPECT_EQ(model.draft().points().first().name, QStringLiteral("Brno"));
    EXPECT_EQ(model.draft().routeName(), QStringLiteral("Brno"));
}

TEST_F(SelectionTest, ClickedLongitudesAreBroughtIntoRange)
{
    const QList<std::pair<double, double>> cases{{14.5, 14.5},   {190.0, -170.0},  {-190.0, 170.0}, {540.0, 180.0},
                                                 {180.0, 180.0}, {-180.0, -180.0}, {725.0, 5.0}};
    auto& model = build();
    for (const auto& [clicked, expected] : cases) {
        SCOPED_TRACE(clicked);
        model.selectPlaceAt(10.0, clicked);
        ASSERT_EQ(model.draft().points().size(), 1);
        EXPECT_DOUBLE_EQ(model.draft().points().first().longitude, expected);
        EXPECT_DOUBLE_EQ(geocoder.lookups().last().longitude, expected);
    }
    const auto before = model.draft().points();
    model.selectPlaceAt(std::nan(""), 10);
    model.selectPlaceAt(91, 10);
    EXPECT_EQ(model.draft().points(), before);
}

TEST_F(SelectionTest, AutomaticSendingSkipsTheLookup)
{
    auto& model = build();
    model.setAutoSendOnAdd(true);
    model.selectPlaceAt(50.0, 14.0);
    EXPECT_TRUE(geocoder.lookups().isEmpty());
    EXPECT_EQ(model.device().deviceActionMessage(),
              QStringLiteral("Point Selected place is added. You can set the location once iPhone is ready."));
}

} // namespace
