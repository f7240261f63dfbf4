#include "PlannerFixture.h"
#include "routedata/AppSettings.h"

#include <chrono>
#include <functional>

using namespace ostrevin;
using namespace ostrevin::test;
using namespace std::chrono_literals;

namespace {

class DeviceStatusTest : public PlannerFixture {};

LocationHelperStatus connectedStatus(bool ready, const QString& hint = {})
{
    LocationHelperStatus status = readyStatus();
    status.helper->deviceName = QStringLiteral("Ada’s iPhone");
    status.isLocationReady = ready;
    status.message = ready ? QString() : QStringLiteral("The iPhone is locked.");
    status.installHint = hint;
    return status;
}

TEST_F(DeviceStatusTest, ACheckRequestedWhileAnotherRunsIsDropped)
{
    device.detectedStatus = connectedStatus(true);
    device.holdAnswers(true);
    build();
    vm->refreshHelperStatus();
    ASSERT_EQ(device.calls(), QStringList{QStringLiteral("detectHelper")});
    const QString message = vm->device().deviceActionMessage();
    // A silent check shows nothing while it runs, so a visible one may be asked for.
    vm->refreshHelperStatus({.showProgress = true, .verifyLocationReadiness = true});
    EXPECT_EQ(device.calls().size(), 1);
    EXPECT_FALSE(vm->device().isCheckingDevice());
    EXPECT_EQ(vm->device().deviceActionMessage(), message);
    EXPECT_EQ(vm->deviceIndicatorState(), DeviceIndicatorState::working);
    EXPECT_EQ(vm->deviceBlockerMessage(), std::nullopt);

    device.holdAnswers(false);
    device.release();
    ManualClock::runPostedEvents();
    EXPECT_EQ(vm->device().helperStatus(), device.detectedStatus);
    EXPECT_EQ(vm->device().deviceActionMessage(), QStringLiteral("Ada’s iPhone is ready."));
    EXPECT_EQ(vm->device().lastDeviceCheck(), clock.wallNow());
    EXPECT_EQ(vm->deviceIndicatorState(), DeviceIndicatorState::ready);

    // The dropped request was not queued; the next one runs.
    EXPECT_EQ(device.calls().size(), 1);
    vm->refreshHelperStatus({.showProgress = true, .verifyLocationReadiness = false});
    ManualClock::runPostedEvents();
    EXPECT_EQ(device.calls().size(), 2);
    EXPECT_FALSE(vm->device().isCheckingDevice());
    EXPECT_FALSE(vm->device().isDeviceBusy());
}

TEST_F(DeviceStatusTest, ARestoredPointIsShownButHeldOnlyOnceACheckFindsTheIPhoneReady)
{
    const RoutePoint home = makePoint(QStringLiteral("Home"), 50.08, 14.42);
    AppSettings::setLockedPoint(home, *settings);
    for (const bool resetPending : {false, true}) {
        SCOPED_TRACE(resetPending);
        AppSettings::setResetPending(resetPending, *settings);
        ScriptedDeviceLocationService scripted;
        scripted.detectedStatus = connectedStatus(false);
        scripted.connectionStatus = connectedStatus(true);
        // A new launch holds nothing until the point is set again.
        scripted.persistentLocationActive = false;
        scripted.setStartsHeldProcess = true;
        auto deps = dependencies();
        deps.device = &scripted;
        vm = std::make_unique<LocationPlannerViewModel>(deps, LocationPlannerViewModel::Services::leaveStopped);
        EXPECT_EQ(vm->hold().lockedPoint(), home);
        EXPECT_EQ(keepAwake.active(), 0);

        vm->refreshHelperStatus();
        ASSERT_TRUE(eventually([&] { return vm->device().lastDeviceCheck().has_value(); }));
        // Set, held and verified once, before the check counts as finished.
        EXPECT_EQ(keepAwake.active(), resetPending ? 0 : 1);
        EXPECT_EQ(scripted.calls().contains(QStringLiteral("resendLocation")), !resetPending);
        EXPECT_EQ(scripted.calls().contains(QStringLiteral("isDeviceReachable")), !resetPending);
        EXPECT_EQ(vm->hold().lockFailureCount(), 0);
        EXPECT_EQ(vm->hold().lockedPoint(), home);
        vm.reset();
        EXPECT_EQ(keepAwake.active(), 0);
    }
}

TEST_F(DeviceStatusTest, CheckAgainVerifiesTheRestoredPointItHolds)
{
    const RoutePoint home = makePoint(QStringLiteral("Home"), 50.08, 14.42);
    AppSettings::setLockedPoint(home, *settings);
    device.detectedStatus = connectedStatus(true);
    device.connectionStatus = connectedStatus(true);
    device.persistentLocationActive = false;
    device.setStartsHeldProcess = true;
    build();
    vm->refreshHelperStatus({.showProgress = true, .verifyLocationReadiness = true});
    ASSERT_TRUE(eventually([&] { return vm->device().lastDeviceCheck().has_value(); }));
    EXPECT_TRUE(device.calls().contains(QStringLiteral("isDeviceReachable")));
    EXPECT_EQ(vm->hold().lockRefreshCount(), 1);
    EXPECT_EQ(vm->hold().lockFailureCount(), 0);
    EXPECT_EQ(vm->device().deviceActionMessage(), QStringLiteral("Location Home is verified."));
    EXPECT_FALSE(vm->device().isCheckingDevice());
    EXPECT_FALSE(vm->device().isDeviceBusy());
}

TEST_F(DeviceStatusTest, ACheckThatBeganBeforeAResetOrAPreparationFinishedDoesNotOverwriteIt)
{
    build();
    PlannerTestAccess::setHelperStatus(*vm, connectedStatus(true));
    device.holdAnswers(true);
    vm->refreshHelperStatus();
    device.holdAnswers(false);
    vm->clearIPhoneLocation();
    ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));
    ASSERT_FALSE(vm->hold().isLocationResetPending());

    // The check's answer (no helper) predates the reset's.
    device.release();
    ManualClock::runPostedEvents();
    EXPECT_EQ(vm->device().helperStatus(), connectedStatus(true));
    EXPECT_EQ(vm->device().deviceActionMessage(), QStringLiteral("Reset complete. iPhone is using its real location."));
    EXPECT_TRUE(vm->device().lastDeviceError().isEmpty());
    EXPECT_TRUE(vm->device().lastDeviceCheck().has_value());
    vm->refreshHelperStatus();
    EXPECT_EQ(device.calls().count(QStringLiteral("detectHelper")), 2);

    // Nor a successful Prepare iPhone: the readiness monitor's late answer would disable Set location.
    PlannerTestAccess::setHelperStatus(*vm, connectedStatus(false));
    device.preparedStatus = connectedStatus(true);
    device.holdAnswers(true);
    vm->refreshHelperStatus();
    device.holdAnswers(false);
    vm->prepareIPhoneForLocation();
    ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));
    device.release();
    ManualClock::runPostedEvents();
    EXPECT_EQ(vm->device().helperStatus(), connectedStatus(true));
    EXPECT_TRUE(vm->canChangeIPhoneLocation());
}

