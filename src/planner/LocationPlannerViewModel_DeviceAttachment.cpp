// iPhones attached and detached as it happens. A check every few seconds misses
// an unplug that ends between two checks, while the iPhone went back to its real
// location and pymobiledevice3's held set kept running as if nothing happened;
// and the device pill would go on saying Ready for an iPhone that is gone.

#include "devicebridge/DeviceLocationError.h"
#include "devicebridge/DeviceLocationService.h"
#include "planner/LocationPlannerViewModel.h"
#include "planner/LocationPlannerViewModel_Private.h"
#include "planner/PlannerTexts.h"
#include "platform/DeviceAttachmentWatcher.h"

#include <QCoro/QCoroFuture>
#include <QMetaObject>
#include <utility>

namespace ostrevin {

namespace {

QString notConnectedCause()
{
    //: Incident cause and device status message.
    return LocationPlannerViewModel::tr("iPhone isn’t connected.");
}

LocationHelperStatus asUnplugged(const LocationHelperStatus& status)
{
    LocationHelperStatus unplugged = status;
    unplugged.message = notConnectedCause();
    unplugged.isDeviceConnected = false;
    unplugged.isLocationReady = false;
    unplugged.failureReason.clear();
    unplugged.waitsForPrepareIPhone = false;
    return unplugged;
}

} // namespace

void LocationPlannerViewModel::Private::startWatchingDeviceAttachment()
{
    DeviceAttachmentWatcher* watcher = q.m_deps.deviceAttachmentWatcher;
    if (!watcher)
        return;
    connect(watcher, &DeviceAttachmentWatcher::deviceDetached, &q,
            [this](const QString& udid) { deviceDetached(udid); });
    connect(watcher, &DeviceAttachmentWatcher::deviceAttached, &q,
            [this](const QString& udid) { deviceAttached(udid); });
    // Said once: the user who reads the log wonders why an unplug went unnoticed.
    // Only a watcher that cannot report says it: a usbmuxd that is not running yet
    // reports once it starts with the next iPhone plugged in.
    const auto sayUnavailable = [this] {
        if (m_deviceEventsUnavailableLogged)
            return;
        m_deviceEventsUnavailableLogged = true;
        //: Event log entry: usbmuxd is the system service that reports iPhones plugged in and out.
        q.logEvent(tr("usbmuxd doesn’t report iPhones being plugged in and out, so a short unplug is caught only by "
                      "the location checks."),
                   TrackerLogLevel::warning);
    };
    connect(watcher, &DeviceAttachmentWatcher::unavailable, &q, sayUnavailable);
    if (!watcher->start())
        sayUnavailable();
}

bool LocationPlannerViewModel::Private::isHeldDevice(const QString& udid) const
{
    return m_hold->lockedPoint() && m_lockedHelper && m_lockedHelper->deviceIdentifier == udid &&
           m_hasConfirmedLocationLock && m_simulationSafetyState == LocationSimulationSafetyState::holdingConfirmed();
}

void LocationPlannerViewModel::Private::deviceDetached(const QString& udid)
{
    m_lastUnplugReport.insert(udid, ++m_unplugReports);
    m_reportedUnplugged.insert(udid);
    if (m_attachToActOn == udid)
        m_attachToActOn.reset();
    // Whatever the restore waited for, an iPhone that is gone needs the cable first.
    if (!m_lockedHelper || !m_lockedHelper->deviceIdentifier || m_lockedHelper->deviceIdentifier == udid)
        setRecoveryWait(QString());
    // The point a Set location replaces went with the cable: until the set under way
    // ends, nothing may read as set on that iPhone.
    if (m_simulationSafetyState == LocationSimulationSafetyState::intentionalTransition() && m_lockedHelper &&
        m_lockedHelper->deviceIdentifier == udid)
        m_hasConfirmedLocationLock = false;
    markUnplugged(udid);
    if (isPlayingDevice(udid))
        playingDeviceLost();
    else if (isHeldDevice(udid))
        heldDeviceLost();
}

void LocationPlannerViewModel::Private::markUnplugged(const QString& udid)
{
    const LocationHelperStatus status = m_device->helperStatus();
    if (!status.isDeviceConnected || !status.helper || status.helper->deviceIdentifier != udid)
        return;
    // Whatever is held: the next Set location would otherwise fail at the tool.
    const LocationHelperStatus unplugged = asUnplugged(status);
    m_device->setHelperStatus(unplugged);
    m_statusBeforeUnplug = StatusBeforeUnplug{m_device->helperStatusRevision(), status};
    // A running operation or a hold says what happens next itself; a check the
    // user asked for has its answer here (what it found before is older).
    if ((m_device->isCheckingDevice() || !q.isDeviceOperationInProgress()) && !m_hold->isIPhoneRouteRunning() &&
        !m_locationLockTask.isRunning())
        m_device->setDeviceActionMessage(PlannerTexts::nextDeviceActionMessage(unplugged));
}

void LocationPlannerViewModel::Private::playingDeviceLost(HoldStart start, const std::optional<QString>& ownFailure)
{
    // A route playing on it is lost as a held point is: its point reached becomes the held one.
    holdPointReachedByPlayback(ownFailure.value_or(notConnectedCause()), start);
    if (m_hold->lockedPoint())
        heldDeviceLost(ownFailure);
}

void LocationPlannerViewModel::Private::heldDeviceLost(const std::optional<QString>& ownFailure)
{
    const QString cause = ownFailure.value_or(notConnectedCause());
    // Whatever the next check finds, the location is lost: the outage is counted
    // now, and only the set after it (the restore) confirms the hold again.
    const bool newOutage = !m_outageCounted;
    if (newOutage) {
        m_hold->setLockFailureCount(m_hold->lockFailureCount() + 1);
        m_outageCounted = true;
    }
    m_device->setLastDeviceError(cause);
    reportCauseUnlessIncidentOpen(cause, m_hold->lockedPoint());
    //: Status message while the held location is put back.
    m_device->setDeviceActionMessage(tr("Restoring location…"));
    if (newOutage)
        q.logEvent(tr("Location interrupted: %1").arg(cause), TrackerLogLevel::warning);
}

LocationPlannerViewModel::Private::Attempt
LocationPlannerViewModel::Private::attemptStarts(const std::optional<QString>& udid) const
{
    return Attempt{udid, m_unplugReports, udid && m_reportedUnplugged.contains(*udid)};
}

bool LocationPlannerViewModel::Private::unpluggedSince(const Attempt& attempt) const
{
    // Pulled in the moment between the look that found the iPhone ready and the
    // launch, the cable ended the attempt before it began.
    if (attempt.launchedUnplugged)
        return true;
    return attempt.udid ? m_lastUnplugReport.value(*attempt.udid, 0) > attempt.unplugsBefore
                        : m_unplugReports > attempt.unplugsBefore;
}

LocationHelperStatus LocationPlannerViewModel::Private::lookResult(const LocationHelperStatus& found,
                                                                   const Attempt& look)
{
    // A look answers for the moment its tool reached the iPhone; a later unplug
    // report is the newer word, and the pill must not read Ready for an iPhone
    // that is gone. An attach reported after it makes the look current again.
    if (!found.isDeviceConnected || !found.helper || !found.helper->deviceIdentifier ||
        !m_reportedUnplugged.contains(*found.helper->deviceIdentifier))
        return found;
    const QString& udid = *found.helper->deviceIdentifier;
    if (m_lastUnplugReport.value(udid, 0) > look.unplugsBefore)
        return asUnplugged(found);
    // Begun after the unplug report, the look found the iPhone through usbmuxd:
    // it is back, whether or not its attach report came. Attempts on it go ahead.
    m_reportedUnplugged.remove(udid);
    return found;
}

QCoro::Task<LocationPlannerViewModel::Private::SetOutcome>
LocationPlannerViewModel::Private::sendPoint(DeviceLocationService* device, SetOutcome set, RoutePoint point,
                                             std::stop_token stopToken, AdministratorPrompt prompt)
{
    if (set.attempt.launchedUnplugged) {
        set.error = std::make_exception_ptr(
            DeviceLocationError::deviceNotConnected(QStringLiteral("simulate-location set"), notConnectedCause()));
        co_return set;
    }
    try {
        co_await device->resendLocation(point, set.helper, stopToken, prompt);
    } catch (...) {
        set.error = std::current_exception();
    }
    co_return set;
}

QString LocationPlannerViewModel::Private::failureCause(const Attempt& attempt, const std::exception_ptr& error) const
{
    // Unplugged meanwhile, the tool's failure says only that the connection went:
    // the cable is what the user must see to. An iPhone plugged back in before the
    // attempt began lost an earlier one, not this one.
    return unpluggedSince(attempt) ? notConnectedCause() : PlannerTexts::errorDescription(error);
}

void LocationPlannerViewModel::Private::holdLostWhileSet(const RoutePoint& point, const LocationHelper& helper,
                                                         LockCounters counters)
{
    m_hasConfirmedLocationLock = true;
    startLocationLock(point, helper, counters, HoldStart::lostAtOnce);
    // An outage that was open goes on, now for this point: the restore sets it, and
    // the alarm and the alerts must name what is restored.
    if (m_hold->telegramIncidentActive() && m_telegramIncidentPoint != point) {
        m_telegramIncidentPoint = point;
        if (std::optional<LocationSafetyAlarmEvent> shown = m_hold->locationSafetyAlarm()) {
            shown->pointName = point.name;
            shown->latitude = point.latitude;
            shown->longitude = point.longitude;
            shown->lastUpdatedAt = q.m_deps.clock->wallNow();
            q.publishLocationSafetyAlarm(*shown);
        }
    }
    heldDeviceLost();
}

void LocationPlannerViewModel::Private::deviceAttached(const QString& udid)
{
    m_reportedUnplugged.remove(udid);
    const bool heldAndLost = isHeldDevice(udid) && m_outageCounted;
    if (!heldAndLost) {
        const LocationHelperStatus& status = m_device->helperStatus();
        if (status.isDeviceConnected && status.helper && status.helper->deviceIdentifier == udid)
            return;
    }
    if (m_hold->isIPhoneRouteRunning())
        showReattachedDuringRoute(udid);
    // Dropped, the report would leave the pill at "Not connected" for an iPhone that
    // is plugged in, and Set location refused, until the readiness monitor's next
    // look; nor would a hold lost during a set be restored at once.
    if (!q.canRunDeviceAction() || m_isHelperRefreshRunning) {
        m_attachToActOn = udid;
        return;
    }
    if (heldAndLost) {
        // Back: restored at once rather than at the next check.
        m_nextLockRecoveryAttempt = Clock::SteadyTime::min();
        (void)refreshLocationLockNow();
        return;
    }
    // Found now rather than at the readiness monitor's next check: the pill follows
    // the cable, and a point restored from the last session is set at once.
    startDeviceCheck({}, ConnectedIPhone::askReadiness);
}

void LocationPlannerViewModel::Private::showReattachedDuringRoute(const QString& udid)
{
    // A route's own checks decide whether it goes on, and no check may run beside
    // it: the pill shows again what it showed before the unplug, unless something
    // newer was said about the iPhone since. The check after the route looks afresh.
    const std::optional<StatusBeforeUnplug> before = std::exchange(m_statusBeforeUnplug, std::nullopt);
    if (before && before->revision == m_device->helperStatusRevision() && before->status.helper &&
        before->status.helper->deviceIdentifier == udid)
        m_device->setHelperStatus(before->status);
}

void LocationPlannerViewModel::Private::actOnDeferredAttach()
{
    if (!m_attachToActOn || !q.canRunDeviceAction() || m_isHelperRefreshRunning)
        return;
    // Posted: the flow that just ended its operation finishes first, and what it
    // published (a hold, a status) decides what the report means.
    QMetaObject::invokeMethod(
        &q,
        [this] {
            if (std::optional<QString> udid = std::exchange(m_attachToActOn, std::nullopt))
                deviceAttached(*udid);
        },
        Qt::QueuedConnection);
}

} // namespace ostrevin
