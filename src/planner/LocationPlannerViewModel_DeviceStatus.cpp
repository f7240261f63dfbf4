#include "async/Scheduler.h"
#include "devicebridge/DeviceLocationService.h"
#include "planner/LocationPlannerViewModel.h"
#include "planner/LocationPlannerViewModel_Private.h"
#include "planner/PlannerTexts.h"

#include <QCoro/QCoroFuture>
#include <chrono>
#include <utility>

namespace ostrevin {

namespace {

/// How often the readiness monitor looks for a newly plugged-in iPhone.
constexpr std::chrono::seconds readinessInterval{30};

} // namespace

QString LocationPlannerViewModel::Private::deviceName(const std::optional<LocationHelper>& helper)
{
    if (helper && helper->deviceName)
        return *helper->deviceName;
    if (helper && helper->deviceIdentifier)
        return *helper->deviceIdentifier;
    //: Device name used in messages when the iPhone's name is not known.
    return tr("iPhone");
}

QString LocationPlannerViewModel::deviceDisplayName() const
{
    //: Device name in the toolbar's device pill when no iPhone is connected.
    return d->m_device->helperStatus().isDeviceConnected ? Private::deviceName(d->m_device->helperStatus().helper)
                                                         : tr("iPhone");
}

std::optional<QString> LocationPlannerViewModel::deviceBlockerMessage() const
{
    if (d->m_hold->isLocationResetPending()) {
        //: Footer notice of the panels.
        return tr("Finish the location reset first.");
    }
    if (d->m_device->helperStatus().isAvailable() || !d->m_device->lastDeviceCheck())
        return std::nullopt;
    return PlannerTexts::nextDeviceActionMessage(d->m_device->helperStatus());
}

void LocationPlannerViewModel::refreshHelperStatus(DeviceCheckOptions options)
{
    d->startDeviceCheck(options, Private::ConnectedIPhone::leaveUnasked);
}

void LocationPlannerViewModel::Private::startDeviceCheck(DeviceCheckOptions options, ConnectedIPhone connected)
{
    // A request that arrives while another check runs is dropped, not queued.
    if (m_hold->isIPhoneRouteRunning() || m_isPlanningAddressRoute || q.isDeviceOperationInProgress() ||
        m_isHelperRefreshRunning)
        return;
    m_isHelperRefreshRunning = true;
    if (options.showProgress) {
        setCheckingDevice(true);
        setDeviceBusy(true);
        //: Status message.
        m_device->setDeviceActionMessage(tr("Checking iPhone…"));
    }
    const CancelToken token = m_deviceCheckTask.replace();
    m_deviceCheckTask.adopt(Private::deviceCheck(QPointer(&q), q.m_deps.device, options, connected, token));
}

std::pair<quint64, quint64> LocationPlannerViewModel::Private::deviceNews() const
{
    // A location reset stops the hold, whether one ran or not: it moves the epoch too.
    return {m_device->helperStatusRevision(), m_holdEpoch};
}

QCoro::Task<> LocationPlannerViewModel::Private::deviceCheck(QPointer<LocationPlannerViewModel> self,
                                                             DeviceLocationService* device, DeviceCheckOptions options,
                                                             ConnectedIPhone connected, CancelToken token)
{
    const std::pair<quint64, quint64> news = self->d->deviceNews();
    const Attempt look = self->d->attemptStarts(std::nullopt);
    LocationHelperStatus status = co_await device->detectHelper();
    if (!self || token.isCancelled())
        co_return;
    // Detection alone never finds an iPhone ready: asked nothing more, a ready one
    // would read "Click Prepare iPhone." and a restored point would never be set.
    // The launch check asks too when a point waits: the last run's tools were ended
    // at start, and the iPhone shows its real location until the point is set.
    const bool askReadiness =
        options.verifyLocationReadiness ||
        ((connected == ConnectedIPhone::askReadiness || self->d->hasRestoredPointToHold()) && status.isDeviceConnected);
    if (askReadiness && status.helper && self->d->deviceNews() == news) {
        status = co_await device->checkDeviceConnection(*status.helper, token.stopToken());
        if (!self || token.isCancelled())
            co_return;
    }
    // A Prepare iPhone, a set or a location reset that finished meanwhile published
    // the newer truth: "not ready" from before a successful Prepare would disable
    // Set location while the point is held.
    const bool current = self->d->deviceNews() == news;
    status = self->d->lookResult(status, look);
    if (current)
        self->d->applyHelperStatus(status, options);

    if (current && status.isAvailable() && self->d->hasRestoredPointToHold()) {
        // A point restored from the last session is shown but not held until an
        // iPhone is ready for it; the counters of that session carry on.
        const bool armed = co_await Private::rearmRestoredHold(self, *status.helper, token);
        if (!self || token.isCancelled())
            co_return;
        // A verification runs only while no other device operation does: this
        // check's own progress state would make it return at once.
        if (options.showProgress) {
            self->d->setCheckingDevice(false);
            self->d->setDeviceBusy(false);
        }
        if (armed) {
            co_await self->d->refreshLocationLockNow();
            if (!self || token.isCancelled())
                co_return;
        }
    }
    self->d->m_isHelperRefreshRunning = false;
    self->d->finishDeviceCheck(options);
    self->d->actOnDeferredAttach();
}

void LocationPlannerViewModel::Private::applyHelperStatus(const LocationHelperStatus& found, DeviceCheckOptions options)
{
    LocationHelperStatus status = found;
    if (!m_hold->recoveryWait().isEmpty()) {
        if (status.helper && status.isDeviceConnected && !status.isLocationReady) {
            // Still only the user's Prepare iPhone goes on: the popover keeps saying so.
            status.message = m_hold->recoveryWait();
            status.failureReason = m_hold->recoveryWait();
            status.waitsForPrepareIPhone = true;
        } else {
            // Unplugged, or ready after all: the restore goes on by itself.
            setRecoveryWait(QString());
        }
    }
    m_device->setHelperStatus(status);
    m_device->setDeviceActionMessage(status.isAvailable()
                                         //: Status message. %1 is the iPhone's name.
                                         ? tr("%1 is ready.").arg(Private::deviceName(status.helper))
                                         : PlannerTexts::nextDeviceActionMessage(status));
    if (!status.helper) {
        //: Cause of an interruption.
        reportCauseUnlessIncidentOpen(tr("Neither iPhone nor the add-on component is available."),
                                      m_hold->lockedPoint());
        q.setAutoSendOnAdd(false);
        m_device->setLastDeviceError(status.installHint);
    } else if (options.verifyLocationReadiness && !status.isAvailable()) {
        reportCauseUnlessIncidentOpen(status.message, m_hold->lockedPoint());
        q.setAutoSendOnAdd(false);
        m_device->setLastDeviceError(status.installHint);
    } else {
        m_device->setLastDeviceError(QString());
    }
}

void LocationPlannerViewModel::Private::finishDeviceCheck(DeviceCheckOptions options)
{
    m_device->setLastDeviceCheck(q.m_deps.clock->wallNow());
    if (options.showProgress) {
        setCheckingDevice(false);
        setDeviceBusy(false);
    }
}

void LocationPlannerViewModel::prepareIPhoneForLocation()
{
    if (!d->mayPrepareNow())
        return;
    if (!d->m_device->helperStatus().helper || !d->m_device->helperStatus().isDeviceConnected) {
        setNotice(deviceUnavailableNotice());
        return;
    }
    d->setDeviceBusy(true);
    //: Status message.
    d->m_device->setDeviceActionMessage(tr("Preparing iPhone…"));
    const LocationHelper helper = *d->m_device->helperStatus().helper;
    if (helper.kind == LocationHelper::Kind::pyMobileDevice) {
        //: Event log entry.
        logEvent(tr("Preparing iPhone: direct connection, or a tunnel with administrator privileges if needed."),
                 TrackerLogLevel::info);
    } else {
        //: Event log entry.
        logEvent(tr("Preparing iPhone: checking the iOS version and the Developer Disk Image."), TrackerLogLevel::info);
    }
    const CancelToken token = d->m_prepareTask.replace();
    d->m_prepareTask.adopt(Private::prepareFlow(QPointer(this), m_deps.device, helper, token));
}

QCoro::Task<> LocationPlannerViewModel::Private::prepareFlow(QPointer<LocationPlannerViewModel> self,
                                                             DeviceLocationService* device, LocationHelper helper,
                                                             CancelToken token)
{
    const Attempt look = self->d->attemptStarts(std::nullopt);
    // The user asked: the one action that may ask for the administrator password.
    const LocationHelperStatus found =
        co_await device->prepareForLocation(helper, token.stopToken(), AdministratorPrompt::allowed);
    if (!self || token.isCancelled())
        co_return;
    const LocationHelperStatus status = self->d->lookResult(found, look);
    const bool available = status.isAvailable();
    // The user's Prepare is what the restore waited for. Only one that stopped at
    // the password leaves it waiting: past it the tunnel service runs, and the
    // restore's own attempts prepare again without asking.
    if (!status.waitsForPrepareIPhone || !status.isDeviceConnected)
        self->d->setRecoveryWait(QString());
    self->d->m_device->setHelperStatus(status);
    //: Status message. %1 is the iPhone's name.
    const QString ready = tr("%1 is ready.").arg(Private::deviceName(status.helper));
    //: Status message.
    self->d->m_device->setDeviceActionMessage(available ? ready : tr("Couldn’t prepare iPhone."));
    self->d->m_device->setLastDeviceError(available ? QString() : status.installHint);
    self->d->m_device->setLastDeviceCheck(self->m_deps.clock->wallNow());
    self->setAutoSendOnAdd(self->d->m_autoSendOnAdd && available);
    if (available) {
        self->logEvent(ready, TrackerLogLevel::info);
    } else {
        //: Event log entry. %1 says why, e.g. “The administrator password wasn’t entered.”
        self->logEvent(tr("Couldn’t prepare iPhone: %1")
                           .arg(status.failureReason.isEmpty() ? status.message : status.failureReason),
                       TrackerLogLevel::error);
    }
    // After a relaunch nothing else would put the stored point back on the iPhone.
    bool armed = false;
    if (available && self->d->hasRestoredPointToHold()) {
        armed = co_await Private::rearmRestoredHold(self, *status.helper, token);
        if (!self)
            co_return;
    }
    self->d->setDeviceBusy(false);
    if (token.isCancelled())
        co_return;
    // Whatever the restore waited for, or would have found next, is done: it goes
    // on now, not at its next attempt; after a verification under way, if one is.
    const bool restoreNow = available && self->d->isHoldLost();
    if (restoreNow) {
        self->d->m_nextLockRecoveryAttempt = Clock::SteadyTime::min();
        if (self->d->m_hold->isLocationLockRefreshing())
            self->d->m_restoreAfterVerification = self->d->m_holdEpoch;
    }
    if (armed || restoreNow)
        co_await self->d->refreshLocationLockNow();
}

void LocationPlannerViewModel::monitorDeviceReadiness()
{
    const CancelToken token = d->m_readinessMonitorTask.replace();
    d->m_readinessMonitorTask.adopt(Private::readinessMonitor(QPointer(this), m_deps.scheduler, token));
}

void LocationPlannerViewModel::stopMonitoringDeviceReadiness()
{
    d->m_readinessMonitorTask.cancel();
}

QCoro::Task<> LocationPlannerViewModel::Private::readinessMonitor(QPointer<LocationPlannerViewModel> self,
                                                                  Scheduler* scheduler, CancelToken token)
{
    while (!token.isCancelled()) {
        // Steady time: a clock set back must not stall the search for an iPhone.
        const bool elapsed = co_await scheduler->sleep(readinessInterval, token);
        if (!elapsed || !self || token.isCancelled())
            co_return;
        // Once an iPhone is connected or a location is held, the hold's own watch
        // loop does the verifying. A point restored from the last session is not
        // held yet: a check re-arms it once its iPhone is ready. A pending reset
        // waits for an iPhone too, which the pill must show when it comes. A hold
        // whose iPhone the pill shows as not connected, with no outage open, is
        // verified on an iPhone the pill must find again: only an outage's restores
        // look at it themselves.
        const bool connected = self->d->m_device->helperStatus().isDeviceConnected;
        const bool searching = !connected || self->d->hasRestoredPointToHold();
        const bool holdLooks = self->d->m_locationLockTask.isRunning() &&
                               (connected || self->d->m_hold->telegramIncidentActive() || self->d->m_outageCounted);
        const bool idle =
            searching && !holdLooks && !self->d->m_device->isDeviceBusy() && !self->d->m_device->isCheckingDevice();
        if (idle)
            self->d->startDeviceCheck({}, ConnectedIPhone::askReadiness);
    }
}

} // namespace ostrevin
