// The settings window's four tabs over a view model with a quiet machine behind it.

#include "SnapshotScenario.h"
#include "alerts/AlarmPresenter.h"
#include "app/WidgetFileDialogs.h"
#include "async/ReadyFuture.h"
#include "async/TimerScheduler.h"
#include "async/WorkerPool.h"
#include "devicebridge/DeviceLocationService.h"
#include "planner/LocationPlannerViewModel.h"
#include "platform/NetworkMonitor.h"
#include "platform/NullKeepAwake.h"
#include "platform/NullSystemLog.h"
#include "platform/ReverseGeocoder.h"
#include "platform/SettingsStore.h"
#include "routedata/RouteStore.h"
#include "runtime/RuntimeInstaller.h"
#include "views/kit/DisclosureGroup.h"
#include "views/settings/SettingsWindow.h"

#include <QTemporaryDir>

namespace ostrevin::snapshots {

namespace {

using namespace Qt::StringLiterals;

class StillWallClock final : public Clock {
public:
    explicit StillWallClock(const Clock& source) : m_source(source) {}
    SteadyTime steadyNow() const override { return m_source.steadyNow(); }
    QDateTime wallNow() const override { return m_source.wallNow(); }

private:
    const Clock& m_source;
};

class QuietNetwork final : public NetworkMonitor {
public:
    void start() override {}
    void stop() override {}
};

class NoGeocoder final : public ReverseGeocoder {
public:
    QFuture<std::optional<Placemark>> reverseGeocode(double, double) override
    {
        return readyFuture(std::optional<Placemark>());
    }
};

class NoAlarm final : public AlarmPresenter {
public:
    void present(const LocationSafetyAlarmEvent&, std::function<void()>) override {}
    void dismiss() override {}
};

/// No iPhone anywhere: every question gets the answer of an unplugged machine.
class NoDevice final : public DeviceLocationService {
public:
    QFuture<LocationHelperStatus> detectHelper() override { return readyFuture(LocationHelperStatus::missing()); }
    QFuture<bool> isDeviceReachable(const LocationHelper&) override { return readyFuture(false); }
    QFuture<LocationHelperStatus> checkDeviceConnection(const LocationHelper&, std::stop_token) override
    {
        return readyFuture(LocationHelperStatus::missing());
    }
    QFuture<LocationHelperStatus> prepareForLocation(const LocationHelper&, std::stop_token) override
    {
        return readyFuture(LocationHelperStatus::missing());
    }
    QFuture<QString> setLocation(const RoutePoint&, const LocationHelper&, std::stop_token) override
    {
        return readyFuture(QString());
    }
    QFuture<QString> clearLocation(const LocationHelper&, std::stop_token) override { return readyFuture(QString()); }
    QFuture<void> playRoute(const QList<RoutePoint>&, RouteSpeedProfile, RouteTransportMode, double,
                            const LocationHelper&, QObject*, PlaybackStarted, PlaybackProgress,
                            std::stop_token) override
    {
        return readyFuture();
    }
    std::optional<bool> isPersistentLocationActive(const std::optional<LocationHelper>&) const override
    {
        return std::nullopt;
    }
    void stopActiveProcess() override {}
    void stopPersistentLocationProcess() override {}
};

/// Everything the window stands on, owned by the window it is given to.
struct Machine final : QObject {
    explicit Machine(const SnapshotContext& context)
        : settings(dir.filePath(u"settings.conf"_s)), store(dir.filePath(u"data"_s)), clock(context.clock),
          runtime(RuntimeInstaller::Configuration{dir.filePath(u"Runtime"_s), dir.filePath(u"resources"_s)})
    {
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
        deps.alarmPresenter = &alarm;
        deps.device = &device;
        viewModel = std::make_unique<LocationPlannerViewModel>(deps, false);
    }

    QTemporaryDir dir;
    SettingsStore settings;
    RouteStore store;
    StillWallClock clock;
    TimerScheduler scheduler;
    WorkerPool pool;
    NullKeepAwake keepAwake;
    QuietNetwork network;
    NullSystemLog systemLog;
    NoGeocoder geocoder;
    WidgetFileDialogs dialogs;
    NoAlarm alarm;
    NoDevice device;
    RuntimeInstaller runtime;
    std::unique_ptr<LocationPlannerViewModel> viewModel;
};

std::unique_ptr<QWidget> settingsWindow(const SnapshotContext& context, SettingsTab tab,
                                        const std::function<void(Machine&)>& prepare = {},
                                        const QString& launchedWith = u"system"_s)
{
    auto* machine = new Machine(context);
    if (prepare)
        prepare(*machine);
    auto window = std::make_unique<SettingsWindow>(
        SettingsWindow::Services{*machine->viewModel, machine->runtime, machine->settings, [] {}, {}, launchedWith});
    // The machine goes after the window's pages, which it outlives as a later child.
    machine->setParent(window.get());
    window->setCurrentTab(tab);
    return window;
}

const RegisterScenario general(u"settings"_s, u"general"_s, [](const SnapshotContext& context) {
    return settingsWindow(context, SettingsTab::general);
});

const RegisterScenario restart(u"settings"_s, u"general-restart"_s, [](const SnapshotContext& context) {
    return settingsWindow(context, SettingsTab::general, {}, u"en"_s);
});

const RegisterScenario iPhone(u"settings"_s, u"iphone"_s, [](const SnapshotContext& context) {
    return settingsWindow(context, SettingsTab::iPhone);
});

const RegisterScenario alerts(u"settings"_s, u"alerts"_s, [](const SnapshotContext& context) {
    return settingsWindow(context, SettingsTab::alerts, [](Machine& machine) {
        machine.viewModel->setTelegramAlertsEnabled(true);
        machine.viewModel->setTelegramBotToken(u"123456789:AAH-snapshot-token-never-shown"_s);
        machine.viewModel->setTelegramChatID(u"987654321"_s);
    });
});

const RegisterScenario advanced(u"settings"_s, u"advanced"_s, [](const SnapshotContext& context) {
    return settingsWindow(context, SettingsTab::advanced, [](Machine& machine) {
        LocationPlannerViewModel& vm = *machine.viewModel;
        vm.logEvent(u"iPhone is ready for a location."_s, TrackerLogLevel::info);
        vm.logEvent(u"The location check didn’t get an answer from iPhone in time. Ostrevin keeps trying, and this "
                    "line is long enough to wrap onto a second one."_s,
                    TrackerLogLevel::warning);
        vm.logEvent(u"Couldn’t set the location: Device is not connected"_s, TrackerLogLevel::error);
    });
});

const RegisterScenario details(u"settings"_s, u"advanced-details"_s, [](const SnapshotContext& context) {
    std::unique_ptr<QWidget> window = settingsWindow(context, SettingsTab::advanced);
    window->findChild<kit::DisclosureGroup*>(u"technicalDetails"_s)->setExpanded(true);
    return window;
});

} // namespace

} // namespace ostrevin::snapshots
