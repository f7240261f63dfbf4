#pragma once

#include "devicebridge/DeviceLocationController.h"
#include "platform/AppPaths.h"

#include <QObject>
#include <QUrl>
#include <memory>

class QNetworkAccessManager;

namespace ostrevin {

namespace kit {
class Theme;
}

class AlarmPresenter;
class Appearance;
class AppUpdater;
class KeepAwake;
class LocationPlannerViewModel;
class LoggedAlarmPresenter;
class PlaceSearchService;
class FullScreenAlarm;
class DirectionsService;
class MainWindow;
class NetworkMonitor;
class DeviceAttachmentWatcher;
class ReverseGeocoder;
class RouteStore;
class RuntimeInstaller;
class SettingsStore;
class SystemClock;
class SystemLog;
class TelegramAlertService;
class TelegramTokenStore;
class TimerScheduler;
class WidgetFileDialogs;
class WorkerPool;

/// The application object: owns every long-lived object of the run, shows the
/// main window and ends the run in a fixed order. Built after the QApplication.
///
/// Start: the desktop's appearance and the colours that follow it come first,
/// so every widget is built in them; the migration of older data and settings runs
/// before anything is read; the device tools an earlier run that crashed left
/// running are ended, and this run's are listed from then on; then the store,
/// the view model over the real device controller, the runtime installer (its
/// manifest read before the window shows) and the updater; the window shows the
/// setup screen until the runtime is installed.
///
/// Quit (window closed, Quit, or SIGTERM/SIGINT/SIGHUP): the view model is told
/// first, so the loss of the location is never reported as an interruption; then
/// the alarm is dismissed, a running installation is cancelled and every device
/// tool the application owns is ended.
class TovrelApp : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TovrelApp)

public:
    struct Options {
        AppPaths paths = AppPaths::fromEnvironment();
        /// The alarm the view model raises; not owned, outlives the application
        /// object. Absent: the full-screen alarm.
        AlarmPresenter* alarmPresenter = nullptr;
        DeviceLocationController::Configuration device;
        /// Where the bot token is kept; not owned, outlives the application object.
        /// Absent: the desktop's keyring.
        TelegramTokenStore* tokenStore = nullptr;
        /// The Bot API host; empty: the public one.
        QUrl telegramBaseUrl;
    };

    explicit TovrelApp(Options options, QObject* parent = nullptr);
    ~TovrelApp() override;

    /// Shows the main window.
    void show();
    /// The orderly quit: no confirmation can stop it. Returns at once; the event
    /// loop ends with exit code 0.
    void quit();
    /// The quit order; runs once, also when the event loop ends some other way.
    void applicationWillTerminate();

    LocationPlannerViewModel& viewModel() const { return *m_viewModel; }
    RuntimeInstaller& runtime() const { return *m_runtime; }
    AppUpdater& updater() const { return *m_updater; }
    MainWindow& window() const { return *m_window; }

private:
    /// What waits for the window's first frame: the view model's services and the
    /// alarm tones' load. Runs once.
    void startAfterFirstFrame();

    Options m_options;
    bool m_terminated = false;
    std::unique_ptr<Appearance> m_appearance;
    std::unique_ptr<kit::Theme> m_theme;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<RouteStore> m_store;
    std::unique_ptr<SystemClock> m_clock;
    std::unique_ptr<TimerScheduler> m_scheduler;
    std::unique_ptr<WorkerPool> m_workerPool;
    std::unique_ptr<KeepAwake> m_keepAwake;
    std::unique_ptr<NetworkMonitor> m_networkMonitor;
    std::unique_ptr<DeviceAttachmentWatcher> m_deviceAttachmentWatcher;
    std::unique_ptr<SystemLog> m_systemLog;
    std::unique_ptr<QNetworkAccessManager> m_network;
    std::unique_ptr<ReverseGeocoder> m_reverseGeocoder;
    std::unique_ptr<PlaceSearchService> m_placeSearch;
    std::unique_ptr<WidgetFileDialogs> m_fileDialogs;
    std::unique_ptr<FullScreenAlarm> m_fullScreenAlarm;
    std::unique_ptr<LoggedAlarmPresenter> m_alarm;
    std::unique_ptr<DirectionsService> m_directions;
    std::unique_ptr<DeviceLocationController> m_device;
    std::unique_ptr<TelegramAlertService> m_telegram;
    std::unique_ptr<TelegramTokenStore> m_keychainTokenStore;
    std::unique_ptr<LocationPlannerViewModel> m_viewModel;
    std::unique_ptr<RuntimeInstaller> m_runtime;
    std::unique_ptr<AppUpdater> m_updater;
    std::unique_ptr<MainWindow> m_window;
};

} // namespace ostrevin
