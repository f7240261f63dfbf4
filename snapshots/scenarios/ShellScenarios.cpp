// The main window: the setup screen in each phase of the installation, the main
// content in each section with nothing in it yet, and the window in use: a route
// playing on the iPhone, and the device setup opened from the pill. The map shows
// generated tiles, so no picture goes on the network.

#include "ScenarioMachine.h"
#include "ScriptedPhone.h"
#include "SnapshotScenario.h"
#include "TownTiles.h"
#include "app/MainWindow.h"
#include "planner/LocationPlannerViewModel.h"
#include "planner/MainWindowState.h"
#include "routedata/SavedRoute.h"
#include "runtime/RuntimeInstaller.h"
#include "views/device/DeviceSetupPopover.h"
#include "views/device/DeviceStatusPill.h"
#include "views/kit/DisclosureGroup.h"
#include "views/map/MapWidget.h"
#include "views/map/WebMercator.h"
#include "views/route/RoutePanel.h"
#include "views/setup/RuntimeSetupRows.h"
#include "views/setup/RuntimeSetupView.h"

#include <QAbstractButton>
#include <QTimer>
#include <cmath>

namespace ostrevin::snapshots {

namespace {

using Phase = RuntimeInstaller::Phase;
using Step = RuntimeInstaller::Step;

/// Comes first among the shell's bases, so the phone outlives the view model.
struct PhoneHolder {
    ScriptedPhone phone;
};

/// The main window's machine; the scripted phone stands in for the device bridge
/// only when asked.
struct Shell : PhoneHolder, ScenarioMachine {
    Shell(const SnapshotContext& context, bool runtimeInstalled, bool scripted = false)
        : ScenarioMachine(context, runtimeInstalled, scripted ? &phone : nullptr)
    {
    }

