#include "app/CommandRules.h"

#include <gtest/gtest.h>

using namespace ostrevin;

TEST(CommandRules, EachMenuItemFollowsItsRule)
{
    using Facts = CommandRules::Facts;
    // Starts from an idle app with an installed runtime, a draft of one point, a
    // held location and an update check possible; each case changes one thing.
    const auto idle = [] {
        Facts facts;
        facts.routeDraftEmpty = false;
        facts.canPrepareIPhone = true;
        facts.canRunDeviceAction = true;
        facts.isLocationHeld = true;
        facts.isRuntimeInstalled = true;
        facts.canCheckForUpdates = true;
        return facts;
    };
    struct Case {
        const char* name;
        std::function<void(Facts&)> change;
        bool exportGPX, checkForUpdates, prepareIPhone, checkAgain, resetLocation;
    };
    const Case cases[] = {
        {"idle with a held location", [](Facts&) {}, true, true, true, true, true},
        {"empty route draft", [](Facts& f) { f.routeDraftEmpty = true; }, false, true, true, true, true},
        {"update check running", [](Facts& f) { f.canCheckForUpdates = false; }, true, false, true, true, true},
        {"iPhone cannot be prepared", [](Facts& f) { f.canPrepareIPhone = false; }, true, true, false, true, true},
        {"runtime not installed", [](Facts& f) { f.isRuntimeInstalled = false; }, true, true, false, false, true},
        {"route plays, nothing held",
         [](Facts& f) {
             f.isLocationHeld = false;
             f.isRouteRunning = true;
             f.canRunDeviceAction = false;
         },
         true, true, true, false, true},
        {"nothing held, no route", [](Facts& f) { f.isLocationHeld = false; }, true, true, true, true, false},
        {"reset already pending", [](Facts& f) { f.isResetPending = true; }, true, true, true, true, false},
        {"device busy", [](Facts& f) { f.isDeviceBusy = true; }, true, true, true, true, false},
        {"checking the device", [](Facts& f) { f.isCheckingDevice = true; }, true, true, true, true, false},
        {"planning a route",
         [](Facts& f) {
             f.isPlanningRoute = true;
             f.canRunDeviceAction = false;
         },
         true, true, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Facts facts = idle();
        c.change(facts);
        EXPECT_EQ(CommandRules::exportGPX(facts), c.exportGPX);
        EXPECT_EQ(CommandRules::checkForUpdates(facts), c.checkForUpdates);
        EXPECT_EQ(CommandRules::prepareIPhone(facts), c.prepareIPhone);
        EXPECT_EQ(CommandRules::checkAgain(facts), c.checkAgain);
        EXPECT_EQ(CommandRules::resetLocation(facts), c.resetLocation);
    }
}