TEST_F(DeviceStatusTest, AnUnusableDeviceTurnsAutomaticSendingOffAndShowsTheHint)
{
    struct Case {
        const char* name;
        LocationHelperStatus detected;
        LocationHelperStatus connection;
        bool verify;
        QStringList calls;
        QString message;
        QString deviceError;
        bool keepsAutoSend;
        DeviceIndicatorState indicator;
    };
    const LocationHelperStatus missing = LocationHelperStatus::missing();
    const QList<Case> cases{
        {"no helper, verifying",
         missing,
         connectedStatus(true),
         true,
         {QStringLiteral("detectHelper")},
         QStringLiteral("Quit Ostrevin and open it again, then click Install."),
         missing.installHint,
         false,
         DeviceIndicatorState::needsSetup},
        {"connected, not ready, silent",
         connectedStatus(false, QStringLiteral("Unlock it.")),
         {},
         false,
         {QStringLiteral("detectHelper")},
         QStringLiteral("Click Prepare iPhone."),
         QString(),
         true,
         DeviceIndicatorState::needsSetup},
        {"not ready after verifying",
         connectedStatus(true),
         connectedStatus(false, QStringLiteral("Unlock it.")),
         true,
         {QStringLiteral("detectHelper"), QStringLiteral("checkDeviceConnection")},
         QStringLiteral("Click Prepare iPhone."),
         QStringLiteral("Unlock it."),
         false,
         DeviceIndicatorState::needsSetup},
        {"ready after verifying",
         connectedStatus(false),
         connectedStatus(true),
         true,
         {QStringLiteral("detectHelper"), QStringLiteral("checkDeviceConnection")},
         QStringLiteral("Ada’s iPhone is ready."),
         QString(),
         true,
         DeviceIndicatorState::ready},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedDeviceLocationService scripted;
        scripted.detectedStatus = c.detected;
        scripted.connectionStatus = c.connection;
        auto deps = dependencies();
        deps.device = &scripted;
        vm = std::make_unique<LocationPlannerViewModel>(deps, LocationPlannerViewModel::Services::leaveStopped);
        PlannerTestAccess::setHelperStatus(*vm, connectedStatus(true));
        PlannerTestAccess::setLastDeviceError(*vm, QStringLiteral("old error"));
        vm->setAutoSendOnAdd(true);
        vm->refreshHelperStatus({.showProgress = true, .verifyLocationReadiness = c.verify});
        ManualClock::runPostedEvents();
        EXPECT_EQ(scripted.calls(), c.calls);
        EXPECT_EQ(vm->device().deviceActionMessage(), c.message);
        EXPECT_EQ(vm->device().lastDeviceError(), c.deviceError);
        EXPECT_EQ(vm->autoSendOnAdd(), c.keepsAutoSend);
        EXPECT_EQ(vm->deviceIndicatorState(), c.indicator);
        EXPECT_EQ(vm->deviceBlockerMessage().has_value(), c.indicator != DeviceIndicatorState::ready);
        vm.reset();
    }
}

