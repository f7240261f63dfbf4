#include "planner/LocationPlannerViewModel.h"

#include "alerts/AlarmPresenter.h"
#include "alerts/TelegramAlertConfiguration.h"
#include "planner/MainWindowState.h"
#include "platform/KeepAwakeToken.h"
#include "platform/NetworkMonitor.h"
#include "platform/SettingsStore.h"
#include "routedata/AppSettings.h"
#include "routedata/RouteMapPresentation.h"
#include "routedata/RouteStore.h"

namespace ostrevin {

LocationPlannerViewModel::LocationPlannerViewModel(const Dependencies& dependencies, Services services, QObject* parent)
    : QObject(parent), m_deps(dependencies), m_mapPresentation(std::make_unique<RouteMapPresentation>()),
      m_windowState(std::make_unique<MainWindowState>()), m_draft(std::make_unique<RouteDraft>()),
      m_library(std::make_unique<LocationLibrary>()), m_telegram(std::make_unique<TelegramSettingsModel>())
      //: Status message and status card detail when there are no points.
      ,
      m_deviceActionMessage(tr("Choose a place on the map.")),
      m_presets(PresetLocation::defaults()), m_speedProfiles{RouteSpeedProfile::slow, RouteSpeedProfile::normal,
                                                             RouteSpeedProfile::fast, RouteSpeedProfile::extreme},
      m_transportModes{RouteTransportMode::automobile, RouteTransportMode::walking, RouteTransportMode::transit},
      m_telegramIncidentStartedAt(QDate(1, 1, 1), QTime(0, 0), Qt::UTC)
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

    loadLists();
    restoreTelegramSettings();
    restoreHeldPoint();
    setLocationResetPending(AppSettings::isResetPending(settings));

    if (m_isLocationResetPending) {
        //: Status message at launch.
        setDeviceActionMessage(tr("The previous location reset didn’t finish. Connect iPhone to finish the reset."));
    } else if (m_lockedPoint) {
        //: Status message at launch.
        setDeviceActionMessage(
            tr("The location from the last session will be restored once iPhone is connected and prepared."));
    }

    startWatchingDeviceAttachment();

    //: Event log entry.
    logEvent(tr("App launched."), TrackerLogLevel::info);

    const QStringList recovery = m_deps.store->recoveryMessages();
    if (!recovery.isEmpty()) {
        const QString joined = recovery.join(QStringLiteral("\n\n"));
        setNotice(joined);
        logEvent(joined, TrackerLogLevel::warning);
    }

    m_mapPresentation->updateRoute(m_draft->points());
    syncMapInteractionPresentation();

    if (services == Services::start)
        startServices();
}

void LocationPlannerViewModel::startServices()
{
    if (m_servicesStarted)
        return;
    m_servicesStarted = true;
    startNetworkMonitoring();
    refreshHelperStatus();
    loadTelegramTokenWithoutBlockingLaunch();
}

LocationPlannerViewModel::~LocationPlannerViewModel()
{
    for (TaskSlot* slot : {&m_routePlaybackTask, &m_locationLockTask, &m_telegramAlertTask, &m_telegramTokenLoadTask,
                           &m_routePlanningTimeoutTask, &m_placeNameTask, &m_exportTask})
        slot->cancel();
    disconnect(m_deps.networkMonitor, nullptr, this, nullptr);
    m_deps.networkMonitor->stop();
    if (m_locationLockActivity)
        m_locationLockActivity->end();
}

void LocationPlannerViewModel::loadLists()
{
    RouteStore& store = *m_deps.store;
    m_library->setHistory(store.load<RouteHistoryItem>(store.historyPath()));
    m_library->setSavedLocations(store.load<SavedLocation>(store.savedLocationsPath()));
    m_library->setSavedRoutes(store.load<SavedRoute>(store.savedRoutesPath()));
}

void LocationPlannerViewModel::restoreTelegramSettings()
{
    SettingsStore& settings = *m_deps.settings;
    const QString chatID = AppSettings::telegramChatID(settings);
    const bool enabled = AppSettings::isTelegramEnabled(settings);
    // Written back only where the stored form differs: the same values written at
    // every launch would rewrite the settings file, synced to disk, at every start.
    if (!settings.contains(telegramChatIDStorageKey()) || !settings.contains(telegramEnabledStorageKey()) ||
        chatID != chatID.trimmed()) {
        setTelegramChatID(chatID);
        setTelegramAlertsEnabled(enabled);
        return;
    }
    m_telegram->setChatID(chatID);
    m_telegram->setAlertsEnabled(enabled);
}

void LocationPlannerViewModel::restoreHeldPoint()
{
    // Unreadable or out-of-range data counts as no held point; the key stays until
    // the next hold replaces it.
    setLockedPoint(AppSettings::lockedPoint(*m_deps.settings));
}

