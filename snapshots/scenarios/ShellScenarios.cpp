// The main window: the setup screen in each phase of the installation, and the
// main content in each section (its panels are still empty here).

#include "ScenarioMachine.h"
#include "SnapshotScenario.h"
#include "app/AppUpdater.h"
#include "app/MainWindow.h"
#include "app/MessageAlarmPresenter.h"
#include "app/WidgetFileDialogs.h"
#include "async/TimerScheduler.h"
#include "async/WorkerPool.h"
#include "devicebridge/DeviceLocationController.h"
#include "planner/LocationPlannerViewModel.h"
#include "planner/MainWindowState.h"
#include "platform/NullKeepAwake.h"
#include "platform/NullSystemLog.h"
#include "platform/PlatformFactory.h"
#include "platform/SettingsStore.h"
#include "platform/SystemNetworkMonitor.h"
#include "routedata/RouteStore.h"
#include "runtime/RuntimeInstaller.h"
#include "runtime/RuntimeLayout.h"
#include "runtime/RuntimeManifest.h"
#include "views/setup/RuntimeSetupRows.h"
#include "views/setup/RuntimeSetupView.h"

#include <QNetworkAccessManager>
#include <QTemporaryDir>

namespace ostrevin::snapshots {

namespace {

using Phase = RuntimeInstaller::Phase;
using Step = RuntimeInstaller::Step;

/// The main window's machine.
struct Shell : ScenarioMachine {
    using ScenarioMachine::ScenarioMachine;

    /// The window, which takes this shell with it when it goes.
    static std::unique_ptr<QWidget> window(std::unique_ptr<Shell> shell)
    {
        auto window = std::make_unique<MainWindow>(*shell->viewModel, *shell->runtime, *shell->updater, shell->placeSearch);
        Shell* owned = shell.release();
        // After the window's children (which use the view model) are gone.
        QObject::connect(window.get(), &QObject::destroyed, [owned] { delete owned; });
        return window;
    }
};

ScenarioFactory setupScreen(Phase phase, QStringList logTail = {})
{
    return [phase, logTail](const SnapshotContext& context) {
        auto window = Shell::window(std::make_unique<Shell>(context, false));
        static_cast<MainWindow*>(window.get())->setupView()->showRows(RuntimeSetupRows::of(phase, logTail));
        return window;
    };
}

ScenarioFactory mainWindow(AppSection section, bool sidePanelVisible = true)
{
    return [section, sidePanelVisible](const SnapshotContext& context) {
        auto shell = std::make_unique<Shell>(context, true);
        shell->viewModel->windowState().setSection(section);
        shell->viewModel->windowState().setSidePanelVisible(sidePanelVisible);
        return Shell::window(std::move(shell));
    };
}

const QString setup = QStringLiteral("setup");
const QString mainArea = QStringLiteral("main");
const QString pipLine = QStringLiteral(
    "Downloading pymobiledevice3-10.10.3-py3-none-any.whl.metadata (16 kB) from the package index mirror");

const RegisterScenario setupChecking(setup, QStringLiteral("checking"), setupScreen(Phase::checking()));
const RegisterScenario setupNotInstalled(setup, QStringLiteral("not-installed"), setupScreen(Phase::notInstalled()));
const RegisterScenario setupDownloading(setup, QStringLiteral("downloading"),
                                        setupScreen(Phase::installing(Step::download, 0.42)));
const RegisterScenario setupVerifying(setup, QStringLiteral("verifying"), setupScreen(Phase::installing(Step::verify)));
const RegisterScenario setupExtracting(setup, QStringLiteral("extracting"),
                                       setupScreen(Phase::installing(Step::extract)));
const RegisterScenario setupComponents(setup, QStringLiteral("components"),
                                       setupScreen(Phase::installing(Step::components),
                                                   {QStringLiteral("Collecting pymobiledevice3"), pipLine}));
const RegisterScenario setupFinishing(setup, QStringLiteral("finishing"), setupScreen(Phase::installing(Step::finish)));
const RegisterScenario setupFailed(
    setup, QStringLiteral("failed"),
    setupScreen(Phase::failed(QStringLiteral("The add-on component couldn’t be installed.\n\nERROR: Could not find a "
                                             "version that satisfies the requirement pymobiledevice3==10.10.3"))));

const RegisterScenario mainPlace(mainArea, QStringLiteral("place"), mainWindow(AppSection::place));
const RegisterScenario mainRoute(mainArea, QStringLiteral("route"), mainWindow(AppSection::route));
const RegisterScenario mainSaved(mainArea, QStringLiteral("saved"), mainWindow(AppSection::saved));
const RegisterScenario mainHistory(mainArea, QStringLiteral("history"), mainWindow(AppSection::history));
const RegisterScenario mainPanelHidden(mainArea, QStringLiteral("panel-hidden"), mainWindow(AppSection::route, false));

} // namespace

} // namespace ostrevin::snapshots
