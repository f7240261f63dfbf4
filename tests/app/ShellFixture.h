#pragma once

#include "app/AppUpdater.h"
#include "app/MainWindow.h"
#include "planner/PlannerFixture.h"
#include "platform/FixedPlaceSearchService.h"
#include "runtime/RuntimeInstaller.h"
#include "runtime/RuntimeLayout.h"
#include "runtime/RuntimeManifest.h"

#include <QNetworkAccessManager>

namespace ostrevin::test {

/// The main window over the planner's view model with fakes at every edge, and a
/// runtime that counts as installed unless a test says otherwise.
class ShellFixture : public PlannerFixture {
protected:
    void TearDown() override
    {
        window.reset();
        updater.reset();
        runtime.reset();
        PlannerFixture::TearDown();
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
        LocationPlannerViewModel::Dependencies deps = dependencies();
        deps.directions = directions;
        if (fileDialogs)
            deps.fileDialogs = fileDialogs;
        vm = std::make_unique<LocationPlannerViewModel>(deps, LocationPlannerViewModel::Services::leaveStopped);
        RuntimeInstaller::Configuration configuration;
        configuration.runtimeDirectory = runtimeFolder();
        configuration.resourceDirectory = dir.file(QStringLiteral("resources"));
        // Offline: an installation fails at its download.
        configuration.build.url = QUrl(QStringLiteral("http://127.0.0.1:9/python.tar.gz"));
        runtime = std::make_unique<RuntimeInstaller>(configuration);
        runtime->refresh();
        updater = std::make_unique<AppUpdater>(AppUpdater::Configuration{}, &networkAccess);
        window = std::make_unique<MainWindow>(*vm, *runtime, *updater, placeSearch);
        window->show();
        window->activateWindow();
    }

    QNetworkAccessManager networkAccess;
    DirectionsService* directions = nullptr;
    /// In place of the fake dialogs; it must outlive the view model.
    FileDialogs* fileDialogs = nullptr;
    /// Every search field of the window finds these.
    FixedPlaceSearchService placeSearch{{
        {QStringLiteral("Mainz"), QStringLiteral("Mainz"), QStringLiteral("Germany"), 50.0, 8.27},
        {QStringLiteral("Mailand"), QStringLiteral("Mailand"), QStringLiteral("Italy"), 45.46, 9.19},
        {QStringLiteral("Maidstone"), QStringLiteral("Maidstone"), QStringLiteral("England"), 51.27, 0.52},
    }};
    std::unique_ptr<RuntimeInstaller> runtime;
    std::unique_ptr<AppUpdater> updater;
    std::unique_ptr<MainWindow> window;
};

} // namespace ostrevin::test
