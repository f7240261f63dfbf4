#include "alerts/AlarmPresenter.h"
#include "devicebridge/DeviceLocationService.h"
#include "planner/LocationPlannerViewModel.h"
#include "planner/LocationPlannerViewModel_Private.h"
#include "planner/PlannerTexts.h"

#include <QCoro/QCoroFuture>

namespace ostrevin {

using namespace std::chrono_literals;

namespace {

constexpr auto recoveryAttemptSpacing = 5s;

} // namespace

void LocationPlannerViewModel::Private::reportLocationIncidentIfNeeded(const QString& reason,
                                                                       const std::optional<RoutePoint>& point)
{
    m_telegramIncidentReason = reason;
    if (point)
        m_telegramIncidentPoint = point;
    const QDateTime now = q.m_deps.clock->wallNow();

    if (m_hold->telegramIncidentActive()) {
        // Same id: the alarm refreshes its text without starting the sound again;
        // only a new cause is news (every check of one outage reports the same).
        if (m_hold->locationSafetyAlarm() && m_hold->locationSafetyAlarm()->reason != reason) {
            LocationSafetyAlarmEvent updated = *m_hold->locationSafetyAlarm();
            updated.reason = reason;
            updated.lastUpdatedAt = now;
            q.publishLocationSafetyAlarm(updated);
        }
        return;
    }
    // A loss while nothing is confirmed, or while the user changes or clears the
    // location, is expected: only the cause is remembered.
    if (!m_simulationSafetyState.mayOpenIncident())
        return;

    m_hold->setTelegramIncidentActive(true);
    m_hold->setTelegramIncidentAcknowledged(false);
    m_telegramIncidentStartedAt = now;
    m_telegramRepliesSince = QDateTime();
    //: Telegram alerts status line (Tools › Telegram alerts).
    m_telegram->setStatusMessage(tr("The location was interrupted."));
    //: Event log entry. %1 is the cause.
    q.logEvent(tr("Simulated location interrupted: %1").arg(reason), TrackerLogLevel::error);

    LocationSafetyAlarmEvent event;
    event.detectedAt = now;
    event.lastUpdatedAt = now;
    if (m_telegramIncidentPoint) {
        event.pointName = m_telegramIncidentPoint->name;
        event.latitude = m_telegramIncidentPoint->latitude;
        event.longitude = m_telegramIncidentPoint->longitude;
    } else {
        //: Alarm text when the interrupted point is not known.
        event.pointName = tr("Unknown location");
    }
    event.reason = reason;
    q.publishLocationSafetyAlarm(event);
    q.startRepeatingTelegramAlerts();
}

QCoro::Task<> LocationPlannerViewModel::Private::recoverLocationLock(QPointer<LocationPlannerViewModel> self,
                                                                     RoutePoint point, LocationHelper previousHelper,
                                                                     quint64 epoch, CancelToken token)
{
    if (!Private::isCurrentHold(self, epoch))
        co_return;
    Clock* clock = self->m_deps.clock;
    DeviceLocationService* device = self->m_deps.device;
    // Steady time: a wall clock set back while the alarm sounds must not hold recovery off.
    const Clock::SteadyTime now = clock->steadyNow();
    if (now < self->d->m_nextLockRecoveryAttempt)
        co_return;
    self->d->m_nextLockRecoveryAttempt = now + recoveryAttemptSpacing;

    if (!self->d->m_hold->recoveryWait().isEmpty()) {
        // Only the user's Prepare iPhone goes on from here, unless the iPhone became
        // ready by other means (the tunnel service started by hand): an attempt asks
        // only whether it is attached and ready, which never needs the administrator
        // password, and publishes no status that would hide the wait.
        const LocationHelperStatus looked = co_await device->checkDeviceConnection(previousHelper, token.stopToken());
        if (!Private::isCurrentHold(self, epoch) || (looked.isDeviceConnected && !looked.isAvailable()))
            co_return;
        self->d->setRecoveryWait(QString());
    }

    const Attempt detection = self->d->attemptStarts(std::nullopt);
    const LocationHelperStatus found = co_await device->detectHelper();
    if (!Private::isCurrentHold(self, epoch))
        co_return;
    const LocationHelperStatus detected = self->d->lookResult(found, detection);
    self->d->m_device->setHelperStatus(detected);
    self->d->m_device->setLastDeviceCheck(clock->wallNow());

    // Restoring onto another iPhone would report success while the held one stays on
    // its real location: a held device identifier wins over what detection binds.
    LocationHelper helper = detected.helper.value_or(previousHelper);
    if (previousHelper.deviceIdentifier && detected.helper &&
        detected.helper->deviceIdentifier != previousHelper.deviceIdentifier)
        helper = previousHelper;

    const Attempt preparation = self->d->attemptStarts(std::nullopt);
    const LocationHelperStatus readied = co_await device->prepareForLocation(helper, token.stopToken());
    if (!Private::isCurrentHold(self, epoch))
        co_return;
    const LocationHelperStatus prepared = self->d->lookResult(readied, preparation);
    self->d->m_device->setHelperStatus(prepared);
    self->d->m_device->setLastDeviceCheck(clock->wallNow());
    if (prepared.waitsForPrepareIPhone && self->d->m_hold->telegramIncidentActive())
        self->d->setRecoveryWait(prepared.message);
    const bool sameDevice = !previousHelper.deviceIdentifier || !prepared.helper ||
                            prepared.helper->deviceIdentifier == previousHelper.deviceIdentifier;
    if (!prepared.isAvailable() || !prepared.helper) {
        // Unplugged, the setup steps say nothing that "iPhone isn’t connected." does not.
        self->d->m_device->setLastDeviceError(prepared.isDeviceConnected ? prepared.installHint : prepared.message);
        self->d->reportCauseUnlessIncidentOpen(prepared.message, point);
        co_return;
    }
    if (!sameDevice) {
        // The other iPhone's "… is ready." would read as if all were well.
        //: Incident cause. %1 is the connected iPhone's name, %2 the held iPhone's name.
        const QString cause = tr("%1 is connected instead of %2, so the location can’t be restored.")
                                  .arg(Private::deviceName(prepared.helper), Private::deviceName(previousHelper));
        self->d->m_device->setLastDeviceError(cause);
        self->d->reportLocationIncidentIfNeeded(cause, point);
        co_return;
    }

    const LocationHelper restoredWith = *prepared.helper;
    // The held process outlived the outage without the iPhone using its point: it
    // is ended and the point is set anew.
    SetOutcome set{restoredWith, self->d->attemptStarts(restoredWith.deviceIdentifier), {}};
    set = co_await Private::sendPoint(device, set, point, token.stopToken());
    const Attempt& attempt = set.attempt;
    const std::exception_ptr& error = set.error;
    if (!Private::isCurrentHold(self, epoch))
        co_return;
    LocationPlannerViewModel& vm = *self;
    // Unplugged while the set started, the iPhone dropped the point again: the
    // outage goes on, and the replug restores it.
    const bool unplugged = vm.d->unpluggedSince(attempt);
    if (error || unplugged) {
        const QString description = vm.d->failureCause(attempt, error);
        vm.d->m_device->setLastDeviceError(description);
        //: Status message.
        vm.d->m_device->setDeviceActionMessage(
            tr("The location can’t be restored yet. Keep iPhone connected and unlocked."));
        vm.d->reportCauseUnlessIncidentOpen(PlannerTexts::summary(description), point);
        // A restore is tried every 5 s: the same failure again would only push
        // older entries, the one that opened the incident first, out of the log.
        if (description != vm.d->m_loggedRestoreFailure) {
            vm.d->m_loggedRestoreFailure = description;
            //: Event log entry. %1 is the error's description.
            vm.logEvent(tr("Couldn’t restore the location: %1").arg(description), TrackerLogLevel::error);
        }
        co_return;
    }
    vm.d->m_lockedHelper = restoredWith;
    vm.d->m_hasConfirmedLocationLock = true;
    vm.setSimulationSafetyState(LocationSimulationSafetyState::holdingConfirmed());
    vm.d->m_hold->setLastPushedPointName(point.name);
    vm.d->m_hold->setLastPushedPointID(point.id);
    vm.d->m_hold->setLastLockRefresh(clock->wallNow());
    // A point lost as its set or play started is held from now on.
    if (!vm.d->m_hold->lockStartedAt())
        vm.d->m_hold->setLockStartedAt(clock->wallNow());
    vm.d->m_hold->setLockRefreshCount(vm.d->m_hold->lockRefreshCount() + 1);
    vm.d->m_device->setLastDeviceError(QString());
    vm.d->forgetOutage();
    vm.d->m_nextLockRecoveryAttempt = Clock::SteadyTime::min();
    //: Status message and event log entry. %1 is the point's name.
    const QString restored = tr("Location %1 is set again.").arg(point.name);
    vm.d->m_device->setDeviceActionMessage(restored);
    vm.logEvent(restored, TrackerLogLevel::info);
    vm.d->reportLocationRecoveryIfNeeded(point);
}

void LocationPlannerViewModel::Private::reportCauseUnlessIncidentOpen(const QString& reason,
                                                                      const std::optional<RoutePoint>& point)
{
    // What a later report finds is why the location is not back yet, not why it was
    // lost; the status line and the details carry it.
    if (!m_hold->telegramIncidentActive())
        reportLocationIncidentIfNeeded(reason, point);
}

QString LocationPlannerViewModel::Private::recoveryWait() const
{
    return m_hold->recoveryWait();
}

void LocationPlannerViewModel::Private::setRecoveryWait(const QString& wait)
{
    m_hold->setRecoveryWait(wait);
    const std::optional<LocationSafetyAlarmEvent>& shown = m_hold->locationSafetyAlarm();
    if (!m_hold->telegramIncidentActive() || !shown || shown->recoveryWait == wait)
        return;
    LocationSafetyAlarmEvent updated = *shown;
    updated.recoveryWait = wait;
    updated.lastUpdatedAt = q.m_deps.clock->wallNow();
    q.publishLocationSafetyAlarm(updated);
}

void LocationPlannerViewModel::Private::closeIncidentWithoutRecovery(const QString& howItEnded)
{
    // "The alert repeats every 5 seconds" must not outlive the incident, nor may the
    // log seem to go on from the interruption as if the old point were still wanted.
    if (m_hold->telegramIncidentActive()) {
        m_telegram->setStatusMessage(howItEnded);
        q.logEvent(howItEnded, TrackerLogLevel::info);
    }
    (void)m_telegramAlertTask.cancel();
    m_hold->setRecoveryWait(QString());
    m_hold->setTelegramIncidentActive(false);
    m_hold->setTelegramIncidentAcknowledged(false);
    m_telegramIncidentReason.clear();
    m_telegramIncidentPoint.reset();
    m_hold->setLocationSafetyAlarm(std::nullopt);
    q.m_deps.alarmPresenter->dismiss();
}

void LocationPlannerViewModel::Private::reportLocationRecoveryIfNeeded(const RoutePoint&)
{
    m_hold->setRecoveryWait(QString());
    if (!m_hold->telegramIncidentActive())
        return;
    if (m_hold->locationSafetyAlarm()) {
        LocationSafetyAlarmEvent recovered = *m_hold->locationSafetyAlarm();
        recovered.isRecoveryConfirmed = true;
        recovered.recoveryWait.clear();
        recovered.lastUpdatedAt = q.m_deps.clock->wallNow();
        q.publishLocationSafetyAlarm(recovered);
    }
    (void)m_telegramAlertTask.cancel();
    m_hold->setTelegramIncidentActive(false);
    m_hold->setTelegramIncidentAcknowledged(false);
    m_telegramIncidentReason.clear();
    m_telegramIncidentPoint.reset();
    //: Telegram alerts status line (Tools › Telegram alerts).
    m_telegram->setStatusMessage(tr("The location is set again and verified."));
    //: Event log entry.
    q.logEvent(tr("The interruption is over, and the location is set again."), TrackerLogLevel::info);
}

} // namespace ostrevin
