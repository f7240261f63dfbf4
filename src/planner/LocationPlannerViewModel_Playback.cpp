// Route playback on the iPhone: starting the draft, the two reports of the device
// controller, the three ways a playback ends, and the user's stop.
//
// A playback is known only by its identifier: every report and ending handler
// compares its own with m_routePlaybackID first, so a stop, a reset or a newer
// playback silences an older one without waiting for it.

#include "async/Scheduler.h"
#include "devicebridge/DeviceLocationService.h"
#include "planner/LocationPlannerViewModel.h"
#include "planner/LocationPlannerViewModel_Private.h"
#include "planner/PlannerTexts.h"
#include "process/CancellationError.h"
#include "routedata/LocationValidationError.h"

#include <QCoro/QCoroFuture>
#include <algorithm>
#include <chrono>

namespace ostrevin {

namespace {

bool isCancellation(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const CancellationError&) {
        return true;
    } catch (...) {
        return false;
    }
}

/// How long after a look that did not find the playing iPhone the second look comes.
constexpr std::chrono::seconds unplugConfirmationPause{2};

bool isQuitting(const LocationSimulationSafetyState& state)
{
    return state.kind() == LocationSimulationSafetyState::Case::shuttingDown;
}

} // namespace

void LocationPlannerViewModel::startIPhoneRoute()
{
    if (d->m_hold->isIPhoneRouteRunning() || d->m_isPlanningAddressRoute || isDeviceOperationInProgress())
        return;
    if (d->m_hold->isLocationResetPending()) {
        //: Alert text.
        setNotice(tr("Finish the location reset first."));
        return;
    }
    if (!d->m_device->helperStatus().helper || !d->m_device->helperStatus().isAvailable()) {
        setNotice(deviceUnavailableNotice());
        return;
    }
    // A route of no length (the same start and destination) has nothing to play:
    // the device would end it at once without ever reporting that it ran.
    if (d->m_draft->points().size() < 2 || !(d->m_draft->cachedRouteDistanceMeters() > 0)) {
        setNotice(LocationValidationError(LocationValidationError::Kind::routeNeedsTwoPoints).description());
        return;
    }

    Private::PlaybackRun run;
    if (d->m_simulationSafetyState == LocationSimulationSafetyState::holdingConfirmed() && d->m_hold->lockedPoint()) {
        run.previousPoint = d->m_hold->lockedPoint();
        run.previousHelper = d->m_lockedHelper ? d->m_lockedHelper : d->m_device->helperStatus().helper;
    }
    d->m_routePlaybackID.reset();
    d->m_routePlaybackConfirmedID.reset();
    d->stopLocationLock(Private::HoldEnding::routeStarts);
    d->markLocationResetPending(false);

    run.id = QUuid::createUuid();
    d->m_routePlaybackID = run.id;
    d->setIPhoneRouteRunning(true);
    setSimulationSafetyState(LocationSimulationSafetyState::starting());
    d->m_hold->setIPhoneRouteProgress(0);
    d->setRouteLivePoint(d->m_draft->points().first());

    run.points = d->m_draft->points();
    run.speedKmh = d->m_draft->speedKmh();
    run.speedProfile = d->m_draft->selectedSpeedProfile();
    run.transportMode = d->m_draft->selectedTransportMode();
    run.routeName = d->m_draft->routeName();
    run.helper = *d->m_device->helperStatus().helper;
    d->m_playAttempt = d->attemptStarts(run.helper.deviceIdentifier);

    //: Status message.
    d->m_device->setDeviceActionMessage(tr("Starting route…"));
    //: Event log entry. %1 is a point count such as “5 points”.
    logEvent(tr("Starting route: %1.").arg(PlannerTexts::pointCountText(run.points.size())), TrackerLogLevel::info);
    // Replacing the slot cancels an older run; its identifier is already stale.
    const CancelToken token = d->m_routePlaybackTask.replace();
    d->m_routePlaybackTask.adopt(Private::playbackFlow(QPointer(this), std::move(run), token));
}

