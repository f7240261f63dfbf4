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
    connect(watcher, &DeviceAttachmentWatcher::deviceDetached, &q, &LocationPlannerViewModel::heldDeviceDetached);
    connect(watcher, &DeviceAttachmentWatcher::deviceAttached, &q, &LocationPlannerViewModel::heldDeviceAttached);
    watcher->start();
}

bool LocationPlannerViewModel::Private::isHeldDevice(const QString& udid) const
{
    return q.m_hold->lockedPoint() && m_lockedHelper && m_lockedHelper->deviceIdentifier == udid &&
           m_hasConfirmedLocationLock && q.m_simulationSafetyState == LocationSimulationSafetyState::holdingConfirmed();
}

void LocationPlannerViewModel::heldDeviceDetached(const QString& udid)
{
    if (!d->isHeldDevice(udid))
        return;
    // Whatever the next check finds, the location is lost: the outage is counted
    // now, and only the set after it (the restore) confirms the hold again.
    //: Incident cause.
    const QString cause = tr("iPhone isn’t connected.");
    const bool newOutage = !d->m_outageCounted;
    if (newOutage) {
        m_hold->setLockFailureCount(m_hold->lockFailureCount() + 1);
        d->m_outageCounted = true;
    }
    m_device->setLastDeviceError(cause);
    d->reportLocationIncidentIfNeeded(cause, m_hold->lockedPoint());
    //: Status message while the held location is put back.
    m_device->setDeviceActionMessage(tr("Restoring location…"));
    if (newOutage)
        logEvent(tr("Location interrupted: %1").arg(cause), TrackerLogLevel::warning);
}

void LocationPlannerViewModel::heldDeviceAttached(const QString& udid)
{
    if (!d->isHeldDevice(udid) || !d->m_outageCounted)
        return;
    // Back: restored at once rather than at the next check.
    d->m_nextLockRecoveryAttempt = Clock::SteadyTime::min();
    (void)d->refreshLocationLockNow();
}

} // namespace ostrevin
