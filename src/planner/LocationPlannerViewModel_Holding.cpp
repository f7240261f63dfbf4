#include "alerts/AlarmPresenter.h"
#include "alerts/TelegramAlertError.h"
#include "async/Scheduler.h"
#include "devicebridge/DeviceLocationController.h"
#include "devicebridge/DeviceLocationService.h"
#include "planner/LocationPlannerViewModel.h"
#include "planner/LocationPlannerViewModel_Private.h"
#include "planner/PlannerTexts.h"
#include "platform/KeepAwake.h"
#include "platform/KeepAwakeToken.h"
#include "platform/NetworkTransportError.h"
#include "process/ProcessLaunchError.h"
#include "routedata/AppSettings.h"
#include "routedata/JsonCodingError.h"
#include "routedata/LocationValidationError.h"

#include <QCoro/QCoroFuture>
#include <QMetaObject>
#include <algorithm>
#include <cmath>
#include <utility>

namespace ostrevin {

using namespace std::chrono_literals;

namespace {

constexpr auto watchTick = 2s;
constexpr auto shortestVerificationInterval = 5s;

std::optional<LocationValidationError::Kind> coordinateProblem(const RoutePoint& point)
{
    if (!std::isfinite(point.latitude) || point.latitude < -90.0 || point.latitude > 90.0)
        return LocationValidationError::Kind::invalidLatitude;
    if (!std::isfinite(point.longitude) || point.longitude < -180.0 || point.longitude > 180.0)
        return LocationValidationError::Kind::invalidLongitude;
    return std::nullopt;
}

} // namespace

std::chrono::milliseconds LocationPlannerViewModel::Private::verificationInterval(double lockRefreshIntervalSeconds)
{
    // A hand-edited NaN or huge value must not stop verification.
    const double seconds =
        std::isfinite(lockRefreshIntervalSeconds) ? std::clamp(lockRefreshIntervalSeconds, 5.0, 60.0) : 15.0;
    return std::chrono::milliseconds(std::llround(seconds * 1000.0));
}

bool LocationPlannerViewModel::Private::isCurrentHold(const QPointer<LocationPlannerViewModel>& self, quint64 epoch)
{
    // Quitting ends every hold: the owned processes are ended right after, and a
    // restore that went on would start a helper the quit can no longer end.
    return self && self->d->m_holdEpoch == epoch &&
           self->d->m_simulationSafetyState.kind() != LocationSimulationSafetyState::Case::shuttingDown;
}

void LocationPlannerViewModel::pushLastPointToIPhone()
{
    if (d->m_draft->points().isEmpty()) {
        setNotice(LocationValidationError(LocationValidationError::Kind::noPoints).description());
        return;
    }
    pushPointToIPhone(d->m_draft->points().last());
}

void LocationPlannerViewModel::pushPointToIPhone(const RoutePoint& point)
{
    if (!canRunDeviceAction()) {
        //: Status message.
        d->m_device->setDeviceActionMessage(tr("Wait for the current action to finish."));
        return;
    }
    if (d->m_hold->isLocationResetPending()) {
        //: Alert text.
        setNotice(tr("Finish the location reset first."));
        return;
    }
    if (!d->m_device->helperStatus().helper) {
        setNotice(deviceUnavailableNotice());
        return;
    }
    if (!d->m_device->helperStatus().isAvailable()) {
        setAutoSendOnAdd(false);
        setNotice(deviceUnavailableNotice());
        return;
    }
    // A point that no tool can take never reaches one.
    if (const auto problem = coordinateProblem(point)) {
        setNotice(LocationValidationError(*problem).description());
        return;
    }
    const bool wasConfirmed = d->m_simulationSafetyState == LocationSimulationSafetyState::holdingConfirmed();
    const std::optional<RoutePoint> previousPoint = d->m_hold->lockedPoint();
    // The old point's watch loop must neither verify nor report while it is replaced.
    setSimulationSafetyState(LocationSimulationSafetyState::intentionalTransition());
    d->setDeviceBusy(true);
    // Once accepted, a push runs to its end; the coroutine owns itself.
    Private::pushFlow(QPointer(this), point, *d->m_device->helperStatus().helper, wasConfirmed, previousPoint);
}

QCoro::Task<> LocationPlannerViewModel::Private::pushFlow(QPointer<LocationPlannerViewModel> self, RoutePoint point,
                                                          LocationHelper helper, bool wasConfirmed,
                                                          std::optional<RoutePoint> previousPoint)
{
    //: Status message while the location is being set.
    self->d->m_device->setDeviceActionMessage(tr("Setting location…"));
    //: Event log entry. %1 is the point's name.
    self->logEvent(tr("Setting location: %1.").arg(point.name), TrackerLogLevel::info);

    const SetOutcome set = co_await Private::setLocationWithRetry(self, helper, point);
    // After the quit began nothing re-arms a hold or raises an alarm: the owned
    // processes are being ended, this set's included.
    if (!self || self->d->m_simulationSafetyState.kind() == LocationSimulationSafetyState::Case::shuttingDown)
        co_return;
    LocationPlannerViewModel& vm = *self;
    const bool unplugged = vm.d->unpluggedSince(set.attempt);

    if (!set.error) {
        // An iPhone unplugged while the set started uses its real location: the set
        // process runs on, but the point is not set, whatever the tool said, and an
        // outage that was open is not over.
        if (!unplugged) {
            // The new point ends the outage of the old one: nothing is restored for it,
            // and no alarm or alert goes on naming it.
            if (vm.d->m_hold->telegramIncidentActive()) {
                vm.d->closeIncidentWithoutRecovery(
                    //: Event log entry and Telegram alerts status line. %1 is the point's name.
                    tr("The interruption is over: the new location %1 is set.").arg(point.name));
            }
            vm.d->m_device->setLastDeviceError(QString());
        }
        vm.d->m_hold->setLastPushedPointName(point.name);
        vm.d->m_hold->setLastPushedPointID(point.id);
        vm.d->setRouteLivePoint(point);
        vm.d->m_hold->setLocationResetPending(false);
        AppSettings::setResetPending(false, *vm.m_deps.settings);
        if (unplugged) {
            vm.d->holdLostWhileSet(point, set.helper, LockCounters::reset);
        } else {
            vm.d->m_hasConfirmedLocationLock = true;
            vm.d->startLocationLock(point, set.helper, LockCounters::reset);
            //: Status message. %1 is the point's name.
            vm.d->m_device->setDeviceActionMessage(
                tr("Location %1 is set and held until you reset it.").arg(point.name));
        }
        vm.d->recordPushedPointInHistory(point);
        if (!unplugged) {
            //: Event log entry. %1 is the point's name.
            vm.logEvent(tr("Location set: %1.").arg(point.name), TrackerLogLevel::info);
        }
        vm.d->setDeviceBusy(false);
        co_return;
    }

    const QString description = vm.d->failureCause(set.attempt, set.error);
    vm.setAutoSendOnAdd(false);
    if (wasConfirmed) {
        // The confirmed hold being replaced is lost now: its watch loop restores it.
        // During an outage it was lost before: the alarm keeps naming that cause.
        vm.d->m_hasConfirmedLocationLock = true;
        vm.setSimulationSafetyState(LocationSimulationSafetyState::holdingConfirmed());
        if (unplugged) {
            // It went with the cable: the replug restores it at once.
            vm.d->heldDeviceLost();
        } else {
            vm.d->reportCauseUnlessIncidentOpen(
                //: Incident cause. %1 is the error's first paragraph.
                tr("Changing the location failed, and the previous location is no longer held. %1")
                    .arg(PlannerTexts::summary(description)),
                previousPoint);
        }
    } else {
        vm.d->m_hasConfirmedLocationLock = false;
        vm.setSimulationSafetyState(LocationSimulationSafetyState::inactive());
    }
    //: Status message.
    vm.d->m_device->setDeviceActionMessage(tr("Couldn’t set the location."));
    // The unplug report already shows the iPhone as not connected.
    if (!unplugged) {
        LocationHelperStatus interrupted;
        interrupted.helper = helper;
        //: Device status after a failed set.
        interrupted.message = tr("The connection to iPhone was interrupted. Prepare it again.");
        interrupted.installHint = vm.d->m_device->helperStatus().installHint;
        vm.d->m_device->setHelperStatus(interrupted);
    }
    vm.d->m_device->setLastDeviceError(description);
    //: Alert text. %1 is the error's first paragraph.
    vm.setNotice(tr("Couldn’t set the location. %1").arg(PlannerTexts::summary(description)));
    //: Event log entry. %1 is the error's description.
    vm.logEvent(tr("Couldn’t set the location: %1").arg(description), TrackerLogLevel::error);
    vm.d->setDeviceBusy(false);
}

QCoro::Task<LocationPlannerViewModel::Private::SetOutcome>
LocationPlannerViewModel::Private::setLocationWithRetry(QPointer<LocationPlannerViewModel> self, LocationHelper helper,
                                                        RoutePoint point)
{
    DeviceLocationService* device = self->m_deps.device;
    // Always a new set, also of the point already held: the user who sets it again
    // may know better than a held process that the iPhone lost it.
    SetOutcome first{helper, self->d->attemptStarts(helper.deviceIdentifier), {}};
    first = co_await Private::sendPoint(device, first, point, {}, AdministratorPrompt::allowed);
    // Preparing an iPhone usbmuxd reports gone could not bring it back: its attach will.
    if (!first.error || first.attempt.launchedUnplugged || !self)
        co_return first;
    //: Event log entry.
    self->logEvent(tr("The first attempt to set the location failed. Preparing iPhone again."),
                   TrackerLogLevel::warning);
    // One action asks for the administrator password at most once: a prompt the
    // first try showed is not followed by a second one.
    const AdministratorPrompt prompt =
        DeviceLocationController::errorKind(first.error) == DeviceLocationError::Case::privilegedStartFailed
            ? AdministratorPrompt::never
            : AdministratorPrompt::allowed;
    const Attempt look = self->d->attemptStarts(std::nullopt);
    const LocationHelperStatus found = co_await device->prepareForLocation(helper, {}, prompt);
    // Until the retry is launched, the failure is the first attempt's.
    if (!self)
        co_return first;
    const LocationHelperStatus prepared = self->d->lookResult(found, look);
    self->d->m_device->setHelperStatus(prepared);
    self->d->m_device->setLastDeviceCheck(self->m_deps.clock->wallNow());
    if (!prepared.isAvailable() || !prepared.helper)
        co_return first;
    // The app may have quit while the iPhone was prepared: its owned processes
    // are already ended, and a helper started now would outlive it.
    if (self->d->m_simulationSafetyState.kind() == LocationSimulationSafetyState::Case::shuttingDown)
        co_return first;
    const LocationHelper retried = *prepared.helper;
    // The retry is an attempt of its own: an unplug before it (the one that made the
    // first fail) is neither why it failed nor why what it set would be gone.
    SetOutcome retry{retried, self->d->attemptStarts(retried.deviceIdentifier), {}};
    retry = co_await Private::sendPoint(device, retry, point);
    co_return retry;
}

void LocationPlannerViewModel::Private::startLocationLock(const RoutePoint& point, const LocationHelper& helper,
                                                          LockCounters counters, HoldStart start)
{
    const CancelToken token = m_locationLockTask.replace();
    m_holdToken = token;
    ++m_holdEpoch;
    setLockedPoint(point);
    m_lockedHelper = helper;
    m_lastVerificationEnd = Clock::SteadyTime::min();
    q.setSimulationSafetyState(m_hasConfirmedLocationLock ? LocationSimulationSafetyState::holdingConfirmed()
                                                          : LocationSimulationSafetyState::starting());
    persistLockedPoint(point);
    if (!m_locationLockActivity) {
        // One activity spans every re-armed hold; it ends only when the hold stops.
        //: Reason the system shows for staying awake.
        m_locationLockActivity = q.m_deps.keepAwake->begin(tr("Ostrevin is holding the iPhone's simulated location."));
    }
    // A point lost as its set or play started was neither held nor verified: its
    // time starts with the restore that sets it.
    const std::optional<QDateTime> began =
        start == HoldStart::lostAtOnce ? std::nullopt : std::optional(q.m_deps.clock->wallNow());
    if (counters == LockCounters::reset) {
        m_hold->setLockRefreshCount(0);
        m_hold->setLockFailureCount(0);
        forgetOutage();
        m_hold->setLastLockRefresh(began);
        m_hold->setLockStartedAt(began);
        m_nextLockRecoveryAttempt = Clock::SteadyTime::min();
    } else if (!m_hold->lockStartedAt()) {
        m_hold->setLockStartedAt(began);
    }
    if (start == HoldStart::announced) {
        //: Event log entry. %1 is the point's name.
        q.logEvent(tr("Holding location: %1.").arg(point.name), TrackerLogLevel::info);
    }
    m_locationLockTask.adopt(Private::watchLoop(QPointer(&q), point, token));
}

bool LocationPlannerViewModel::Private::hasRestoredPointToHold() const
{
    return m_hold->lockedPoint() && !m_hold->isLocationResetPending() && !m_locationLockTask.isRunning();
}

QCoro::Task<bool> LocationPlannerViewModel::Private::rearmRestoredHold(QPointer<LocationPlannerViewModel> self,
                                                                       LocationHelper helper, CancelToken token)
{
    if (!self || !self->d->hasRestoredPointToHold())
        co_return false;
    const RoutePoint point = *self->d->m_hold->lockedPoint();
    const quint64 resetEpoch = self->d->m_locationResetEpoch;
    // No reset or push may start while the set runs: a reset would clear first and
    // this set would then put the point back.
    const bool wasBusy = self->d->m_device->isDeviceBusy();
    self->d->setDeviceBusy(true);
    //: Event log entry. %1 is the point's name.
    self->logEvent(tr("Setting location: %1.").arg(point.name), TrackerLogLevel::info);
    // The last session's process is gone with it: nothing is held that could be
    // verified, so the point is set as a first set.
    SetOutcome set{helper, self->d->attemptStarts(helper.deviceIdentifier), {}};
    set = co_await Private::sendPoint(self->m_deps.device, set, point, token.stopToken());
    const Attempt& attempt = set.attempt;
    const std::exception_ptr& error = set.error;
    if (!self)
        co_return false;
    if (!wasBusy)
        self->d->setDeviceBusy(false);
    // After the quit began nothing re-arms a hold: the owned processes are being ended.
    const bool stillRestored =
        !token.isCancelled() && self->d->m_locationResetEpoch == resetEpoch &&
        self->d->m_simulationSafetyState.kind() != LocationSimulationSafetyState::Case::shuttingDown &&
        self->d->hasRestoredPointToHold() && self->d->m_hold->lockedPoint() == point;
    if (!stillRestored)
        co_return false;
    if (error) {
        const QString description = self->d->failureCause(attempt, error);
        self->d->m_device->setLastDeviceError(description);
        //: Status message.
        self->d->m_device->setDeviceActionMessage(tr("Couldn’t set the location."));
        //: Event log entry. %1 is the error's description.
        self->logEvent(tr("Couldn’t set the location: %1").arg(description), TrackerLogLevel::error);
        co_return false;
    }
    self->d->m_hold->setLastPushedPointName(point.name);
    self->d->m_hold->setLastPushedPointID(point.id);
    if (self->d->unpluggedSince(attempt)) {
        // Unplugged while the set started: the iPhone uses its real location.
        self->d->holdLostWhileSet(point, helper, LockCounters::keep);
        co_return true;
    }
    self->d->m_hasConfirmedLocationLock = true;
    self->d->startLocationLock(point, helper, LockCounters::keep);
    co_return true;
}

void LocationPlannerViewModel::Private::stopLocationLock(HoldEnding ending)
{
    // A reset finished after one that failed has no hold left to stop.
    const bool held = m_hold->lockedPoint().has_value();
    (void)m_locationLockTask.cancel();
    ++m_holdEpoch;
    m_lockedHelper.reset();
    m_verificationRun = 0;
    m_pointToSendAfterVerification.reset();
    setLocationLockRefreshing(false);
    m_nextLockRecoveryAttempt = Clock::SteadyTime::min();
    if (m_locationLockActivity) {
        m_locationLockActivity->end();
        m_locationLockActivity.reset();
    }
    m_hasConfirmedLocationLock = false;
    q.setSimulationSafetyState(LocationSimulationSafetyState::inactive());

    // Nothing is held any more, whatever comes next: no alarm or alert may go on
    // about a restore. A reset's clear may still fail, so until it succeeds the
    // log and the alerts' status line say only that the hold was stopped.
    //: Event log entry and Telegram alerts status line.
    const QString stopped = tr("Stopped holding the location.");
    const bool incidentOpen = m_hold->telegramIncidentActive();
    closeIncidentWithoutRecovery(ending == HoldEnding::routeStarts
                                     //: Event log entry and Telegram alerts status line.
                                     ? tr("The interruption is over: you started a route.")
                                     : stopped);

    setLockedPoint(std::nullopt);
    m_hold->setLockRefreshCount(0);
    m_hold->setLockFailureCount(0);
    forgetOutage();
    m_hold->setLastLockRefresh(std::nullopt);
    m_hold->setLockStartedAt(std::nullopt);
    persistLockedPoint(std::nullopt);
    // Said once: closing the incident of a reset said it already.
    if (held && !(incidentOpen && ending == HoldEnding::locationReset))
        q.logEvent(stopped, TrackerLogLevel::info);
}

bool LocationPlannerViewModel::Private::isHoldLost() const
{
    return m_hold->lockedPoint() && m_locationLockTask.isRunning() &&
           (m_outageCounted || m_hold->telegramIncidentActive());
}

void LocationPlannerViewModel::Private::restoreIfPreparedDuringVerification()
{
    const std::optional<quint64> epoch = std::exchange(m_restoreAfterVerification, std::nullopt);
    if (epoch != m_holdEpoch || !isHoldLost())
        return;
    // Posted: the verification that ended returns first, and its spacing does not
    // hold off the restore the Prepare allowed.
    QMetaObject::invokeMethod(
        &q,
        [this, epoch] {
            if (epoch != m_holdEpoch || !isHoldLost())
                return;
            m_nextLockRecoveryAttempt = Clock::SteadyTime::min();
            verifyHoldSoon();
        },
        Qt::QueuedConnection);
}

void LocationPlannerViewModel::Private::forgetOutage()
{
    m_outageCounted = false;
    m_loggedRestoreFailure.clear();
}

void LocationPlannerViewModel::Private::persistLockedPoint(const std::optional<RoutePoint>& point)
{
    try {
        AppSettings::setLockedPoint(point, *q.m_deps.settings);
    } catch (const JsonCodingError& error) {
        // The hold goes on; but the stored copy would still name the previous point,
        // and the next launch would show that one as held.
        AppSettings::setLockedPoint(std::nullopt, *q.m_deps.settings);
        //: Event log entry. %1 says why the point could not be stored.
        q.logEvent(tr("The held location couldn’t be saved for the next launch: %1").arg(error.description()),
                   TrackerLogLevel::warning);
    }
}

QCoro::Task<> LocationPlannerViewModel::Private::watchLoop(QPointer<LocationPlannerViewModel> self, RoutePoint point,
                                                           CancelToken token)
{
    if (!self)
        co_return;
    Clock* clock = self->m_deps.clock;
    Scheduler* scheduler = self->m_deps.scheduler;
    DeviceLocationService* device = self->m_deps.device;
    const auto delay = [](const LocationPlannerViewModel& vm) {
        return vm.d->m_hold->telegramIncidentActive()
                   ? std::chrono::milliseconds(shortestVerificationInterval)
                   : verificationInterval(vm.d->m_hold->lockRefreshIntervalSeconds());
    };
    Clock::SteadyTime due = clock->steadyNow();
    while (!token.isCancelled() && self) {
        co_await scheduler->sleep(watchTick, token);
        if (token.isCancelled() || !self)
            co_return;
        LocationPlannerViewModel& vm = *self;
        if (vm.d->m_device->isDeviceBusy())
            continue;
        using Case = LocationSimulationSafetyState::Case;
        const Case state = vm.d->m_simulationSafetyState.kind();
        if (state == Case::intentionalTransition || state == Case::resetting || state == Case::shuttingDown)
            continue;
        // Only a loss nobody knows of yet is news. During an outage the held process
        // proves nothing, and a restore ends it on purpose before it sets the point
        // again: reported, that would replace the outage's cause.
        if (vm.d->m_hasConfirmedLocationLock && !vm.d->m_outageCounted && !vm.d->m_hold->telegramIncidentActive() &&
            !vm.d->m_hold->isLocationLockRefreshing()) {
            const std::optional<LocationHelper> helper =
                vm.d->m_lockedHelper ? vm.d->m_lockedHelper : vm.d->m_device->helperStatus().helper;
            if (helper && helper->kind == LocationHelper::Kind::pyMobileDevice &&
                device->isPersistentLocationActive(helper) != true) {
                // The alarm goes up at once; the verification that counts and restores
                // follows as soon as the spacing allows.
                //: Incident cause.
                vm.d->reportLocationIncidentIfNeeded(tr("Location simulation ended unexpectedly."), point);
                due = std::min(due, clock->steadyNow());
            }
        }
        const Clock::SteadyTime now = clock->steadyNow();
        if (now >= due && now >= vm.d->m_lastVerificationEnd + shortestVerificationInterval) {
            co_await Private::verifyHold(self, token);
            if (token.isCancelled() || !self)
                co_return;
            due = clock->steadyNow() + delay(*self);
        }
    }
}

QCoro::Task<> LocationPlannerViewModel::Private::refreshLocationLockNow()
{
    // Not a coroutine itself: the work holds only a guarded pointer to the view model.
    return Private::verifyHold(QPointer(&q), m_holdToken);
}

QCoro::Task<LocationPlannerViewModel::Private::Look>
LocationPlannerViewModel::Private::lookForIPhone(DeviceLocationService* device, LocationHelper helper)
{
    Look look;
    try {
        look.reachable = co_await device->isDeviceReachable(helper);
    } catch (const ProcessLaunchError& failure) {
        look.ownFailure = failure.description();
    }
    co_return look;
}

QCoro::Task<> LocationPlannerViewModel::Private::verifyHold(QPointer<LocationPlannerViewModel> self, CancelToken token)
{
    if (!self)
        co_return;
    LocationPlannerViewModel& vm = *self;
    const std::optional<LocationHelper> helper =
        vm.d->m_lockedHelper ? vm.d->m_lockedHelper : vm.d->m_device->helperStatus().helper;
    if (!vm.d->m_hold->lockedPoint() || !helper || !vm.canRunDeviceAction())
        co_return;
    const RoutePoint point = *vm.d->m_hold->lockedPoint();
    const quint64 epoch = vm.d->m_holdEpoch;
    const quint64 run = ++vm.d->m_verificationRun;
    DeviceLocationService* device = vm.m_deps.device;
    const auto finish = [&self, run, epoch] {
        if (self && self->d->m_holdEpoch == epoch)
            self->d->m_lastVerificationEnd = self->m_deps.clock->steadyNow();
        if (self && self->d->m_verificationRun == run) {
            self->d->setLocationLockRefreshing(false);
            self->d->sendPointChosenDuringVerification();
            self->d->restoreIfPreparedDuringVerification();
        }
    };
    vm.d->setLocationLockRefreshing(true);

    QString cause;
    const std::optional<bool> active = device->isPersistentLocationActive(helper);
    if (helper->kind == LocationHelper::Kind::pyMobileDevice && active != true) {
        //: Incident cause.
        cause = tr("Location simulation ended unexpectedly.");
    } else {
        const Look look = co_await Private::lookForIPhone(device, *helper);
        if (!Private::isCurrentHold(self, epoch)) {
            finish();
            co_return;
        }
        self->d->m_device->setLastDeviceCheck(self->m_deps.clock->wallNow());
        if (look.ownFailure) {
            cause = *look.ownFailure;
        } else if (!look.reachable) {
            // The device status and the recovery say the same, so the alarm's cause does not flip.
            //: Incident cause.
            cause = tr("iPhone isn’t connected.");
        } else if (!self->d->m_hold->telegramIncidentActive() && !self->d->m_outageCounted) {
            // After a failed verification the held process proves nothing: only a
            // set after the outage (the restore below) confirms the hold again.
            self->d->m_hasConfirmedLocationLock = true;
            self->setSimulationSafetyState(LocationSimulationSafetyState::holdingConfirmed());
            self->d->m_hold->setLastLockRefresh(self->m_deps.clock->wallNow());
            self->d->m_hold->setLockRefreshCount(self->d->m_hold->lockRefreshCount() + 1);
            self->d->m_device->setLastDeviceError(QString());
            self->d->forgetOutage();
            //: Status message. %1 is the point's name.
            self->d->m_device->setDeviceActionMessage(tr("Location %1 is verified.").arg(point.name));
            finish();
            co_return;
        }
    }
    // One outage is one interruption, however many ticks it lasts: a long one must
    // neither inflate the count nor push the entry that opened it out of the log.
    const bool newOutage = !self->d->m_outageCounted;
    if (!cause.isEmpty()) {
        if (newOutage) {
            self->d->m_hold->setLockFailureCount(self->d->m_hold->lockFailureCount() + 1);
            self->d->m_outageCounted = true;
        }
        self->d->m_device->setLastDeviceError(cause);
        // An open incident keeps the cause it opened with: what a later check of the
        // same outage finds is most often the restore's own doing.
        if (!self->d->m_hold->telegramIncidentActive())
            self->d->reportLocationIncidentIfNeeded(cause, point);
    }
    //: Status message while the held location is put back.
    self->d->m_device->setDeviceActionMessage(tr("Restoring location…"));
    if (newOutage) {
        //: Event log entry. %1 is the cause.
        self->logEvent(tr("Location interrupted: %1").arg(self->d->m_device->lastDeviceError()),
                       TrackerLogLevel::warning);
    }
    co_await Private::recoverLocationLock(self, point, *helper, epoch, token);
    finish();
}

} // namespace ostrevin