TEST_F(DeviceStatusTest, ThePreparationKeepsAutomaticSendingOnlyWhenItSucceeds)
{
    for (const bool succeeds : {true, false}) {
        SCOPED_TRACE(succeeds);
        ScriptedDeviceLocationService scripted;
        scripted.preparedStatus = connectedStatus(succeeds, QStringLiteral("Trust this computer."));
        auto deps = dependencies();
        deps.device = &scripted;
        vm = std::make_unique<LocationPlannerViewModel>(deps, LocationPlannerViewModel::Services::leaveStopped);
        PlannerTestAccess::setHelperStatus(*vm, connectedStatus(false));
        vm->setAutoSendOnAdd(true);
        scripted.holdAnswers(true);
        vm->prepareIPhoneForLocation();
        EXPECT_TRUE(vm->device().isDeviceBusy());
        EXPECT_EQ(vm->device().deviceActionMessage(), QStringLiteral("Preparing iPhone…"));
        scripted.holdAnswers(false);
        scripted.release();
        ManualClock::runPostedEvents();
        EXPECT_FALSE(vm->device().isDeviceBusy());
        EXPECT_EQ(vm->autoSendOnAdd(), succeeds);
        EXPECT_EQ(vm->device().deviceActionMessage(),
                  succeeds ? QStringLiteral("Ada’s iPhone is ready.") : QStringLiteral("Couldn’t prepare iPhone."));
        EXPECT_EQ(vm->device().lastDeviceError(), succeeds ? QString() : QStringLiteral("Trust this computer."));
        EXPECT_EQ(vm->eventLog().diagnosticEvents().first().level,
                  succeeds ? TrackerLogLevel::info : TrackerLogLevel::error);
        vm.reset();
    }

    // Without a connected iPhone nothing runs; the alert says why.
    build();
    PlannerTestAccess::setHelperStatus(*vm, connectedStatus(false));
    LocationHelperStatus unplugged = connectedStatus(false);
    unplugged.isDeviceConnected = false;
    PlannerTestAccess::setHelperStatus(*vm, unplugged);
    vm->prepareIPhoneForLocation();
    EXPECT_EQ(vm->notice(),
              QStringLiteral("iPhone isn’t connected. Connect it with a cable, unlock it, and try again."));
    EXPECT_FALSE(vm->device().isDeviceBusy());
    EXPECT_TRUE(device.calls().isEmpty());
}