void LocationPlannerViewModel::startNetworkMonitoring()
{
    // Queued: a monitor reports at once from start(), and that report belongs
    // after the launch, not before "App launched.".
    connect(m_deps.networkMonitor, &NetworkMonitor::reachabilityReported, this,
            &LocationPlannerViewModel::handleReachability, Qt::QueuedConnection);
    m_deps.networkMonitor->start();
}

void LocationPlannerViewModel::handleReachability(bool online)
{
    if (online == m_isOnline)
        return;
    setOnline(online);
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
    return m_isDeviceBusy || m_isCheckingDevice || m_isLocationLockRefreshing;
}

bool LocationPlannerViewModel::isSimulationActive() const
{
    return m_lockedPoint.has_value() || m_isIPhoneRouteRunning || m_isLocationResetPending;
}

bool LocationPlannerViewModel::canEditRouteDraft() const
{
    // The background verification of a held point leaves editing alone: it runs
    // every few seconds, and typing or clicking the map must not stall meanwhile.
    // Actions that drive the iPhone keep the full gate below.
    return !m_isIPhoneRouteRunning && !m_isPlanningAddressRoute && !m_isDeviceBusy && !m_isCheckingDevice;
}

bool LocationPlannerViewModel::canRunDeviceAction() const
{
    return canEditRouteDraft() && !m_isLocationLockRefreshing;
}

bool LocationPlannerViewModel::canChangeIPhoneLocation() const
{
    return m_helperStatus.isAvailable() && canRunDeviceAction() && !m_isLocationResetPending;
}

bool LocationPlannerViewModel::canPrepareIPhone() const
{
    return m_helperStatus.helper.has_value() && m_helperStatus.isDeviceConnected && !m_helperStatus.isLocationReady &&
           canRunDeviceAction();
}

// Setters with side effects.

void LocationPlannerViewModel::setLockedPoint(const std::optional<RoutePoint>& value)
{
    assign(m_lockedPoint, value, &LocationPlannerViewModel::lockedPointChanged);
    m_mapPresentation->updateHeldPoint(m_lockedPoint);
}

void LocationPlannerViewModel::setRouteLivePoint(const std::optional<RoutePoint>& value)
{
    assign(m_routeLivePoint, value, &LocationPlannerViewModel::routeLivePointChanged);
    m_mapPresentation->updateLivePoint(m_routeLivePoint);
}

void LocationPlannerViewModel::setLockRefreshIntervalSeconds(double value)
{
    // Stored unclamped; readers clamp.
    assign(m_lockRefreshIntervalSeconds, value, &LocationPlannerViewModel::lockRefreshIntervalSecondsChanged);
    AppSettings::setLockRefreshInterval(value, *m_deps.settings);
}

void LocationPlannerViewModel::setPlanningAddressRoute(bool value)
{
    assign(m_isPlanningAddressRoute, value, &LocationPlannerViewModel::isPlanningAddressRouteChanged);
    syncMapInteractionPresentation();
}

void LocationPlannerViewModel::setIPhoneRouteRunning(bool value)
{
    assign(m_isIPhoneRouteRunning, value, &LocationPlannerViewModel::isIPhoneRouteRunningChanged);
    syncMapInteractionPresentation();
}

void LocationPlannerViewModel::setDeviceBusy(bool value)
{
    assign(m_isDeviceBusy, value, &LocationPlannerViewModel::isDeviceBusyChanged);
    syncMapInteractionPresentation();
}

void LocationPlannerViewModel::setCheckingDevice(bool value)
{
    assign(m_isCheckingDevice, value, &LocationPlannerViewModel::isCheckingDeviceChanged);
    syncMapInteractionPresentation();
}

void LocationPlannerViewModel::setLocationLockRefreshing(bool value)
{
    assign(m_isLocationLockRefreshing, value, &LocationPlannerViewModel::isLocationLockRefreshingChanged);
    syncMapInteractionPresentation();
}

void LocationPlannerViewModel::setTelegramAlertsEnabled(bool value)
{
    const bool previous = m_telegram->alertsEnabled();
    m_telegram->setAlertsEnabled(value);
    handleTelegramAlertsEnabledChange(previous);
}