QCoro::Task<> LocationPlannerViewModel::Private::playbackFlow(QPointer<LocationPlannerViewModel> self, PlaybackRun run,
                                                              CancelToken token)
{
    DeviceLocationService* device = self->m_deps.device;
    // The reports run on this (GUI) thread while the device worker waits for them.
    auto started = [self, id = run.id](const LocationHelper& helperInUse) {
        if (self)
            self->d->handlePlaybackStarted(id, helperInUse);
    };
    auto progress = [self, id = run.id](double fraction, const RoutePoint& point) {
        if (self)
            self->d->handlePlaybackProgress(id, fraction, point);
    };
    std::exception_ptr error;
    try {
        co_await device->playRoute(run.points, run.speedProfile, run.transportMode, run.speedKmh, run.helper,
                                   self.data(), started, progress, token.stopToken());
    } catch (...) {
        error = std::current_exception();
    }
    if (!self)
        co_return;
    if (!error)
        self->d->finishPlayback(run);
    else if (isCancellation(error))
        self->d->handlePlaybackCancelled(run);
    else
        self->d->handlePlaybackFailure(run, error);
}

bool LocationPlannerViewModel::Private::isCurrentPlayback(const QUuid& id) const
{
    // Quitting ends the device processes next; nothing of a playback may re-arm a
    // hold or raise an alarm after that began.
    return m_routePlaybackID == id && !isQuitting(m_simulationSafetyState);
}

void LocationPlannerViewModel::Private::handlePlaybackStarted(const QUuid& id, const LocationHelper& helperInUse)
{
    if (!isCurrentPlayback(id))
        return;
    m_routePlaybackConfirmedID = id;
    m_lockedHelper = helperInUse;
    m_hasConfirmedLocationLock = true;
    q.setSimulationSafetyState(LocationSimulationSafetyState::routeConfirmed(id));
    if (unpluggedSince(m_playAttempt)) {
        // Unplugged while the play started: the play process runs on, as a set's
        // does, but the iPhone uses its real location. Lost as a playing route is.
        playingDeviceLost(HoldStart::lostAtOnce);
        return;
    }
    const CancelToken token = m_playingDeviceTask.replace();
    m_playingDeviceTask.adopt(Private::watchPlayingDevice(QPointer(&q), id, helperInUse, token));
    //: Event log entry.
    q.logEvent(tr("Route playback is running and monitored."), TrackerLogLevel::info);
}

QCoro::Task<> LocationPlannerViewModel::Private::watchPlayingDevice(QPointer<LocationPlannerViewModel> self, QUuid id,
                                                                    LocationHelper helper, CancelToken token)
{
    // The play process runs on without the iPhone, and usbmuxd's report of the
    // unplug may never come: unchecked, the loss would last until the route's time
    // is up. Checked as a held point is, at the check interval.
    Scheduler* scheduler = self->m_deps.scheduler;
    DeviceLocationService* device = self->m_deps.device;
    const auto playing = [&] {
        return self && !token.isCancelled() && self->d->m_routePlaybackID == id &&
               self->d->isPlayingDevice(helper.deviceIdentifier);
    };
    while (playing()) {
        const bool elapsed =
            co_await scheduler->sleep(verificationInterval(self->d->m_hold->lockRefreshIntervalSeconds()), token);
        if (!elapsed || !playing())
            co_return;
        Look look = co_await Private::lookForIPhone(device, helper);
        if (!playing())
            co_return;
        if (!look.reachable) {
            // One look whose listings both fail (a usbmuxd query that timed out) is
            // no unplug, and a route that ends cannot go on: a second look a little
            // later confirms it. A reported unplug ends the route without waiting.
            const bool paused = co_await scheduler->sleep(unplugConfirmationPause, token);
            if (!paused || !playing())
                co_return;
            look = co_await Private::lookForIPhone(device, helper);
            if (!playing())
                co_return;
        }
        if (!look.reachable)
            self->d->playingDeviceLost(HoldStart::announced, look.ownFailure);
    }
}

