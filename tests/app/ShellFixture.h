#pragma once

#include "app/AppUpdater.h"
#include "app/MainWindow.h"
#include "async/WorkerPool.h"
#include "planner/LocationPlannerViewModel.h"
#include "platform/SettingsStore.h"
#include "routedata/AppSettings.h"
#include "routedata/RouteStore.h"
#include "runtime/RuntimeInstaller.h"
#include "runtime/RuntimeLayout.h"
#include "runtime/RuntimeManifest.h"
#include "support/FakeFileDialogs.h"
#include "support/FakeKeepAwake.h"
#include "support/FakeNetworkMonitor.h"
#include "support/FakeReverseGeocoder.h"
#include "support/ManualClock.h"
#include "support/RecordingAlarmPresenter.h"
#include "support/RecordingSystemLog.h"
#include "support/ScriptedDeviceLocationService.h"
#include "support/TempDir.h"

#include <QNetworkAccessManager>
#include <gtest/gtest.h>
#include <memory>

namespace ostrevin::test {

/// The main window over a view model with fakes at every edge and a runtime
/// that counts as installed unless a test says otherwise.
class ShellFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings = std::make_unique<SettingsStore>(dir.file(QStringLiteral("settings.conf")));
        store = std::make_unique<RouteStore>(dir.file(QStringLiteral("data")));
    }

    void TearDown() override
    {
        window.reset();
        updater.reset();
        runtime.reset();
        vm.reset();
    }

    /// A runtime folder whose manifest and launcher make it current.
    void installRuntime()
    {
        const RuntimeLayout layout(runtimeFolder());
        layout.writeLauncher();
        RuntimeManifest manifest;
        manifest.pythonVersion = QStringLiteral("3.12.14");
        manifest.helperVersion = QStringLiteral("10.10.3");
        manifest.installedAt = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
        layout.writeManifest(manifest);
    }

    QString runtimeFolder() const { return dir.file(QStringLiteral("Runtime")); }

    void build(bool runtimeInstalled = true)
    {
        if (runtimeInstalled)
            installRuntime();
        LocationPlannerViewModel::Dependencies deps;
        deps.store = store.get();
        deps.settings = settings.get();
        deps.clock = &clock;
        deps.scheduler = &clock;
        deps.workerPool = &pool;
        deps.keepAwake = &keepAwake;
        deps.networkMonitor = &network;
        deps.systemLog = &systemLog;
        deps.reverseGeocoder = &geocoder;
        deps.fileDialogs = &dialogs;
        deps.alarmPresenter = &alarms;
        deps.device = &device;
        vm = std::make_unique<LocationPlannerViewModel>(deps, false);
        RuntimeInstaller::Configuration configuration;
        configuration.runtimeDirectory = runtimeFolder();
        configuration.resourceDirectory = dir.file(QStringLiteral("resources"));
        runtime = std::make_unique<RuntimeInstaller>(configuration);
        runtime->refresh();
        updater = std::make_unique<AppUpdater>(AppUpdater::Configuration{}, &networkAccess);
        window = std::make_unique<MainWindow>(*vm, *runtime, *updater);
        window->show();
        window->activateWindow();
    }

    TempDir dir;
    std::unique_ptr<SettingsStore> settings;
    std::unique_ptr<RouteStore> store;
    ManualClock clock;
    WorkerPool pool;
    FakeKeepAwake keepAwake;
    FakeNetworkMonitor network;
    RecordingSystemLog systemLog;
    FakeReverseGeocoder geocoder;
    FakeFileDialogs dialogs;
    RecordingAlarmPresenter alarms;
    ScriptedDeviceLocationService device;
    QNetworkAccessManager networkAccess;
    std::unique_ptr<LocationPlannerViewModel> vm;
    std::unique_ptr<RuntimeInstaller> runtime;
    std::unique_ptr<AppUpdater> updater;
    std::unique_ptr<MainWindow> window;
};

} // namespace ostrevin::test