void LocationPlannerViewModel::handleTelegramAlertsEnabledChange(bool previous)
{
    AppSettings::setTelegramEnabled(m_telegram->alertsEnabled(), *m_deps.settings);
    if (m_telegram->alertsEnabled() != previous && !m_telegramIncidentActive && !m_telegramTokenReadFailure &&
        TelegramAlertConfiguration{m_telegram->botToken(), m_telegram->chatID()}.isValid()) {
        // "Turn on alerts to use them." must not stay once they are on.
        m_telegram->setStatusMessage(m_telegram->alertsEnabled()
                                         //: Telegram alerts status line (Tools › Telegram alerts).
                                         ? tr("Telegram alerts are on.")
                                         //: Telegram alerts status line (Tools › Telegram alerts).
                                         : tr("Telegram is set up. Alerts are off."));
    }
    if (m_telegram->alertsEnabled() && !previous && m_telegramIncidentActive) {
        startRepeatingTelegramAlerts();
    } else if (!m_telegram->alertsEnabled() && previous) {
        m_telegramAlertTask.cancel();
        if (m_telegramIncidentActive) {
            //: Telegram alerts status line (Tools › Telegram alerts).
            m_telegram->setStatusMessage(tr("Telegram alerts are off. Location recovery continues."));
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
    setLocationSafetyAlarm(event);
    m_deps.alarmPresenter->present(event, [self = QPointer(this)] {
        if (self)
            self->acknowledgeLocationSafetyAlarm();
    });
}

void LocationPlannerViewModel::acknowledgeLocationSafetyAlarm()
{
    setLocationSafetyAlarm(std::nullopt);
    m_deps.alarmPresenter->dismiss();
    if (!m_telegramIncidentActive)
        return;
    m_telegramIncidentAcknowledged = true;
    m_telegramAlertTask.cancel();
    //: Telegram alerts status line (Tools › Telegram alerts).
    m_telegram->setStatusMessage(tr("Alert acknowledged. Location recovery continues."));
    //: Event log entry.
    logEvent(tr("The location interruption was acknowledged."), TrackerLogLevel::info);
}

void LocationPlannerViewModel::prepareForApplicationTermination()
{
    setSimulationSafetyState(LocationSimulationSafetyState::shuttingDown());
    setLocationSafetyAlarm(std::nullopt);
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
    assign(m_notice, value, &LocationPlannerViewModel::noticeChanged);
}

void LocationPlannerViewModel::setHelperStatus(const LocationHelperStatus& value)
{
    assign(m_helperStatus, value, &LocationPlannerViewModel::helperStatusChanged);
}

void LocationPlannerViewModel::setAutoSendOnAdd(bool value)
{
    assign(m_autoSendOnAdd, value, &LocationPlannerViewModel::autoSendOnAddChanged);
}

void LocationPlannerViewModel::setIPhoneRouteProgress(double value)
{
    assign(m_iPhoneRouteProgress, value, &LocationPlannerViewModel::iPhoneRouteProgressChanged);
}

void LocationPlannerViewModel::setLastPushedPointName(const QString& value)
{
    assign(m_lastPushedPointName, value, &LocationPlannerViewModel::lastPushedPointNameChanged);
}

void LocationPlannerViewModel::setLastPushedPointID(const std::optional<QUuid>& value)
{
    assign(m_lastPushedPointID, value, &LocationPlannerViewModel::lastPushedPointIDChanged);
}

void LocationPlannerViewModel::setLastDeviceError(const QString& value)
{
    assign(m_lastDeviceError, value, &LocationPlannerViewModel::lastDeviceErrorChanged);
}

void LocationPlannerViewModel::setDeviceActionMessage(const QString& value)
{
    assign(m_deviceActionMessage, value, &LocationPlannerViewModel::deviceActionMessageChanged);
}

void LocationPlannerViewModel::setLastDeviceCheck(const std::optional<QDateTime>& value)
{
    assign(m_lastDeviceCheck, value, &LocationPlannerViewModel::lastDeviceCheckChanged);
}

void LocationPlannerViewModel::setOnline(bool value)
{
    assign(m_isOnline, value, &LocationPlannerViewModel::isOnlineChanged);
}

void LocationPlannerViewModel::setLocationResetPending(bool value)
{
    assign(m_isLocationResetPending, value, &LocationPlannerViewModel::isLocationResetPendingChanged);
}

void LocationPlannerViewModel::setLockRefreshCount(int value)
{
    assign(m_lockRefreshCount, value, &LocationPlannerViewModel::lockRefreshCountChanged);
}

void LocationPlannerViewModel::setLockFailureCount(int value)
{
    assign(m_lockFailureCount, value, &LocationPlannerViewModel::lockFailureCountChanged);
}

void LocationPlannerViewModel::setLastLockRefresh(const std::optional<QDateTime>& value)
{
    assign(m_lastLockRefresh, value, &LocationPlannerViewModel::lastLockRefreshChanged);
}

void LocationPlannerViewModel::setLockStartedAt(const std::optional<QDateTime>& value)
{
    assign(m_lockStartedAt, value, &LocationPlannerViewModel::lockStartedAtChanged);
}

void LocationPlannerViewModel::setTelegramIncidentActive(bool value)
{
    assign(m_telegramIncidentActive, value, &LocationPlannerViewModel::telegramIncidentActiveChanged);
}

void LocationPlannerViewModel::setLocationSafetyAlarm(const std::optional<LocationSafetyAlarmEvent>& value)
{
    assign(m_locationSafetyAlarm, value, &LocationPlannerViewModel::locationSafetyAlarmChanged);
}

void LocationPlannerViewModel::setDiagnosticEvents(const QList<TrackerLogEntry>& value)
{
    assign(m_diagnosticEvents, value, &LocationPlannerViewModel::diagnosticEventsChanged);
}

} // namespace ostrevin