void LocationPlannerViewModel::Private::handlePlaybackProgress(const QUuid& id, double fraction,
                                                               const RoutePoint& point)
{
    if (!isCurrentPlayback(id))
        return;
    // The report before the play says it started comes once the iPhone was found
    // ready, right before the play is launched: an unplug from here on is the
    // play's, while a pull and replug during the readiness look is over.
    if (m_routePlaybackConfirmedID != id)
        m_playAttempt = attemptStarts(m_playAttempt.udid);
    m_hold->setIPhoneRouteProgress(fraction);
    setRouteLivePoint(point);
    m_hold->setLastPushedPointName(point.name);
    m_hold->setLastPushedPointID(point.id);
    //: Status message. %1 is the progress summary such as “42% · 6 min left”.
    m_device->setDeviceActionMessage(tr("Route is playing: %1").arg(q.routeProgressSummary()));
}

bool LocationPlannerViewModel::Private::isPlayingDevice(const std::optional<QString>& udid) const
{
    return m_routePlaybackID && m_routePlaybackConfirmedID == m_routePlaybackID && m_lockedHelper &&
           m_lockedHelper->deviceIdentifier == udid &&
           m_simulationSafetyState == LocationSimulationSafetyState::routeConfirmed(*m_routePlaybackID);
}

void LocationPlannerViewModel::Private::holdPointReachedByPlayback(const QString& cause, HoldStart start)
{
    // pymobiledevice3's play runs on without the iPhone, so the route would never
    // end by itself; nor can it go on where it stopped. The point reached is held
    // instead, confirmed, so that its loss is the outage of an ordinary hold.
    const std::optional<RoutePoint> reached = m_hold->routeLivePoint();
    const LocationHelper helper = *m_lockedHelper;
    endPlaybackState();
    // The cancelled run finds its identifier stale; its worker ends the play process.
    (void)m_routePlaybackTask.cancel();
    //: Event log entry. %1 is the error's description.
    q.logEvent(tr("Route playback failed: %1").arg(cause), TrackerLogLevel::error);
    if (!reached) {
        q.setSimulationSafetyState(LocationSimulationSafetyState::inactive());
        return;
    }
    m_hasConfirmedLocationLock = true;
    startLocationLock(*reached, helper, LockCounters::keep, start);
}

void LocationPlannerViewModel::Private::endPlaybackState()
{
    m_routePlaybackID.reset();
    m_routePlaybackConfirmedID.reset();
    setIPhoneRouteRunning(false);
}

void LocationPlannerViewModel::Private::verifyHoldSoon()
{
    // The verification owns itself; it holds only a guarded pointer to the view model.
    (void)refreshLocationLockNow();
}

void LocationPlannerViewModel::Private::finishPlayback(const PlaybackRun& run)
{
    if (!isCurrentPlayback(run.id))
        return;
    const bool confirmed = m_routePlaybackConfirmedID == run.id;
    endPlaybackState();
    m_hold->setIPhoneRouteProgress(1);
    const RoutePoint last = run.points.last();
    setRouteLivePoint(last);
    // Only a route that reported itself running has put its last point on the iPhone.
    m_hasConfirmedLocationLock = confirmed;
    startLocationLock(last, m_lockedHelper.value_or(run.helper), LockCounters::reset);
    verifyHoldSoon();
    //: Status message. %1 is the held point's name.
    m_device->setDeviceActionMessage(tr("The route finished. Location %1 is held until you reset it.").arg(last.name));
    recordInHistory(run.points, run.routeName, run.speedKmh, run.speedProfile, run.transportMode);
    //: Event log entry.
    q.logEvent(tr("The route finished. Holding the last point."), TrackerLogLevel::info);
}

void LocationPlannerViewModel::Private::handlePlaybackCancelled(const PlaybackRun& run)
{
    if (!isCurrentPlayback(run.id))
        return;
    endPlaybackState();
    if (!m_hold->routeLivePoint()) {
        q.setSimulationSafetyState(LocationSimulationSafetyState::inactive());
        m_device->setDeviceActionMessage(PlannerTexts::routeStoppedMessage(std::nullopt));
    } else {
        const RoutePoint live = *m_hold->routeLivePoint();
        m_hasConfirmedLocationLock = false;
        startLocationLock(live, m_lockedHelper.value_or(run.helper), LockCounters::keep);
        verifyHoldSoon();
        m_device->setDeviceActionMessage(PlannerTexts::routeStoppedMessage(live));
    }
    q.logEvent(PlannerTexts::routeStoppedMessage(std::nullopt), TrackerLogLevel::info);
}

