#pragma once

#include "SnapshotScenario.h"
#include "app/AppUpdater.h"
#include "app/MessageAlarmPresenter.h"
#include "app/WidgetFileDialogs.h"
#include "async/TimerScheduler.h"
#include "async/WorkerPool.h"
#include "devicebridge/DeviceLocationController.h"
#include "planner/LocationPlannerViewModel.h"
#include "platform/FixedPlaceSearchService.h"
#include "platform/NullKeepAwake.h"
#include "platform/NullSystemLog.h"
#include "platform/PlatformFactory.h"
#include "platform/SettingsStore.h"
#include "platform/SystemNetworkMonitor.h"
#include "routedata/RouteStore.h"
#include "runtime/RuntimeInstaller.h"
#include "runtime/RuntimeLayout.h"
#include "runtime/RuntimeManifest.h"

#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <QWidget>
#include <memory>

namespace ostrevin::snapshots {

/// Keeps something for as long as the window it is given to, and lets it go after
/// the window's other children, which may read it: QWidget announces destroyed()
/// before it deletes its children, too early for that.
template <typename Kept> void keepWith(QWidget& window, std::unique_ptr<Kept> kept)
{
    struct Keeper final : QObject {
        Keeper(QObject* parent, std::unique_ptr<Kept> what) : QObject(parent), kept(std::move(what)) {}
        std::unique_ptr<Kept> kept;
    };
    // Made last, deleted last.
    new Keeper(&window, std::move(kept));
}

/// Everything the windows stand on (view model, runtime installer, updater), in a
/// private folder, with no service started: nothing runs a tool or goes on the
/// network. The runtime counts as installed when asked; `phone`, when given, stands
/// in for the device bridge and outlives the machine.
struct ScenarioMachine {
    explicit ScenarioMachine(const SnapshotContext& context, bool runtimeInstalled,
                             DeviceLocationService* phone = nullptr)
        : clock(context.clock)
    {
        const QString runtimeFolder = folder.filePath(QStringLiteral("Runtime"));
        if (runtimeInstalled) {
            const RuntimeLayout layout(runtimeFolder);
            layout.writeLauncher();
            RuntimeManifest manifest;
            manifest.pythonVersion = QStringLiteral("3.12.14");
            manifest.helperVersion = QStringLiteral("10.10.3");
            manifest.installedAt = context.clock.wallNow();
            layout.writeManifest(manifest);
        }
        settings = std::make_unique<SettingsStore>(folder.filePath(QStringLiteral("settings.conf")));
        store = std::make_unique<RouteStore>(folder.filePath(QStringLiteral("data")));
        geocoder = PlatformFactory::createReverseGeocoder(network);
        LocationPlannerViewModel::Dependencies deps;
        deps.store = store.get();
        deps.settings = settings.get();
        deps.clock = &clock;
        deps.scheduler = &scheduler;
        deps.workerPool = &pool;
        deps.keepAwake = &keepAwake;
        deps.networkMonitor = &networkMonitor;
        deps.systemLog = &systemLog;
        deps.reverseGeocoder = geocoder.get();
        deps.fileDialogs = &dialogs;
        deps.alarmPresenter = &alarm;
        deps.device = phone ? phone : &device;
        viewModel = std::make_unique<LocationPlannerViewModel>(deps, LocationPlannerViewModel::Services::leaveStopped);
        RuntimeInstaller::Configuration configuration;
        configuration.runtimeDirectory = runtimeFolder;
        runtime = std::make_unique<RuntimeInstaller>(configuration);
        runtime->refresh();
        updater = std::make_unique<AppUpdater>(AppUpdater::Configuration{}, &network);
    }

    QTemporaryDir folder;
    ForwardingClock clock;
    TimerScheduler scheduler;
    WorkerPool pool;
    NullKeepAwake keepAwake;
    SystemNetworkMonitor networkMonitor;
    NullSystemLog systemLog;
    QNetworkAccessManager network;
    std::unique_ptr<ReverseGeocoder> geocoder;
    FixedPlaceSearchService placeSearch{{}};
    WidgetFileDialogs dialogs;
    MessageAlarmPresenter alarm;
    DeviceLocationController device;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<RouteStore> store;
    std::unique_ptr<LocationPlannerViewModel> viewModel;
    std::unique_ptr<RuntimeInstaller> runtime;
    std::unique_ptr<AppUpdater> updater;
};

} // namespace ostrevin::snapshots