    /// The window, which takes this shell with it when it goes.
    static std::unique_ptr<QWidget> window(std::unique_ptr<Shell> shell)
    {
        auto window =
            std::make_unique<MainWindow>(*shell->viewModel, *shell->runtime, *shell->updater, shell->placeSearch);
        keepWith(*window, std::move(shell));
        return window;
    }
};

/// Puts generated tiles under the map's final camera; they go with the window.
void coverMap(QWidget& window)
{
    auto* map = window.findChild<MapWidget*>();
    if (!map)
        return;
    auto tiles = std::make_unique<TownTiles>();
    tiles->cover(*map);
    keepWith(window, std::move(tiles));
}

/// A walk along the tiles' streets: the corners are whole blocks apart at zoom 15
/// (and so at every closer zoom), counted from the block that holds the start.
QList<RoutePoint> streetWalk()
{
    constexpr int zoom = 15;
    const QPointF origin = WebMercator::project({50.0872, 14.4205}, zoom);
    const double column = std::floor(origin.x() / TownTiles::blockWidth);
    const double row = std::floor(origin.y() / TownTiles::blockHeight);
    const QList<QPoint> corners{{0, 0}, {3, 0}, {3, 2}, {5, 2}, {5, 4}, {8, 4}, {8, 3}, {10, 3}, {10, 6}};
    QList<RoutePoint> points;
    for (const QPoint& corner : corners) {
        const QPointF world((column + corner.x()) * TownTiles::blockWidth, (row + corner.y()) * TownTiles::blockHeight);
        const auto coordinate = WebMercator::unproject(world, zoom);
        points << point(QStringLiteral("Point %1").arg(points.size() + 1), coordinate.latitude, coordinate.longitude);
    }
    points.front().name = QStringLiteral("Old Town Square");
    points.back().name = QStringLiteral("Vyšehrad");
    return points;
}

ScenarioFactory routePlaying()
{
    return [](const SnapshotContext& context) {
        auto shell = std::make_unique<Shell>(context, true, true);
        LocationPlannerViewModel& vm = *shell->viewModel;
        vm.refreshHelperStatus();
        runUntil([&vm] { return vm.device().lastDeviceCheck().has_value() && !vm.device().isCheckingDevice(); });
        SavedRoute walk;
        walk.name = QStringLiteral("Old Town → Vyšehrad");
        walk.transportMode = RouteTransportMode::walking;
        walk.speedProfile = RouteSpeedProfile::normal;
        walk.speedKmh = 5;
        walk.points = streetWalk();
        vm.startSavedRoute(walk);
        vm.windowState().setSection(AppSection::route);
        runUntil([&vm] { return vm.hold().iPhoneRouteProgress() > 0; });
        std::unique_ptr<QWidget> window = Shell::window(std::move(shell));
        // The arrival time, like every other time in the picture, is the still clock's.
        const Clock& clock = context.clock;
        window->findChild<RoutePanel*>()->setClock([&clock] { return clock.wallNow(); });
        // The size of the README's picture.
        window->setFixedSize(1280, 820);
        return window;
    };
}

ScenarioFactory deviceSetup()
{
    return [](const SnapshotContext& context) {
        auto shell = std::make_unique<Shell>(context, true, true);
        shell->phone.answer = phoneStatus(true, true, false);
        LocationPlannerViewModel& vm = *shell->viewModel;
        vm.refreshHelperStatus();
        runUntil([&vm] { return vm.device().lastDeviceCheck().has_value() && !vm.device().isCheckingDevice(); });
        return Shell::window(std::move(shell));
    };
}

/// The pill's popover opens where a click on the pill would open it.
void openDevicePopover(QWidget& window)
{
    coverMap(window);
    if (auto* pill = window.findChild<QAbstractButton*>(QStringLiteral("DeviceStatusPill")))
        pill->click();
}

/// The same with its details unfolded, which makes it as tall as it gets.
void openDeviceDetails(QWidget& window)
{
    openDevicePopover(window);
    if (auto* pill = window.findChild<DeviceStatusPill*>(); pill && pill->popover())
        pill->popover()->findChild<kit::DisclosureGroup*>()->setExpanded(true);
}

/// The notice of a GPX export saved deep in the folders, over the main window.
ScenarioFactory savedToALongPath()
{
    return [](const SnapshotContext& context) {
        auto shell = std::make_unique<Shell>(context, true);
        LocationPlannerViewModel* vm = shell->viewModel.get();
        std::unique_ptr<QWidget> window = Shell::window(std::move(shell));
        // Once the window is on screen, where the notice centres itself over it.
        QTimer::singleShot(0, window.get(), [vm] {
            vm->setNotice(QStringLiteral("The GPX file is saved.\n\n/home/anna.novakova/Documents/Exports/"
                                         "Cycling in South Bohemia/Ceske_Budejovice_Hluboka_nad_Vltavou_Tyn_nad_"
                                         "Vltavou_Cesky_Krumlov_Zlata_Koruna_Trebon_Jindrichuv_Hradec_and_back_along_"
                                         "the_river_2026.gpx"),
                          LocationPlannerViewModel::NoticeKind::information);
        });
        return window;
    };
}

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

/// What pip prints when it gives up after a long run: 16 KiB, the reason at its end.
QString longPipFailure()
{
    QStringList lines{QStringLiteral("The add-on component couldn’t be installed.")};
    for (int i = 1; lines.join(u'\n').size() < 16 * 1024; ++i)
        lines << QStringLiteral("  Downloading dependency-%1-1.0-py3-none-any.whl (%1 kB) from the index").arg(i);
    lines << QStringLiteral("ERROR: Could not find a version that satisfies the requirement pymobiledevice3==10.10.3");
    return lines.join(u'\n');
}

const RegisterScenario setupLongFailureLaptop(setup, QStringLiteral("failed-long-") + sizeName(smallScreens().at(0)),
                                              smallScreens().at(0), setupScreen(Phase::failed(longPipFailure())));
const RegisterScenario setupLongFailureNetbook(setup, QStringLiteral("failed-long-") + sizeName(smallScreens().at(1)),
                                               smallScreens().at(1), setupScreen(Phase::failed(longPipFailure())));

const RegisterScenario mainPlace(mainArea, QStringLiteral("place"), mainWindow(AppSection::place), coverMap);
const RegisterScenario mainRoute(mainArea, QStringLiteral("route"), mainWindow(AppSection::route), coverMap);
const RegisterScenario mainSaved(mainArea, QStringLiteral("saved"), mainWindow(AppSection::saved), coverMap);
const RegisterScenario mainHistory(mainArea, QStringLiteral("history"), mainWindow(AppSection::history), coverMap);
const RegisterScenario mainPanelHidden(mainArea, QStringLiteral("panel-hidden"), mainWindow(AppSection::route, false),
                                       coverMap);
// The window filling the small screens it must fit.
const RegisterScenario mainPlaceLaptop(mainArea, QStringLiteral("place-") + sizeName(smallScreens().at(0)),
                                       smallScreens().at(0), mainWindow(AppSection::place), coverMap);
const RegisterScenario mainRouteNetbook(mainArea, QStringLiteral("route-") + sizeName(smallScreens().at(1)),
                                        smallScreens().at(1), mainWindow(AppSection::route), coverMap);
const RegisterScenario mainRoutePlaying(mainArea, QStringLiteral("route-playing"), routePlaying(), coverMap);
const RegisterScenario mainDeviceSetup(mainArea, QStringLiteral("device-setup"), deviceSetup(), openDevicePopover);
const RegisterScenario mainNoticeNetbook(mainArea, QStringLiteral("notice-long-path-") + sizeName(smallScreens().at(1)),
                                         smallScreens().at(1), savedToALongPath(), coverMap);
const RegisterScenario mainDeviceDetailsNetbook(mainArea,
                                                QStringLiteral("device-details-") + sizeName(smallScreens().at(1)),
                                                smallScreens().at(1), deviceSetup(), openDeviceDetails);

} // namespace

} // namespace ostrevin::snapshots