void LocationPlannerViewModel::Private::handlePlaybackFailure(const PlaybackRun& run, const std::exception_ptr& error)
{
    if (!isCurrentPlayback(run.id))
        return;
    const bool confirmed = m_routePlaybackConfirmedID == run.id;
    endPlaybackState();
    const bool unplugged = unpluggedSince(m_playAttempt);
    const QString description = failureCause(m_playAttempt, error);
    const RoutePoint keep = m_hold->routeLivePoint().value_or(run.points.first());

    if (confirmed) {
        // A running route was interrupted: its point is held and restored like any hold.
        m_hasConfirmedLocationLock = true;
        q.setSimulationSafetyState(LocationSimulationSafetyState::holdingConfirmed());
        reportLocationIncidentIfNeeded(PlannerTexts::summary(description), keep);
        startLocationLock(keep, m_lockedHelper.value_or(run.helper), LockCounters::keep);
        verifyHoldSoon();
        //: Status message.
        m_device->setDeviceActionMessage(tr("Route playback was interrupted. Restoring the last location…"));
    } else if (run.previousPoint && unplugged) {
        // The hold the route replaced went with the cable: the replug restores it at once.
        holdLostWhileSet(*run.previousPoint, run.previousHelper.value_or(run.helper), LockCounters::keep);
        m_device->setDeviceActionMessage(tr("Couldn’t start the route."));
    } else if (run.previousPoint) {
        // The confirmed hold the route replaced is gone from the iPhone now; it is
        // restored and reported rather than silently dropped.
        m_hasConfirmedLocationLock = true;
        startLocationLock(*run.previousPoint, run.previousHelper.value_or(run.helper), LockCounters::keep);
        reportLocationIncidentIfNeeded(
            //: Incident cause. %1 is the error's first paragraph.
            tr("Starting the route failed, and the previous location may no longer be held. %1")
                .arg(PlannerTexts::summary(description)),
            run.previousPoint);
        //: Status message.
        m_device->setDeviceActionMessage(tr("Couldn’t start the route."));
    } else {
        m_hasConfirmedLocationLock = false;
        q.setSimulationSafetyState(LocationSimulationSafetyState::inactive());
        m_device->setDeviceActionMessage(tr("Couldn’t start the route."));
    }

    // The unplug report already shows the iPhone as not connected.
    if (!unplugged) {
        LocationHelperStatus interrupted;
        interrupted.helper = run.helper;
        //: Device status after a failed playback.
        interrupted.message = tr("The connection to iPhone was interrupted. Prepare it again.");
        interrupted.installHint = m_device->helperStatus().installHint;
        m_device->setHelperStatus(interrupted);
    }
    m_device->setLastDeviceError(description);
    if (confirmed) {
        //: Alert text. %1 is the error's first paragraph.
        q.setNotice(tr("Route playback was interrupted. %1").arg(PlannerTexts::summary(description)));
    } else {
        //: Alert text. %1 is the error's first paragraph.
        q.setNotice(tr("Couldn’t start the route. %1").arg(PlannerTexts::summary(description)));
    }
    //: Event log entry. %1 is the error's description.
    q.logEvent(tr("Route playback failed: %1").arg(description), TrackerLogLevel::error);
}

void LocationPlannerViewModel::stopIPhoneRoute()
{
    const std::optional<LocationHelper> helper = d->m_device->helperStatus().helper;
    std::optional<RoutePoint> hold = d->m_hold->routeLivePoint();
    if (!hold && d->m_hold->lastPushedPointID()) {
        const auto pushed =
            std::find_if(d->m_draft->points().cbegin(), d->m_draft->points().cend(),
                         [&](const RoutePoint& point) { return point.id == *d->m_hold->lastPushedPointID(); });
        if (pushed != d->m_draft->points().cend())
            hold = *pushed;
    }
    if (!hold && !d->m_draft->points().isEmpty())
        hold = d->m_draft->points().last();

    setSimulationSafetyState(LocationSimulationSafetyState::intentionalTransition());
    d->m_routePlaybackID.reset();
    d->m_routePlaybackConfirmedID.reset();
    // Cancelling the run asks the device worker to stop; nothing here waits for it.
    const QFuture<void> playbackFinished = d->m_routePlaybackTask.cancel();
    d->setIPhoneRouteRunning(false);
    d->m_hasConfirmedLocationLock = false;
    d->markLocationResetPending(false);
    //: Status message.
    d->m_device->setDeviceActionMessage(tr("Stopping route…"));
    d->setDeviceBusy(true);
    // Not stored: a stop always runs to its end.
    Private::stopPlaybackFlow(QPointer(this), playbackFinished, helper, hold);
}

