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
    : QObject(parent), d(std::make_unique<Private>(*this)), m_deps(dependencies)
{
    Q_ASSERT(m_deps.store && m_deps.settings && m_deps.clock && m_deps.scheduler && m_deps.workerPool &&
             m_deps.keepAwake && m_deps.networkMonitor && m_deps.systemLog && m_deps.reverseGeocoder &&
             m_deps.fileDialogs && m_deps.alarmPresenter && m_deps.device);
    SettingsStore& settings = *m_deps.settings;
    //: Default name of a new route (editable text field).
    d->m_draft->setRouteName(tr("New route"));
    //: Route planning status.
    d->m_draft->setRoutePlanningSource(tr("Choose a start on the map."));
    //: Telegram alerts status line (Tools › Telegram alerts).
    d->m_telegram->setStatusMessage(tr("Telegram alerts aren’t set up."));
    //: Status message and status card detail when there are no points.
    d->m_device->setDeviceActionMessage(tr("Choose a place on the map."));

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
    d->m_hold->setLocationResetPending(AppSettings::isResetPending(settings));

    if (d->m_hold->isLocationResetPending()) {
        //: Status message at launch.
        d->m_device->setDeviceActionMessage(
            tr("The previous location reset didn’t finish. Connect iPhone to finish the reset."));
    } else if (d->m_hold->lockedPoint()) {
        //: Status message at launch.
        d->m_device->setDeviceActionMessage(
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

    d->m_mapPresentation->updateRoute(d->m_draft->points());
    d->syncMapInteractionPresentation();
    // The point held in the last session is where the user looks first.
    if (d->m_hold->lockedPoint())
        focusRoute();

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

RouteMapPresentation& LocationPlannerViewModel::mapPresentation() const
{
    return *d->m_mapPresentation;
}

MainWindowState& LocationPlannerViewModel::windowState() const
{
    return *d->m_windowState;
}

RouteDraft& LocationPlannerViewModel::draft() const
{
    return *d->m_draft;
}

LocationLibrary& LocationPlannerViewModel::library() const
{
    return *d->m_library;
}

TelegramSettingsModel& LocationPlannerViewModel::telegram() const
{
    return *d->m_telegram;
}

DeviceState& LocationPlannerViewModel::device() const
{
    return *d->m_device;
}

LocationHoldState& LocationPlannerViewModel::hold() const
{
    return *d->m_hold;
}

EventLog& LocationPlannerViewModel::eventLog() const
{
    return *d->m_eventLog;
}

const QList<PresetLocation>& LocationPlannerViewModel::presets() const
{
    return d->m_presets;
}

const QList<RouteSpeedProfile>& LocationPlannerViewModel::speedProfiles() const
{
    return d->m_speedProfiles;
}

const QList<RouteTransportMode>& LocationPlannerViewModel::transportModes() const
{
    return d->m_transportModes;
}

bool LocationPlannerViewModel::isPlanningAddressRoute() const
{
    return d->m_isPlanningAddressRoute;
}

const std::optional<QString>& LocationPlannerViewModel::notice() const
{
    return d->m_notice;
}

LocationPlannerViewModel::NoticeKind LocationPlannerViewModel::noticeKind() const
{
    return d->m_noticeKind;
}

DialogOwner LocationPlannerViewModel::noticeOwner() const
{
    return d->m_noticeOwner;
}

bool LocationPlannerViewModel::autoSendOnAdd() const
{
    return d->m_autoSendOnAdd;
}

const LocationSimulationSafetyState& LocationPlannerViewModel::simulationSafetyState() const
{
    return d->m_simulationSafetyState;
}

void LocationPlannerViewModel::setSimulationSafetyState(const LocationSimulationSafetyState& state)
{
    d->m_simulationSafetyState = state;
}

void LocationPlannerViewModel::Private::loadLists()
{
    RouteStore& store = *q.m_deps.store;
    m_library->setHistory(store.load<RouteHistoryItem>(store.historyPath()));
    m_library->setSavedLocations(store.load<SavedLocation>(store.savedLocationsPath()));
    m_library->setSavedRoutes(store.load<SavedRoute>(store.savedRoutesPath()));
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
    m_telegram->setChatID(chatID);
    m_telegram->setAlertsEnabled(enabled);
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
    connect(
        q.m_deps.networkMonitor, &NetworkMonitor::reachabilityReported, &q,
        [this](bool online) { handleReachability(online); }, Qt::QueuedConnection);
    q.m_deps.networkMonitor->start();
}

void LocationPlannerViewModel::Private::handleReachability(bool online)
{
    if (online == m_device->isOnline())
        return;
    m_device->setOnline(online);
    if (online) {
        //: Event log entry.
        q.logEvent(tr("Internet connection restored."), TrackerLogLevel::info);
    } else {
        //: Event log entry.
        q.logEvent(tr("No internet connection."), TrackerLogLevel::warning);
    }
}

bool LocationPlannerViewModel::isDeviceOperationInProgress() const
{
    return d->m_device->isDeviceBusy() || d->m_device->isCheckingDevice() || d->m_hold->isLocationLockRefreshing();
}

bool LocationPlannerViewModel::isSimulationActive() const
{
    return d->m_hold->lockedPoint().has_value() || d->m_hold->isIPhoneRouteRunning() ||
           d->m_hold->isLocationResetPending();
}

bool LocationPlannerViewModel::canEditRouteDraft() const
{
    // The background verification of a held point leaves editing alone: it runs
    // every few seconds, and typing or clicking the map must not stall meanwhile.
    // Actions that drive the iPhone keep the full gate below.
    return !d->m_hold->isIPhoneRouteRunning() && !d->m_isPlanningAddressRoute && !d->m_device->isDeviceBusy() &&
           !d->m_device->isCheckingDevice();
}

bool LocationPlannerViewModel::canRunDeviceAction() const
{
    return canEditRouteDraft() && !d->m_hold->isLocationLockRefreshing();
}

bool LocationPlannerViewModel::canChangeIPhoneLocation() const
{
    return d->m_device->helperStatus().isAvailable() && canRunDeviceAction() && !d->m_hold->isLocationResetPending();
}

bool LocationPlannerViewModel::canPrepareIPhone() const
{
    return d->m_device->helperStatus().helper.has_value() && d->m_device->helperStatus().isDeviceConnected &&
           !d->m_device->helperStatus().isLocationReady && d->mayPrepareNow();
}

bool LocationPlannerViewModel::Private::mayPrepareNow() const
{
    // While the restore waits for Prepare iPhone, its verifications ask only whether
    // the iPhone is still attached: the button they wait for stays enabled.
    return m_hold->recoveryWait().isEmpty() ? q.canRunDeviceAction() : q.canEditRouteDraft();
}

// Setters with side effects.

void LocationPlannerViewModel::Private::setLockedPoint(const std::optional<RoutePoint>& value)
{
    m_hold->setLockedPoint(value);
    m_mapPresentation->updateHeldPoint(m_hold->lockedPoint());
}

void LocationPlannerViewModel::Private::setRouteLivePoint(const std::optional<RoutePoint>& value)
{
    m_hold->setRouteLivePoint(value);
    m_mapPresentation->updateLivePoint(m_hold->routeLivePoint());
}

void LocationPlannerViewModel::setLockRefreshIntervalSeconds(double value)
{
    // Stored unclamped; readers clamp.
    d->m_hold->setLockRefreshIntervalSeconds(value);
    AppSettings::setLockRefreshInterval(value, *m_deps.settings);
}

void LocationPlannerViewModel::Private::setPlanningAddressRoute(bool value)
{
    assignObservable(&q, m_isPlanningAddressRoute, value, &LocationPlannerViewModel::isPlanningAddressRouteChanged);
    activityChanged();
}

void LocationPlannerViewModel::Private::setIPhoneRouteRunning(bool value)
{
    // Every end of a route passes here (finished, stopped, failed, reset).
    if (!value)
        (void)m_playingDeviceTask.cancel();
    m_hold->setIPhoneRouteRunning(value);
    activityChanged();
}

void LocationPlannerViewModel::Private::setDeviceBusy(bool value)
{
    m_device->setDeviceBusy(value);
    activityChanged();
}

void LocationPlannerViewModel::Private::setCheckingDevice(bool value)
{
    m_device->setCheckingDevice(value);
    activityChanged();
}

void LocationPlannerViewModel::Private::setLocationLockRefreshing(bool value)
{
    m_hold->setLocationLockRefreshing(value);
    activityChanged();
}

void LocationPlannerViewModel::setTelegramAlertsEnabled(bool value)
{
    const bool previous = d->m_telegram->alertsEnabled();
    d->m_telegram->setAlertsEnabled(value);
    d->handleTelegramAlertsEnabledChange(previous);
}

void LocationPlannerViewModel::Private::handleTelegramAlertsEnabledChange(bool previous)
{
    AppSettings::setTelegramEnabled(m_telegram->alertsEnabled(), *q.m_deps.settings);
    if (m_telegram->alertsEnabled() != previous && !m_hold->telegramIncidentActive() && !m_telegramTokenReadFailure &&
        savedTelegramConfiguration().isValid()) {
        // "Turn on alerts to use them." must not stay once they are on.
        m_telegram->setStatusMessage(m_telegram->alertsEnabled()
                                         //: Telegram alerts status line (Tools › Telegram alerts).
                                         ? tr("Telegram alerts are on.")
                                         //: Telegram alerts status line (Tools › Telegram alerts).
                                         : tr("Telegram is set up. Alerts are off."));
    }
    if (m_telegram->alertsEnabled() && !previous && m_hold->telegramIncidentActive()) {
        q.startRepeatingTelegramAlerts();
    } else if (!m_telegram->alertsEnabled() && previous) {
        m_telegramAlertTask.cancel();
        if (m_hold->telegramIncidentActive()) {
            //: Telegram alerts status line (Tools › Telegram alerts).
            m_telegram->setStatusMessage(tr("Telegram alerts are off. Location recovery continues."));
        }
    }
}

void LocationPlannerViewModel::setTelegramBotToken(const QString& value)
{
    d->m_telegram->setBotToken(value);
}

void LocationPlannerViewModel::setTelegramChatID(const QString& value)
{
    // One form everywhere: what is stored is what alerts go to and what replies are
    // matched against ("2080950937 " pasted with its space would never match).
    d->m_telegram->setChatID(value.trimmed());
    AppSettings::setTelegramChatID(d->m_telegram->chatID(), *m_deps.settings);
}

// Alarm.

void LocationPlannerViewModel::publishLocationSafetyAlarm(const LocationSafetyAlarmEvent& event)
{
    d->m_hold->setLocationSafetyAlarm(event);
    m_deps.alarmPresenter->present(event, [self = QPointer(this)] {
        if (self)
            self->acknowledgeLocationSafetyAlarm();
    });
}

void LocationPlannerViewModel::acknowledgeLocationSafetyAlarm()
{
    d->m_hold->setLocationSafetyAlarm(std::nullopt);
    m_deps.alarmPresenter->dismiss();
    // The alarm and the bar each offer it: one incident is acknowledged once.
    if (!d->m_hold->telegramIncidentActive() || d->m_hold->telegramIncidentAcknowledged())
        return;
    d->m_hold->setTelegramIncidentAcknowledged(true);
    d->m_telegramAlertTask.cancel();
    //: Telegram alerts status line (Tools › Telegram alerts).
    d->m_telegram->setStatusMessage(tr("Alert acknowledged. Location recovery continues."));
    //: Event log entry.
    logEvent(tr("The location interruption was acknowledged."), TrackerLogLevel::info);
}

void LocationPlannerViewModel::prepareForApplicationTermination()
{
    setSimulationSafetyState(LocationSimulationSafetyState::shuttingDown());
    d->m_hold->setLocationSafetyAlarm(std::nullopt);
    m_deps.alarmPresenter->dismiss();
}

// Plain setters.

void LocationPlannerViewModel::setRouteName(const QString& value)
{
    d->m_draft->setRouteName(value);
}

void LocationPlannerViewModel::setSavedLocationName(const QString& value)
{
    d->m_library->setSavedLocationName(value.left(maximumNameLength));
}

void LocationPlannerViewModel::setSavedRouteName(const QString& value)
{
    d->m_library->setSavedRouteName(value.left(maximumNameLength));
}

void LocationPlannerViewModel::setNotice(const std::optional<QString>& value, NoticeKind kind, DialogOwner owner)
{
    if (d->m_notice == value && d->m_noticeKind == kind && d->m_noticeOwner == owner)
        return;
    d->m_notice = value;
    d->m_noticeKind = kind;
    d->m_noticeOwner = owner;
    emit noticeChanged();
}

void LocationPlannerViewModel::setAutoSendOnAdd(bool value)
{
    assignObservable(this, d->m_autoSendOnAdd, value, &LocationPlannerViewModel::autoSendOnAddChanged);
}

} // namespace ostrevin
