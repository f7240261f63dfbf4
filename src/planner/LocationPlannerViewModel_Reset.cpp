#include "alerts/TelegramTokenStore.h"
#include "async/WorkerPool.h"
#include "devicebridge/DeviceLocationController.h"
#include "devicebridge/DeviceLocationError.h"
#include "devicebridge/DeviceLocationService.h"
#include "planner/LocationPlannerViewModel.h"
#include "planner/LocationPlannerViewModel_Private.h"
#include "planner/PlannerTexts.h"
#include "routedata/JsonCodingError.h"
#include "routedata/RouteStore.h"
#include "routedata/RouteStoreError.h"

#include <QCoro/QCoroFuture>
#include <exception>
#include <utility>

namespace ostrevin {

void LocationPlannerViewModel::Private::markLocationResetPending(bool pending)
{
    m_hold->setLocationResetPending(pending);
    AppSettings::setResetPending(pending, *q.m_deps.settings);
}

void LocationPlannerViewModel::clearIPhoneLocation()
{
    // A playing route does not block the reset: stopping it is part of the reset.
    if (d->m_isPlanningAddressRoute || d->m_device->isDeviceBusy() || d->m_device->isCheckingDevice())
        return;
    const std::optional<LocationHelper> helper = d->m_device->helperStatus().helper;
    ++d->m_locationResetEpoch;
    // The hold's watch loop and the playback see this state and raise no interruption.
    setSimulationSafetyState(LocationSimulationSafetyState::resetting());
    d->m_routePlaybackID.reset();
    d->m_routePlaybackConfirmedID.reset();
    // The playback winds down through its token; the reset waits for it below.
    const QFuture<void> playbackFinished = d->m_routePlaybackTask.cancel();
    // A restore under way is stopped with the hold; its device calls must be over
    // before the clear, or its set would put the point back after "Reset complete".
    const QFuture<void> holdFinished = d->m_locationLockTask.cancel();
    if (d->m_hold->telegramIncidentActive())
        d->m_resetEndedIncident = true;
    d->stopLocationLock(Private::HoldEnding::locationReset);
    setSimulationSafetyState(LocationSimulationSafetyState::resetting());
    d->markLocationResetPending(true);
    d->setIPhoneRouteRunning(false);
    d->setRouteLivePoint(std::nullopt);
    d->setDeviceBusy(true);
    const CancelToken token = d->m_locationResetTask.replace();
    d->m_locationResetTask.adopt(
        Private::locationReset(QPointer(this), m_deps.device, helper, playbackFinished, holdFinished, token));
}

QFuture<void> LocationPlannerViewModel::Private::stopDeviceProcessesOffMain()
{
    // Both calls wait out their processes' grace periods, so never on the GUI thread.
    return q.m_deps.workerPool->run([device = q.m_deps.device](std::stop_token) {
        device->stopActiveProcess();
        device->stopPersistentLocationProcess();
    });
}

QCoro::Task<> LocationPlannerViewModel::Private::locationReset(QPointer<LocationPlannerViewModel> self,
                                                               DeviceLocationService* device,
                                                               std::optional<LocationHelper> helper,
                                                               QFuture<void> playbackFinished,
                                                               QFuture<void> holdFinished, CancelToken token)
{
    co_await holdFinished;
    if (!self || token.isCancelled())
        co_return;
    co_await self->d->stopDeviceProcessesOffMain();
    co_await playbackFinished;
    if (!self || token.isCancelled())
        co_return;

    const Attempt statusLook = self->d->attemptStarts(std::nullopt);
    LocationHelperStatus status = self->d->m_device->helperStatus();
    if (!status.isAvailable()) {
        // The status may be stale (a failed reset marks the iPhone disconnected, and
        // nothing checks while a reset is pending): the iPhone is looked for again
        // before the reset gives up on it.
        status = co_await device->detectHelper();
        if (!self || token.isCancelled())
            co_return;
        self->d->m_device->setLastDeviceCheck(self->m_deps.clock->wallNow());
        if (status.helper)
            helper = status.helper;
    }

    if (!helper) {
        self->setNotice(self->deviceUnavailableNotice());
        //: Status message.
        self->d->m_device->setDeviceActionMessage(tr("The location reset isn’t finished."));
        //: Event log entry.
        self->logEvent(tr("The location reset is waiting for the add-on component."), TrackerLogLevel::warning);
    } else {
        //: Status message.
        self->d->m_device->setDeviceActionMessage(tr("Resetting location…"));
        //: Event log entry.
        self->logEvent(tr("Location reset started."), TrackerLogLevel::info);

        std::exception_ptr failure;
        std::optional<Attempt> attempt;
        if (!status.isAvailable()) {
            // Finishing the reset is the user's own action, as Prepare iPhone is: on
            // iOS 17.0–17.3 the tunnel it needs starts only with the administrator password.
            status = co_await device->prepareForLocation(*helper, token.stopToken(), AdministratorPrompt::allowed);
            if (!self || token.isCancelled())
                co_return;
        }
        status = self->d->lookResult(status, statusLook);
        self->d->m_device->setHelperStatus(status);
        if (!status.isAvailable()) {
            failure = std::make_exception_ptr(
                DeviceLocationError::commandFailed(QStringLiteral("Ostrevin Reset"), status.installHint));
        } else {
            attempt = self->d->attemptStarts(status.helper->deviceIdentifier);
            try {
                co_await device->clearLocation(*status.helper, token.stopToken());
            } catch (...) {
                failure = std::current_exception();
            }
            if (!self || token.isCancelled())
                co_return;
        }

        if (!failure) {
            self->d->m_hold->setLastPushedPointName(QString());
            self->d->m_hold->setLastPushedPointID(std::nullopt);
            self->d->setRouteLivePoint(std::nullopt);
            self->d->m_hold->setIPhoneRouteProgress(0);
            self->d->m_device->setLastDeviceError(QString());
            self->d->markLocationResetPending(false);
            //: Status message.
            self->d->m_device->setDeviceActionMessage(tr("Reset complete. iPhone is using its real location."));
            //: Event log entry.
            self->logEvent(tr("Simulated location turned off."), TrackerLogLevel::info);
            if (std::exchange(self->d->m_resetEndedIncident, false)) {
                //: Event log entry and Telegram alerts status line.
                const QString over = tr("The interruption is over: you reset the location.");
                self->d->m_telegram->setStatusMessage(over);
                self->logEvent(over, TrackerLogLevel::info);
            }
        } else {
            // Unplugged while the clear ran, the clear failed for the cable, and the
            // unplug's report already shows the iPhone as not connected.
            const bool unplugged = attempt && self->d->unpluggedSince(*attempt);
            const QString description = attempt ? self->d->failureCause(*attempt, failure)
                                                : DeviceLocationController::errorDescription(failure);
            self->d->markLocationResetPending(true);
            // An iPhone the preparation still saw (a dismissed password prompt, a locked
            // iPhone) stays connected: marked disconnected, it could not be prepared
            // again. "Connect iPhone" to a user whose iPhone is connected would send them
            // looking for a cable fault; the preparation says what really stopped it.
            const LocationHelperStatus current = self->d->m_device->helperStatus();
            const bool preparationStopped = !current.isAvailable() && current.isDeviceConnected;
            const QString preparationSaid =
                current.isAvailable() ? QString()
                                      : (current.failureReason.isEmpty() ? current.message : current.failureReason);
            QString why = preparationStopped ? preparationSaid : QString();
            bool attached = preparationStopped;
            if (!preparationStopped) {
                // A failed clear broke the connection, or stopped on its own (its
                // tunnel's password prompt dismissed): usbmuxd tells which.
                const Look look = co_await Private::lookForIPhone(device, *helper);
                if (!self || token.isCancelled())
                    co_return;
                // A look this program failed to make says nothing of the cable.
                attached = look.reachable || look.ownFailure;
                if (attached)
                    why = PlannerTexts::summary(description);
            }
            const QString unfinished =
                attached && !why.isEmpty()
                    //: Status and alert message. %1 says why iPhone couldn’t be prepared, e.g. “The administrator
                    //: password wasn’t entered.”
                    ? tr("The location reset couldn’t be finished. %1").arg(why)
                    //: Status and alert message.
                    : tr("The location reset couldn’t be finished. Connect iPhone and try again.");
            self->d->m_device->setDeviceActionMessage(unfinished);
            if (!preparationStopped && !unplugged) {
                LocationHelperStatus interrupted;
                interrupted.helper = helper;
                //: Device status message.
                interrupted.message = tr("The connection to iPhone was interrupted. Prepare it again.");
                interrupted.installHint = current.installHint;
                interrupted.isDeviceConnected = attached;
                self->d->m_device->setHelperStatus(interrupted);
            }
            self->d->m_device->setLastDeviceError(description);
            self->setNotice(unfinished);
            // The log names what stopped the reset, as the notice does: the reset's own
            // failure would say only "Communication with iPhone failed." and the checklist.
            //: Event log entry. %1 is the error's description.
            self->logEvent(
                tr("Location reset failed: %1").arg(preparationSaid.isEmpty() ? description : preparationSaid),
                TrackerLogLevel::error);
        }
    }

    self->d->setDeviceBusy(false);
    if (self->d->m_simulationSafetyState.kind() != LocationSimulationSafetyState::Case::shuttingDown)
        self->setSimulationSafetyState(LocationSimulationSafetyState::inactive());
}

bool LocationPlannerViewModel::canResetAllAppData() const
{
    // A Telegram save, test or chat lookup finishing after the reset would write
    // the token or chat ID back.
    const bool telegramBusy = d->m_telegram->isBusy();
    return !isSimulationActive() && canRunDeviceAction() && !telegramBusy;
}

void LocationPlannerViewModel::resetAllAppData()
{
    // Checked here, not only where the action is offered: a location can be set
    // while the confirmation is open.
    if (!canResetAllAppData())
        return;
    RouteStore& store = *m_deps.store;
    try {
        store.save(QList<RouteHistoryItem>(), store.historyPath());
        store.save(QList<SavedLocation>(), store.savedLocationsPath());
        store.save(QList<SavedRoute>(), store.savedRoutesPath());
    } catch (const RouteStoreError& error) {
        setNotice(error.description(), NoticeKind::problem, DialogOwner::settingsWindow);
        return;
    } catch (const JsonCodingError& error) {
        setNotice(error.description(), NoticeKind::problem, DialogOwner::settingsWindow);
        return;
    }
    d->m_library->setHistory({});
    d->m_library->setSavedLocations({});
    d->m_library->setSavedRoutes({});
    resetMapRouteSelection();
    //: Default name of a new route (editable text field).
    setRouteName(tr("New route"));
    setTelegramAlertsEnabled(false);
    setTelegramChatID(QString());
    // A token read still under way would put the token back after the reset.
    d->m_telegramTokenLoadTask.cancel();
    d->m_telegramTokenReadFailure.reset();
    d->adoptSavedTelegramBotToken(QString());
    //: Telegram alerts status line (Tools › Telegram alerts).
    d->m_telegram->setStatusMessage(tr("Telegram alerts aren’t set up."));
    if (m_deps.telegramTokenStore) {
        const CancelToken token = d->m_telegramTokenDeletionTask.replace();
        d->m_telegramTokenDeletionTask.adopt(
            Private::deleteTelegramToken(QPointer(this), m_deps.telegramTokenStore, token));
    }
    AppSettings::resetToDefaults(*m_deps.settings);
    setAutoSendOnAdd(false);
    setLockRefreshIntervalSeconds(15.0);
    setSelectedTransportMode(RouteTransportMode::automobile);
    setSelectedSpeedProfile(RouteSpeedProfile::normal);
    setSpeedKmh(25.0);
    //: Event log entry.
    logEvent(tr("All app data was reset."), TrackerLogLevel::info);
}

QCoro::Task<> LocationPlannerViewModel::Private::deleteTelegramToken(QPointer<LocationPlannerViewModel> self,
                                                                     TelegramTokenStore* tokenStore, CancelToken token)
{
    if (!self || token.isCancelled())
        co_return;
    try {
        // An empty token deletes the stored item; a failure leaves nothing to do.
        co_await tokenStore->save(QString());
    } catch (...) {
    }
}

} // namespace ostrevin
