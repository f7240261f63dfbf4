// CPU time of a process that holds one location for 60 s with the fake
// pymobiledevice3: the held process runs, the watch loop verifies on its rhythm.
// Prints the share of one core used by this process and by the tools it ran.

#include "async/SystemClock.h"
#include "async/TimerScheduler.h"
#include "async/WorkerPool.h"
#include "devicebridge/DeviceLocationController.h"
#include "planner/LocationPlannerViewModel.h"
#include "platform/SettingsStore.h"
#include "routedata/RouteStore.h"
#include "support/FakeFileDialogs.h"
#include "support/FakeKeepAwake.h"
#include "support/FakeNetworkMonitor.h"
#include "support/FakePyMobileDevice.h"
#include "support/FakeReverseGeocoder.h"
#include "support/RecordingAlarmPresenter.h"
#include "support/RecordingSystemLog.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>

namespace ostrevin {

/// Reaches the device status that only a device check writes.
struct PlannerTestAccess {
    static void setHelperStatus(LocationPlannerViewModel& vm, const LocationHelperStatus& status)
    {
        vm.device().setHelperStatus(status);
    }
};

} // namespace ostrevin

using namespace ostrevin;

namespace {

double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    constexpr int holdSeconds = 60;

    test::TempDir dir;
    test::FakePyMobileDevice tool(dir.path());
    DeviceLocationController::Configuration configuration;
    configuration.timing.locationStartup = 0.8;
    configuration.temporaryFolder = dir.file(QStringLiteral("private-tmp"));
    QDir().mkpath(configuration.temporaryFolder);
    DeviceLocationController controller(configuration);

    RouteStore store(dir.file(QStringLiteral("data")));
    SettingsStore settings(dir.file(QStringLiteral("settings.conf")));
    SystemClock clock;
    TimerScheduler scheduler;
    WorkerPool pool;
    test::FakeKeepAwake keepAwake;
    test::FakeNetworkMonitor network;
    test::RecordingSystemLog systemLog;
    test::FakeReverseGeocoder geocoder;
    test::FakeFileDialogs dialogs;
    test::RecordingAlarmPresenter alarms;

    LocationPlannerViewModel::Dependencies deps;
    deps.store = &store;
    deps.settings = &settings;
    deps.clock = &clock;
    deps.scheduler = &scheduler;
    deps.workerPool = &pool;
    deps.keepAwake = &keepAwake;
    deps.networkMonitor = &network;
    deps.systemLog = &systemLog;
    deps.reverseGeocoder = &geocoder;
    deps.fileDialogs = &dialogs;
    deps.alarmPresenter = &alarms;
    deps.device = &controller;
    auto vm = std::make_unique<LocationPlannerViewModel>(deps, LocationPlannerViewModel::Services::leaveStopped);

    LocationHelperStatus ready;
    ready.helper = LocationHelper{};
    ready.helper->kind = LocationHelper::Kind::pyMobileDevice;
    ready.helper->executableURL = QUrl::fromLocalFile(tool.executable());
    ready.helper->deviceIdentifier = QStringLiteral("00008101-000A1B2C3D4E");
    ready.helper->connectionMode = LocationHelper::ConnectionMode::usbmux();
    ready.isDeviceConnected = true;
    ready.isLocationReady = true;
    PlannerTestAccess::setHelperStatus(*vm, ready);

    RoutePoint point;
    point.name = QStringLiteral("Bench");
    point.latitude = 50.0875;
    point.longitude = 14.4213;
    vm->pushPointToIPhone(point);
    QDeadlineTimer setDeadline(30000);
    while ((vm->device().isDeviceBusy() || !vm->hold().lockedPoint()) && !setDeadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!vm->hold().lockedPoint()) {
        std::printf("hold_idle: the location was not set: %s\n", qPrintable(vm->device().deviceActionMessage()));
        return 1;
    }

    const double selfBefore = cpuSeconds(RUSAGE_SELF);
    const double childrenBefore = cpuSeconds(RUSAGE_CHILDREN);
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(std::chrono::seconds(holdSeconds), &app, &QCoreApplication::quit);
    app.exec();
    const double elapsed = static_cast<double>(wall.elapsed()) / 1000.0;
    const double selfCpu = cpuSeconds(RUSAGE_SELF) - selfBefore;
    const double childrenCpu = cpuSeconds(RUSAGE_CHILDREN) - childrenBefore;

    std::printf("hold_idle: held %.0f s, %d verifications, process still held: %s\n", elapsed,
                vm->hold().lockRefreshCount(),
                controller.isPersistentLocationActive(ready.helper) == std::optional<bool>(true) ? "yes" : "no");
    std::printf("hold_idle: this process %.3f s CPU = %.2f %% of one core\n", selfCpu, 100.0 * selfCpu / elapsed);
    std::printf("hold_idle: tools it ran  %.3f s CPU = %.2f %% of one core\n", childrenCpu,
                100.0 * childrenCpu / elapsed);
    vm.reset();
    return 0;
}