QCoro::Task<> LocationPlannerViewModel::Private::stopPlaybackFlow(QPointer<LocationPlannerViewModel> self,
                                                                  QFuture<void> playbackFinished,
                                                                  std::optional<LocationHelper> helper,
                                                                  std::optional<RoutePoint> hold)
{
    co_await self->d->stopDeviceProcessesOffMain();
    co_await playbackFinished;
    if (!self)
        co_return;
    LocationPlannerViewModel* vm = self.data();
    if (isQuitting(vm->d->m_simulationSafetyState)) {
        vm->d->setDeviceBusy(false);
        co_return;
    }
    if (!helper || !hold) {
        vm->setSimulationSafetyState(LocationSimulationSafetyState::inactive());
        vm->d->m_device->setDeviceActionMessage(PlannerTexts::routeStoppedMessage(std::nullopt));
        vm->d->setDeviceBusy(false);
        co_return;
    }
    if (vm->d->m_routePlaybackID || vm->d->m_hold->isIPhoneRouteRunning() || vm->d->m_hold->isLocationResetPending()) {
        vm->d->setDeviceBusy(false);
        co_return;
    }

    // The play process is gone, so the point is set anew before it is announced as held.
    const SetOutcome set = co_await Private::setLocationWithRetry(self, *helper, *hold);
    if (!self)
        co_return;
    vm = self.data();
    if (isQuitting(vm->d->m_simulationSafetyState)) {
        vm->d->setDeviceBusy(false);
        co_return;
    }
    const std::exception_ptr& error = set.error;
    if (!error) {
        vm->d->m_hold->setLastPushedPointName(hold->name);
        vm->d->m_hold->setLastPushedPointID(hold->id);
    }
    if (vm->d->unpluggedSince(set.attempt)) {
        // Unplugged while the set started, set or failed: the iPhone uses its real
        // location, and the replug sets the point.
        vm->d->holdLostWhileSet(*hold, set.helper, LockCounters::keep);
    } else if (!error) {
        vm->d->m_hasConfirmedLocationLock = true;
        vm->d->startLocationLock(*hold, set.helper, LockCounters::keep);
        // The set just sent is what the iPhone confirmed last, not the check before the route.
        vm->d->m_hold->setLastLockRefresh(vm->m_deps.clock->wallNow());
        vm->d->m_device->setDeviceActionMessage(PlannerTexts::routeStoppedMessage(hold));
        vm->logEvent(PlannerTexts::routeStoppedMessage(hold), TrackerLogLevel::info);
    } else {
        // Held but unconfirmed: the watch loop keeps trying to set it.
        vm->d->m_hasConfirmedLocationLock = false;
        vm->d->startLocationLock(*hold, *helper, LockCounters::keep);
    }
    if (error) {
        const QString description = vm->d->failureCause(set.attempt, error);
        //: Status message.
        vm->d->m_device->setDeviceActionMessage(tr("Couldn’t set the location."));
        //: Alert text. %1 is the error's first paragraph.
        vm->setNotice(tr("Couldn’t set the location. %1").arg(PlannerTexts::summary(description)));
        //: Event log entry. %1 is the error's description.
        vm->logEvent(tr("Couldn’t set the location: %1").arg(description), TrackerLogLevel::error);
    }
    vm->d->setDeviceBusy(false);
}

void LocationPlannerViewModel::startSavedRoute(const SavedRoute& route)
{
    if (d->m_hold->isIPhoneRouteRunning() || d->m_isPlanningAddressRoute || isDeviceOperationInProgress() ||
        !canChangeIPhoneLocation())
        return;
    d->applySavedRouteToDraft(route);
    startIPhoneRoute();
}

} // namespace ostrevin
