#pragma once

// The view model on the manual clock drives the real device controller, a
// pymobiledevice3 that sees only what is attached and whose held set outlives an
// unplug, and a pkexec that counts how often the user would have been asked for
// a password.

#include "PlannerFixture.h"
#include "alerts/TelegramAlertService.h"
#include "devicebridge/DeviceLocationController.h"
#include "support/FakeDeviceAttachmentWatcher.h"
#include "support/FakePyMobileDevice.h"
#include "support/FakeTool.h"
#include "support/SandboxedDevice.h"

namespace ostrevin::test {

using namespace std::chrono_literals;

inline const QString udid = QStringLiteral("00008101-000A1B2C3D4E");

class RealDeviceFixture : public PlannerFixture {
protected:
    using Command = FakePyMobileDevice::Command;
    using Behaviour = FakePyMobileDevice::Behaviour;
    /// Home as the iPhone uses it once set.
    inline static const QString homeOnIPhone = QStringLiteral("50.087500 14.421300");

    RealDeviceFixture() : tool(dir.file(QStringLiteral("tools"))) {}

    void SetUp() override
    {
        PlannerFixture::SetUp();
        tool.setAttachedDevices({{udid}});
        pkexec.write();

        sandbox(configuration, dir.path(), dir.file(QStringLiteral("tools")), pkexec.path());
        // A failing set is told from a held one only by its end within start-up:
        // on a loaded machine a fake that fails may take a few tenths to get there.
        configuration.timing.locationStartup = 1.0;
        configuration.timing.readinessBudget = 0.5;
        relaunch();
    }

    /// A new view model over the same settings and a new controller, as after a
    /// restart of the app: nothing is held any more.
    void relaunch()
    {
        vm.reset();
        controller.reset();
        controller = std::make_unique<DeviceLocationController>(configuration);
        auto deps = dependencies();
        deps.device = controller.get();
        deps.deviceAttachmentWatcher = &watcher;
        if (alerts)
            deps.telegramAlertService = alerts;
        vm = std::make_unique<LocationPlannerViewModel>(deps, LocationPlannerViewModel::Services::leaveStopped);
    }

    void TearDown() override
    {
        vm.reset();
        controller.reset();
    }

    /// Checks the iPhone and holds Home on it.
    void holdHome()
    {
        vm->refreshHelperStatus({.showProgress = true, .verifyLocationReadiness = true});
        ASSERT_TRUE(eventually([&] { return !vm->device().isCheckingDevice(); }));
        ASSERT_TRUE(vm->device().helperStatus().isAvailable()) << vm->device().helperStatus().installHint.toStdString();
        vm->pushPointToIPhone(makePoint(QStringLiteral("Home"), 50.0875, 14.4213));
        ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));
        ASSERT_TRUE(vm->hold().lockedPoint().has_value()) << vm->device().deviceActionMessage().toStdString();
    }

    /// The cable is pulled: the iPhone is gone and drops the location, while the
    /// held set keeps running, as the real tool's does.
    void unplug()
    {
        tool.unplug();
        ASSERT_EQ(controller->isPersistentLocationActive(vm->device().helperStatus().helper),
                  std::optional<bool>(true));
    }

    /// Ticks until the outage opens its incident.
    void tickUntilIncident()
    {
        for (int second = 0; second < 60 && !vm->hold().telegramIncidentActive(); second += 2)
            ASSERT_TRUE(tick()) << second;
        ASSERT_TRUE(vm->hold().telegramIncidentActive());
    }

    /// Advances the clock one watch tick and waits until the loop sleeps again.
    bool tick()
    {
        clock.advance(2s);
        return eventually([&] { return clock.pendingSleeps() == 1 && !vm->hold().isLocationLockRefreshing(); });
    }

    FakePyMobileDevice tool;
    FakeDeviceAttachmentWatcher watcher;
    FakeTool pkexec{dir.path(), QStringLiteral("pkexec")};
    DeviceLocationController::Configuration configuration;
    /// The Telegram alerts' service a relaunch gives the view model, if any.
    TelegramAlertService* alerts = nullptr;
    std::unique_ptr<DeviceLocationController> controller;
};

} // namespace ostrevin::test
