#pragma once

namespace ostrevin {

class AlarmPresenter;
class Clock;
class DeviceAttachmentWatcher;
class DeviceLocationService;
class DirectionsService;
class FileDialogs;
class KeepAwake;
class NetworkMonitor;
class ReverseGeocoder;
class RouteStore;
class Scheduler;
class SettingsStore;
class SystemLog;
class TelegramAlertService;
class TelegramTokenStore;
class WorkerPool;

/// Everything the view model works with. None of it is owned: the application
/// creates these first and destroys them after the view model. The Telegram
/// service and token store may be absent (alerts then cannot be sent).
struct PlannerDependencies {
    RouteStore* store = nullptr;
    SettingsStore* settings = nullptr;
    Clock* clock = nullptr;
    Scheduler* scheduler = nullptr;
    WorkerPool* workerPool = nullptr;
    KeepAwake* keepAwake = nullptr;
    NetworkMonitor* networkMonitor = nullptr;
    SystemLog* systemLog = nullptr;
    ReverseGeocoder* reverseGeocoder = nullptr;
    FileDialogs* fileDialogs = nullptr;
    AlarmPresenter* alarmPresenter = nullptr;
    DeviceLocationService* device = nullptr;
    TelegramAlertService* telegramAlertService = nullptr;
    TelegramTokenStore* telegramTokenStore = nullptr;
    /// Plans routes; without one every planning fails as "no route".
    DirectionsService* directions = nullptr;
    /// Reports the held iPhone's unplugs as they happen; none: only the checks tell.
    DeviceAttachmentWatcher* deviceAttachmentWatcher = nullptr;
};

} // namespace ostrevin