TEST_F(DeviceStatusTest, TheReadinessMonitorChecksWhileNothingIsConnectedOrARestoredPointWaits)
{
    struct Case {
        const char* name;
        std::function<void(LocationPlannerViewModel&)> state;
        bool checks;
    };
    const QList<Case> cases{
        {"idle", [](auto&) {}, true},
        {"connected but not ready", [](auto& m) { PlannerTestAccess::setHelperStatus(m, connectedStatus(false)); },
         false},
        {"point held",
         [](auto& m) {
             PlannerTestAccess::setHelperStatus(m, connectedStatus(true));
             PlannerTestAccess::startLocationLock(m, makePoint(QStringLiteral("Home"), 1, 2), LocationHelper{}, true);
             // Its watch loop skips its ticks: only the monitor could call the device.
             PlannerTestAccess::setSafetyState(m, LocationSimulationSafetyState::resetting());
         },
         false},
        // Held and verified, but an unplug and plug usbmuxd reported during another
        // operation left the pill at "Not connected": the monitor finds the iPhone again.
        {"point held, the pill says not connected",
         [](auto& m) {
             PlannerTestAccess::startLocationLock(m, makePoint(QStringLiteral("Home"), 1, 2), LocationHelper{}, true);
             PlannerTestAccess::setSafetyState(m, LocationSimulationSafetyState::resetting());
         },
         true},
        // After a relaunch the point is shown but nothing holds it: the iPhone it
        // waits for must be found when it is plugged in, also while another is.
        {"restored point, nothing held",
         [](auto& m) { PlannerTestAccess::holdPoint(m, makePoint(QStringLiteral("Home"), 1, 2), false); }, true},
        {"restored point, connected but not ready",
         [](auto& m) {
             PlannerTestAccess::holdPoint(m, makePoint(QStringLiteral("Home"), 1, 2), false);
             PlannerTestAccess::setHelperStatus(m, connectedStatus(false));
         },
         true},
        // Finishing the reset needs the iPhone: the pill must show it once it is plugged in.
        {"reset pending", [](auto& m) { PlannerTestAccess::setResetPending(m, true); }, true},
        {"device busy", [](auto& m) { PlannerTestAccess::setDeviceBusy(m, true); }, false},
        {"checking", [](auto& m) { PlannerTestAccess::setCheckingDevice(m, true); }, false},
        {"route planned", [](auto& m) { PlannerTestAccess::setPlanning(m, true); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedDeviceLocationService scripted;
        auto deps = dependencies();
        deps.device = &scripted;
        vm = std::make_unique<LocationPlannerViewModel>(deps, LocationPlannerViewModel::Services::leaveStopped);
        c.state(*vm);
        vm->monitorDeviceReadiness();
        const auto checks = [&] { return scripted.calls().count(QStringLiteral("detectHelper")); };
        clock.advance(29s);
        EXPECT_EQ(checks(), 0);
        clock.advance(1s);
        ManualClock::runPostedEvents();
        EXPECT_EQ(checks(), c.checks ? 1 : 0);
        clock.advance(30s);
        ManualClock::runPostedEvents();
        EXPECT_EQ(checks(), c.checks ? 2 : 0);
        // Hiding the window ends the monitor.
        vm->stopMonitoringDeviceReadiness();
        PlannerTestAccess::stopLocationLock(*vm);
        ManualClock::runPostedEvents();
        clock.advance(60s);
        ManualClock::runPostedEvents();
        EXPECT_EQ(checks(), c.checks ? 2 : 0);
        EXPECT_EQ(clock.pendingSleeps(), 0);
        vm.reset();
    }
}

} // namespace
