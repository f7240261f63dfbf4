// iPhones attached and detached as it happens. A check every few seconds misses
// an unplug that ends between two checks, while the iPhone went back to its real
// location and pymobiledevice3's held set kept running as if nothing happened;
// and the device pill would go on saying Ready for an iPhone that is gone.

#include "planner/LocationPlannerViewModel.h"
#include "planner/LocationPlannerViewModel_Private.h"
#include "planner/PlannerTexts.h"
#include "platform/DeviceAttachmentWatcher.h"

namespace ostrevin {

namespace {

QString notConnectedCause()
{
    //: Incident cause and device status message.
    return LocationPlannerViewModel::tr("iPhone isn’t connected.");
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
    markUnplugged(udid);
    if (isPlayingDevice(udid))
        playingDeviceLost();
    else if (isHeldDevice(udid))
        heldDeviceLost();
}

void LocationPlannerViewModel::Private::markUnplugged(const QString& udid)
{
    const LocationHelperStatus& status = m_device->helperStatus();
    if (!status.isDeviceConnected || !status.helper || status.helper->deviceIdentifier != udid)
        return;
    // Whatever is held: the next Set location would otherwise fail at the tool.
    LocationHelperStatus unplugged = status;
    unplugged.message = notConnectedCause();
    unplugged.isDeviceConnected = false;
    unplugged.isLocationReady = false;
    unplugged.failureReason.clear();
    m_device->setHelperStatus(unplugged);
    // A running operation or a hold says what happens next itself; a check the
    // user asked for has its answer here (what it found before is older).
    if ((m_device->isCheckingDevice() || !q.isDeviceOperationInProgress()) && !m_hold->isIPhoneRouteRunning() &&
        !m_locationLockTask.isRunning())
        m_device->setDeviceActionMessage(PlannerTexts::nextDeviceActionMessage(unplugged));
}

void LocationPlannerViewModel::Private::playingDeviceLost()
{
    // A route playing on it is lost as a held point is: its point reached becomes the held one.
    holdPointReachedByPlayback(notConnectedCause());
    if (m_hold->lockedPoint())
        heldDeviceLost();
}

void LocationPlannerViewModel::Private::heldDeviceLost()
{
    const QString cause = notConnectedCause();
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

void LocationPlannerViewModel::Private::deviceAttached(const QString& udid)
{
    if (isHeldDevice(udid) && m_outageCounted) {
        // Back: restored at once rather than at the next check.
        m_nextLockRecoveryAttempt = Clock::SteadyTime::min();
        (void)refreshLocationLockNow();
        return;
    }
    const LocationHelperStatus& status = m_device->helperStatus();
    if (status.isDeviceConnected && status.helper && status.helper->deviceIdentifier == udid)
        return;
    // Found now rather than at the readiness monitor's next check: the pill follows
    // the cable, and a point restored from the last session is set at once.
    if (m_isHelperRefreshRunning)
        m_checkAfterCurrentCheck = true;
    else
        startDeviceCheck({}, ConnectedIPhone::askReadiness);
}

} // namespace ostrevin
