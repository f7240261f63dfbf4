#include "app/TovrelApp.h"

#include "alerts/KeychainTokenStore.h"
#include "alerts/TelegramAlertService.h"
#include "app/AppLog.h"
#include "app/AppUpdater.h"
#include "app/FullScreenAlarm.h"
#include "app/LoggedAlarmPresenter.h"
#include "app/MainWindow.h"
#include "app/SettingsWindowOpener.h"
#include "app/WidgetFileDialogs.h"
#include "async/SystemClock.h"
#include "async/TimerScheduler.h"
#include "async/WorkerPool.h"
#include "planner/LocationPlannerViewModel.h"
#include "planner/OsrmDirectionsService.h"
#include "platform/PhotonPlaceSearchService.h"
#include "platform/PlatformFactory.h"
#include "platform/Relauncher.h"
#include "platform/ServiceEndpoints.h"
#include "platform/SettingsStore.h"
#include "process/OwnedProcessRegistry.h"
#include "routedata/AppLanguage.h"
#include "routedata/AppSettings.h"
#include "routedata/LegacyMigration.h"
#include "routedata/RouteStore.h"
#include "runtime/RuntimeInstaller.h"
#include "views/kit/Theme.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QTimer>

namespace ostrevin {

namespace {

/// How long quit waits for the data files' pending writes.
constexpr std::chrono::milliseconds quitWriteBound{3000};
/// How long the services wait for the window's first frame.
constexpr std::chrono::milliseconds servicesStartBound{1000};

} // namespace

TovrelApp::TovrelApp(Options options, QObject* parent) : QObject(parent), m_options(std::move(options))
{
    m_appearance = kit::Theme::createAppearance();
    const AppPaths& paths = m_options.paths;
    const QString domain = QString::fromUtf16(SettingsStore::appDomain);
    m_settings = std::make_unique<SettingsStore>(paths.settingsFile(domain));
    // One store per file: the formatter and the panels read it through AppSettings.
    AppSettings::setStandardStore(m_settings.get());
    // Before anything reads a stored setting or data file.
    LegacyMigration::runIfNeeded(paths, *m_settings, domain);
    // Before the first tool starts: a location process that a crashed run left
    // behind would drive the iPhone beside this run's. This is the only copy
    // running (the application object is built only then).
    if (const int ended = OwnedProcessRegistry::shared().takeOverLedger(
            QDir(paths.dataDirectory()).filePath(AppPaths::ownedProcessesFileName())))
        qCWarning(lcApp) << "ended" << ended << "tools that an earlier run left running";
    // Before the first text is made: the chosen language's translation, and the
    // choice this run started with (the settings window offers a restart until
    // the app really restarted).
    AppLanguage::installTranslation(*m_settings);

    m_store = std::make_unique<RouteStore>(paths.dataDirectory());
    m_clock = std::make_unique<SystemClock>();
    m_scheduler = std::make_unique<TimerScheduler>();
    m_workerPool = std::make_unique<WorkerPool>();
    m_keepAwake = PlatformFactory::createKeepAwake();
    m_networkMonitor = PlatformFactory::createNetworkMonitor();
    m_deviceAttachmentWatcher = PlatformFactory::createDeviceAttachmentWatcher();
    m_systemLog = PlatformFactory::createSystemLog();
    m_network = std::make_unique<QNetworkAccessManager>();
    m_reverseGeocoder = PlatformFactory::createReverseGeocoder(*m_network);
    m_placeSearch = std::make_unique<PhotonPlaceSearchService>(*m_network, ServiceEndpoints::geocoder());
    m_fileDialogs = std::make_unique<WidgetFileDialogs>();
    AlarmPresenter* alarm = m_options.alarmPresenter;
    if (!alarm) {
        // Built before the view model, which presents through it; its tones load
        // after the first frame, before any alarm can come.
        m_fullScreenAlarm = std::make_unique<FullScreenAlarm>(*m_scheduler, *m_clock, *m_settings);
        alarm = &m_fullScreenAlarm->presenter();
    }
    m_alarm = std::make_unique<LoggedAlarmPresenter>(*alarm);
    m_directions = OsrmDirectionsService::fromEnvironment(*m_network);
    m_device = std::make_unique<DeviceLocationController>(m_options.device);
    m_telegram = std::make_unique<TelegramAlertService>(m_network.get(), m_options.telegramBaseUrl.isEmpty()
                                                                             ? TelegramAlertService::defaultBaseUrl()
                                                                             : m_options.telegramBaseUrl);
    TelegramTokenStore* tokenStore = m_options.tokenStore;
    if (!tokenStore) {
        m_keychainTokenStore = std::make_unique<KeychainTokenStore>();
        tokenStore = m_keychainTokenStore.get();
    }

    LocationPlannerViewModel::Dependencies deps;
    deps.store = m_store.get();
    deps.settings = m_settings.get();
    deps.clock = m_clock.get();
    deps.scheduler = m_scheduler.get();
    deps.workerPool = m_workerPool.get();
    deps.keepAwake = m_keepAwake.get();
    deps.networkMonitor = m_networkMonitor.get();
    deps.deviceAttachmentWatcher = m_deviceAttachmentWatcher.get();
    deps.systemLog = m_systemLog.get();
    deps.reverseGeocoder = m_reverseGeocoder.get();
    deps.fileDialogs = m_fileDialogs.get();
    deps.alarmPresenter = m_alarm.get();
    deps.directions = m_directions.get();
    deps.device = m_device.get();
    deps.telegramAlertService = m_telegram.get();
    deps.telegramTokenStore = tokenStore;
    // Its services start once the window is on screen (show()).
    m_viewModel = std::make_unique<LocationPlannerViewModel>(deps, LocationPlannerViewModel::Services::leaveStopped);

    m_runtime = std::make_unique<RuntimeInstaller>(RuntimeInstaller::Configuration::standard(paths));
    // The manifest is read before the window first shows, so the setup screen
    // never flashes for an installed runtime.
    m_runtime->refresh();
    m_updater = std::make_unique<AppUpdater>(AppUpdater::Configuration::fromBuild(), m_network.get());

    // Last before the window, the first to need fonts: until here their listing
    // runs on a thread of its own (StartupWarmUp), and nothing before the window
    // reads the theme.
    m_theme = std::make_unique<kit::Theme>(*m_appearance);
    m_window = std::make_unique<MainWindow>(*m_viewModel, *m_runtime, *m_updater, *m_placeSearch);
    m_fileDialogs->setWindow(m_window.get());
    if (m_fullScreenAlarm)
        m_fullScreenAlarm->setAttentionWindow(m_window.get());
    connect(m_window.get(), &MainWindow::quitRequested, this, &TovrelApp::quit);
    // A relaunch is the orderly quit with a relauncher waiting for this process to end.
    new SettingsWindowOpener({*m_viewModel,
                              *m_runtime,
                              *m_settings,
                              [this] {
                                  Relauncher::startForThisProcess();
                                  quit();
                              },
                              {},
                              {}},
                             *m_window);
    // Whatever ends the event loop, the quit order runs before the objects go.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &TovrelApp::applicationWillTerminate);
}

TovrelApp::~TovrelApp()
{
    applicationWillTerminate();
    // Views first, then what they observe, then what the view model uses.
    m_window.reset();
    m_updater.reset();
    m_runtime.reset();
    m_viewModel.reset();
    // The view model's off-thread device work (a reset stopping the tools) may
    // still run: it must end while the device controller it calls exists.
    m_workerPool.reset();
    OwnedProcessRegistry::shared().releaseLedger();
    AppSettings::setStandardStore(nullptr);
    m_theme.reset();
    m_appearance.reset();
}

void TovrelApp::show()
{
    // The network monitor, the device check, the keyring read and the alarm tones
    // show nothing in the first frame, and starting them costs it time: they start
    // once it is painted, or after a bound should the window never be painted
    // (another workspace). Until then a held location waits, as it waits for the
    // check, so no alarm can come before the tones load.
    // One turn of the event loop later, when the frame is on screen.
    connect(m_window.get(), &MainWindow::firstFramePainted, this,
            [this] { QTimer::singleShot(0, this, &TovrelApp::startAfterFirstFrame); });
    QTimer::singleShot(servicesStartBound, this, &TovrelApp::startAfterFirstFrame);
    m_window->show();
    m_updater->start();
}

void TovrelApp::startAfterFirstFrame()
{
    m_viewModel->startServices();
    if (m_fullScreenAlarm)
        m_fullScreenAlarm->loadTones();
}

void TovrelApp::quit()
{
    m_window->setQuitConfirmed();
    applicationWillTerminate();
    QCoreApplication::exit(0);
}

void TovrelApp::applicationWillTerminate()
{
    if (m_terminated)
        return;
    m_terminated = true;
    qCInfo(lcApp) << "quitting";
    m_viewModel->stopMonitoringDeviceReadiness();
    // Also dismisses the alarm.
    m_viewModel->prepareForApplicationTermination();
    // An installation must not leave its tool running or a half-replaced runtime
    // behind; the installer ends its tool's process group when it goes.
    m_runtime->cancel();
    OwnedProcessRegistry::shared().terminateAllOwnedProcesses();
    // Saves the user was told of reach the disk, unless the disk hangs.
    if (!m_store->waitForWrites(quitWriteBound))
        qCWarning(lcApp) << "quitting with data files still being written";
}

} // namespace ostrevin
