// The held iPhone's attach and detach as they happen. A check every few seconds
// misses an unplug that ends between two checks, while the iPhone went back to its
// real location and pymobiledevice3's held set kept running as if nothing happened.

#include "planner/LocationPlannerViewModel.h"
#include "planner/LocationPlannerViewModel_Private.h"
#include "platform/DeviceAttachmentWatcher.h"

namespace ostrevin {

void LocationPlannerViewModel::Private::startWatchingDeviceAttachment()
{
    DeviceAttachmentWatcher* watcher = q.m_deps.deviceAttachmentWatcher;
    if (!watcher)
        return;
    connect(watcher, &DeviceAttachmentWatcher::deviceDetached, &q,
            [this](const QString& udid) { heldDeviceDetached(udid); });
    connect(watcher, &DeviceAttachmentWatcher::deviceAttached, &q,
            [this](const QString& udid) { heldDeviceAttached(udid); });
    // Said once: the user who reads the log wonders why an unplug went unnoticed.
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

void LocationPlannerViewModel::Private::heldDeviceDetached(const QString& udid)
{
    //: Incident cause.
    const QString cause = tr("iPhone isn’t connected.");
    // A route playing on it is lost as a held point is: its point reached becomes the held one.
    if (isPlayingDevice(udid))
        holdPointReachedByPlayback(cause);
    if (!isHeldDevice(udid))
        return;
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

void LocationPlannerViewModel::Private::heldDeviceAttached(const QString& udid)
{
    if (!isHeldDevice(udid) || !m_outageCounted)
        return;
    // Back: restored at once rather than at the next check.
    m_nextLockRecoveryAttempt = Clock::SteadyTime::min();
    (void)refreshLocationLockNow();
}

} // namespace ostrevin
