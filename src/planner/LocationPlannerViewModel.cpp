#include "planner/LocationPlannerViewModel.h"

#include "alerts/AlarmPresenter.h"
#include "alerts/TelegramAlertConfiguration.h"
#include "planner/LocationPlannerViewModel_Private.h"
#include "planner/MainWindowState.h"
#include "planner/ObservableField.h"
#include "platform/KeepAwakeToken.h"
#include "platform/NetworkMonitor.h"
#include "platform/SettingsStore.h"
#include "routedata/AppSettings.h"
#include "routedata/RouteMapPresentation.h"
#include "routedata/RouteStore.h"

namespace ostrevin {

LocationPlannerViewModel::LocationPlannerViewModel(const Dependencies& dependencies, Services services, QObject* parent)
    : QObject(parent), d(std::make_unique<Private>(*this)), m_deps(dependencies),
      m_mapPresentation(std::make_unique<RouteMapPresentation>()), m_windowState(std::make_unique<MainWindowState>()),
      m_draft(std::make_unique<RouteDraft>()), m_library(std::make_unique<LocationLibrary>()),
      m_telegram(std::make_unique<TelegramSettingsModel>()), m_device(std::make_unique<DeviceState>()),
      m_hold(std::make_unique<LocationHoldState>()), m_eventLog(std::make_unique<EventLog>()),
      m_presets(PresetLocation::defaults()), m_speedProfiles{RouteSpeedProfile::slow, RouteSpeedProfile::normal,
                                                             RouteSpeedProfile::fast, RouteSpeedProfile::extreme},
      m_transportModes{RouteTransportMode::automobile, RouteTransportMode::walking, RouteTransportMode::transit}
{
    Q_ASSERT(m_deps.store && m_deps.settings && m_deps.clock && m_deps.scheduler && m_deps.workerPool &&
             m_deps.keepAwake && m_deps.networkMonitor && m_deps.systemLog && m_deps.reverseGeocoder &&
             m_deps.fileDialogs && m_deps.alarmPresenter && m_deps.device);
    SettingsStore& settings = *m_deps.settings;
    //: Default name of a new route (editable text field).
    m_draft->setRouteName(tr("New route"));
    //: Route planning status.
    m_draft->setRoutePlanningSource(tr("Choose a start on the map."));
    //: Telegram alerts status line (Tools › Telegram alerts).
    m_telegram->setStatusMessage(tr("Telegram alerts aren’t set up."));
    //: Status message and status card detail when there are no points.
    m_device->setDeviceActionMessage(tr("Choose a place on the map."));

    // Settings defaults; the change handlers run as for any other assignment.
    setSelectedTransportMode(AppSettings::defaultTravelMode(settings));
    setSelectedSpeedProfile(AppSettings::defaultSpeedProfile(settings));
    if (const auto interval = AppSettings::storedLockRefreshInterval(settings))
        setLockRefreshIntervalSeconds(*interval);
    // Settings and a reset of all data write the units to the store directly.
    connect(&settings, &SettingsStore::valueChanged, this, [this](const QString& key) {
        if (key == AppSettings::name(AppSettings::Key::units))
            emit unitsChanged();
    });

    d->loadLists();
    d->restoreTelegramSettings();
    d->restoreHeldPoint();
    m_hold->setLocationResetPending(AppSettings::isResetPending(settings));

    if (m_hold->isLocationResetPending()) {
        //: Status message at launch.
        m_device->setDeviceActionMessage(
            tr("The previous location reset didn’t finish. Connect iPhone to finish the reset."));
    } else if (m_hold->lockedPoint()) {
        //: Status message at launch.
        m_device->setDeviceActionMessage(
            tr("The location from the last session will be restored once iPhone is connected and prepared."));
    }

    d->startWatchingDeviceAttachment();

    //: Event log entry.
    logEvent(tr("App launched."), TrackerLogLevel::info);

    const QStringList recovery = m_deps.store->recoveryMessages();
    if (!recovery.isEmpty()) {
        const QString joined = recovery.join(QStringLiteral("\n\n"));
        setNotice(joined);
        logEvent(joined, TrackerLogLevel::warning);
    }

    m_mapPresentation->updateRoute(m_draft->points());
    d->syncMapInteractionPresentation();

    if (services == Services::start)
        startServices();
}

void LocationPlannerViewModel::startServices()
{
    if (d->m_servicesStarted)
        return;
    d->m_servicesStarted = true;
    d->startNetworkMonitoring();
    refreshHelperStatus();
    loadTelegramTokenWithoutBlockingLaunch();
}

LocationPlannerViewModel::~LocationPlannerViewModel()
{
    for (TaskSlot* slot :
         {&d->m_routePlaybackTask, &d->m_locationLockTask, &d->m_telegramAlertTask, &d->m_telegramTokenLoadTask,
          &d->m_routePlanningTimeoutTask, &d->m_placeNameTask, &d->m_exportTask})
        slot->cancel();
    disconnect(m_deps.networkMonitor, nullptr, this, nullptr);
    m_deps.networkMonitor->stop();
    if (d->m_locationLockActivity)
        d->m_locationLockActivity->end();
}

void LocationPlannerViewModel::Private::loadLists()
{
    RouteStore& store = *q.m_deps.store;
    q.m_library->setHistory(store.load<RouteHistoryItem>(store.historyPath()));
    q.m_library->setSavedLocations(store.load<SavedLocation>(store.savedLocationsPath()));
    q.m_library->setSavedRoutes(store.load<SavedRoute>(store.savedRoutesPath()));
}

void LocationPlannerViewModel::Private::restoreTelegramSettings()
{
    SettingsStore& settings = *q.m_deps.settings;
    const QString chatID = AppSettings::telegramChatID(settings);
    const bool enabled = AppSettings::isTelegramEnabled(settings);
    // Written back only where the stored form differs: the same values written at
    // every launch would rewrite the settings file, synced to disk, at every start.
    if (!settings.contains(telegramChatIDStorageKey()) || !settings.contains(telegramEnabledStorageKey()) ||
        chatID != chatID.trimmed()) {
        q.setTelegramChatID(chatID);
        q.setTelegramAlertsEnabled(enabled);
        return;
    }
    q.m_telegram->setChatID(chatID);
    q.m_telegram->setAlertsEnabled(enabled);
}

void LocationPlannerViewModel::Private::restoreHeldPoint()
{
    // Unreadable or out-of-range data counts as no held point; the key stays until
    // the next hold replaces it.
    setLockedPoint(AppSettings::lockedPoint(*q.m_deps.settings));
}

void LocationPlannerViewModel::Private::startNetworkMonitoring()
{
    // Queued: a monitor reports at once from start(), and that report belongs
    // after the launch, not before "App launched.".
    connect(q.m_deps.networkMonitor, &NetworkMonitor::reachabilityReported, &q,
            &LocationPlannerViewModel::handleReachability, Qt::QueuedConnection);
    q.m_deps.networkMonitor->start();
}

void LocationPlannerViewModel::handleReachability(bool online)
{
    if (online == m_device->isOnline())
        return;
    m_device->setOnline(online);
    if (online) {
        //: Event log entry.
        logEvent(tr("Internet connection restored."), TrackerLogLevel::info);
    } else {
        //: Event log entry.
        logEvent(tr("No internet connection."), TrackerLogLevel::warning);
    }
}

bool LocationPlannerViewModel::isDeviceOperationInProgress() const
{
    return m_device->isDeviceBusy() || m_device->isCheckingDevice() || m_hold->isLocationLockRefreshing();
}

bool LocationPlannerViewModel::isSimulationActive() const
{
    return m_hold->lockedPoint().has_value() || m_hold->isIPhoneRouteRunning() || m_hold->isLocationResetPending();
}

bool LocationPlannerViewModel::canEditRouteDraft() const
{
    // The background verification of a held point leaves editing alone: it runs
    // every few seconds, and typing or clicking the map must not stall meanwhile.
    // Actions that drive the iPhone keep the full gate below.
    return !m_hold->isIPhoneRouteRunning() && !m_isPlanningAddressRoute && !m_device->isDeviceBusy() &&
           !m_device->isCheckingDevice();
}

bool LocationPlannerViewModel::canRunDeviceAction() const
{
    return canEditRouteDraft() && !m_hold->isLocationLockRefreshing();
}

bool LocationPlannerViewModel::canChangeIPhoneLocation() const
{
    return m_device->helperStatus().isAvailable() && canRunDeviceAction() && !m_hold->isLocationResetPending();
}

bool LocationPlannerViewModel::canPrepareIPhone() const
{
    return m_device->helperStatus().helper.has_value() && m_device->helperStatus().isDeviceConnected &&
           !m_device->helperStatus().isLocationReady && canRunDeviceAction();
}

// Setters with side effects.

void LocationPlannerViewModel::Private::setLockedPoint(const std::optional<RoutePoint>& value)
{
    q.m_hold->setLockedPoint(value);
    q.m_mapPresentation->updateHeldPoint(q.m_hold->lockedPoint());
}

void LocationPlannerViewModel::Private::setRouteLivePoint(const std::optional<RoutePoint>& value)
{
    q.m_hold->setRouteLivePoint(value);
    q.m_mapPresentation->updateLivePoint(q.m_hold->routeLivePoint());
}

void LocationPlannerViewModel::setLockRefreshIntervalSeconds(double value)
{
    // Stored unclamped; readers clamp.
    m_hold->setLockRefreshIntervalSeconds(value);
    AppSettings::setLockRefreshInterval(value, *m_deps.settings);
}

void LocationPlannerViewModel::Private::setPlanningAddressRoute(bool value)
{
    assignObservable(&q, q.m_isPlanningAddressRoute, value, &LocationPlannerViewModel::isPlanningAddressRouteChanged);
    syncMapInteractionPresentation();
}

void LocationPlannerViewModel::Private::setIPhoneRouteRunning(bool value)
{
    q.m_hold->setIPhoneRouteRunning(value);
    syncMapInteractionPresentation();
}

void LocationPlannerViewModel::Private::setDeviceBusy(bool value)
{
    q.m_device->setDeviceBusy(value);
    syncMapInteractionPresentation();
}

void LocationPlannerViewModel::Private::setCheckingDevice(bool value)
{
    q.m_device->setCheckingDevice(value);
    syncMapInteractionPresentation();
}

void LocationPlannerViewModel::Private::setLocationLockRefreshing(bool value)
{
    q.m_hold->setLocationLockRefreshing(value);
    syncMapInteractionPresentation();
}

void LocationPlannerViewModel::setTelegramAlertsEnabled(bool value)
{
    const bool previous = m_telegram->alertsEnabled();
    m_telegram->setAlertsEnabled(value);
    d->handleTelegramAlertsEnabledChange(previous);
}

void LocationPlannerViewModel::Private::handleTelegramAlertsEnabledChange(bool previous)
{
    AppSettings::setTelegramEnabled(q.m_telegram->alertsEnabled(), *q.m_deps.settings);
    if (q.m_telegram->alertsEnabled() != previous && !q.m_hold->telegramIncidentActive() &&
        !m_telegramTokenReadFailure &&
        TelegramAlertConfiguration{q.m_telegram->botToken(), q.m_telegram->chatID()}.isValid()) {
        // "Turn on alerts to use them." must not stay once they are on.
        q.m_telegram->setStatusMessage(q.m_telegram->alertsEnabled()
                                           //: Telegram alerts status line (Tools › Telegram alerts).
                                           ? tr("Telegram alerts are on.")
                                           //: Telegram alerts status line (Tools › Telegram alerts).
                                           : tr("Telegram is set up. Alerts are off."));
    }
    if (q.m_telegram->alertsEnabled() && !previous && q.m_hold->telegramIncidentActive()) {
        q.startRepeatingTelegramAlerts();
    } else if (!q.m_telegram->alertsEnabled() && previous) {
        m_telegramAlertTask.cancel();
        if (q.m_hold->telegramIncidentActive()) {
            //: Telegram alerts status line (Tools › Telegram alerts).
            q.m_telegram->setStatusMessage(tr("Telegram alerts are off. Location recovery continues."));
        }
    }
}

void LocationPlannerViewModel::setTelegramBotToken(const QString& value)
{
    m_telegram->setBotToken(value);
}

void LocationPlannerViewModel::setTelegramChatID(const QString& value)
{
    // One form everywhere: what is stored is what alerts go to and what replies are
    // matched against ("2080950937 " pasted with its space would never match).
    m_telegram->setChatID(value.trimmed());
    AppSettings::setTelegramChatID(m_telegram->chatID(), *m_deps.settings);
}

// Alarm.

void LocationPlannerViewModel::publishLocationSafetyAlarm(const LocationSafetyAlarmEvent& event)
{
    m_hold->setLocationSafetyAlarm(event);
    m_deps.alarmPresenter->present(event, [self = QPointer(this)] {
        if (self)
            self->acknowledgeLocationSafetyAlarm();
    });
}

void LocationPlannerViewModel::acknowledgeLocationSafetyAlarm()
{
    m_hold->setLocationSafetyAlarm(std::nullopt);
    m_deps.alarmPresenter->dismiss();
    if (!m_hold->telegramIncidentActive())
        return;
    d->m_telegramIncidentAcknowledged = true;
    d->m_telegramAlertTask.cancel();
    //: Telegram alerts status line (Tools › Telegram alerts).
    m_telegram->setStatusMessage(tr("Alert acknowledged. Location recovery continues."));
    //: Event log entry.
    logEvent(tr("The location interruption was acknowledged."), TrackerLogLevel::info);
}

void LocationPlannerViewModel::prepareForApplicationTermination()
{
    setSimulationSafetyState(LocationSimulationSafetyState::shuttingDown());
    m_hold->setLocationSafetyAlarm(std::nullopt);
    m_deps.alarmPresenter->dismiss();
}

// Plain setters.

void LocationPlannerViewModel::setRouteName(const QString& value)
{
    m_draft->setRouteName(value);
}

void LocationPlannerViewModel::setSavedLocationName(const QString& value)
{
    m_library->setSavedLocationName(value.left(maximumNameLength));
}

void LocationPlannerViewModel::setSavedRouteName(const QString& value)
{
    m_library->setSavedRouteName(value.left(maximumNameLength));
}

void LocationPlannerViewModel::setNotice(const std::optional<QString>& value)
{
    assignObservable(this, m_notice, value, &LocationPlannerViewModel::noticeChanged);
}

void LocationPlannerViewModel::setAutoSendOnAdd(bool value)
{
    assignObservable(this, m_autoSendOnAdd, value, &LocationPlannerViewModel::autoSendOnAddChanged);
}

} // namespace ostrevin
