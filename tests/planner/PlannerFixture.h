#pragma once

#include "async/WorkerPool.h"
#include "planner/LocationPlannerViewModel.h"
#include "planner/LocationPlannerViewModel_Private.h"
#include "platform/SettingsStore.h"
#include "routedata/RouteStore.h"
#include "support/FakeFileDialogs.h"
#include "support/FakeKeepAwake.h"
#include "support/FakeNetworkMonitor.h"
#include "support/FakeReverseGeocoder.h"
#include "support/ManualClock.h"
#include "support/RecordingAlarmPresenter.h"
#include "support/RecordingSystemLog.h"
#include "support/ScriptedDeviceLocationService.h"
#include "support/TempDir.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFuture>
#include <QFutureWatcher>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace ostrevin {

/// Reaches the state that only the device and holding flows write.
struct PlannerTestAccess {
    static void holdPoint(LocationPlannerViewModel& vm, const RoutePoint& point, bool confirmed)
    {
        vm.d->setLockedPoint(point);
        vm.d->m_hasConfirmedLocationLock = confirmed;
    }
    static void beginKeepAwake(LocationPlannerViewModel& vm, KeepAwake& keepAwake)
    {
        vm.d->m_locationLockActivity =
            keepAwake.begin(QStringLiteral("Ostrevin is holding the iPhone's simulated location."));
    }
    static void setLockFailureCount(LocationPlannerViewModel& vm, int count)
    {
        vm.d->m_hold->setLockFailureCount(count);
    }
    static void setLastDeviceError(LocationPlannerViewModel& vm, const QString& error)
    {
        vm.d->m_device->setLastDeviceError(error);
    }
    static void setIncidentActive(LocationPlannerViewModel& vm, bool active)
    {
        vm.d->m_hold->setTelegramIncidentActive(active);
    }
    static void setRouteRunning(LocationPlannerViewModel& vm, bool running) { vm.d->setIPhoneRouteRunning(running); }
    static void setPlanning(LocationPlannerViewModel& vm, bool planning) { vm.d->setPlanningAddressRoute(planning); }
    static void setDeviceBusy(LocationPlannerViewModel& vm, bool busy) { vm.d->setDeviceBusy(busy); }
    static void setCheckingDevice(LocationPlannerViewModel& vm, bool checking) { vm.d->setCheckingDevice(checking); }
    static void setLockRefreshing(LocationPlannerViewModel& vm, bool refreshing)
    {
        vm.d->setLocationLockRefreshing(refreshing);
    }
    static void setResetPending(LocationPlannerViewModel& vm, bool pending)
    {
        vm.d->m_hold->setLocationResetPending(pending);
    }
    static void setHelperStatus(LocationPlannerViewModel& vm, const LocationHelperStatus& status)
    {
        vm.d->m_device->setHelperStatus(status);
    }
    static void setLockStartedAt(LocationPlannerViewModel& vm, const QDateTime& date)
    {
        vm.d->m_hold->setLockStartedAt(date);
    }
    static void setLastLockRefresh(LocationPlannerViewModel& vm, const QDateTime& date)
    {
        vm.d->m_hold->setLastLockRefresh(date);
    }
    static void setLastDeviceCheck(LocationPlannerViewModel& vm, const QDateTime& date)
    {
        vm.d->m_device->setLastDeviceCheck(date);
    }
    static void setRouteProgress(LocationPlannerViewModel& vm, double progress)
    {
        vm.d->m_hold->setIPhoneRouteProgress(progress);
    }
    static void setCachedDuration(LocationPlannerViewModel& vm, double seconds)
    {
        vm.d->m_draft->m_cachedRouteDurationSeconds = seconds;
    }
    static void setPoints(LocationPlannerViewModel& vm, const QList<RoutePoint>& points) { vm.d->setPoints(points); }
    static void setOnline(LocationPlannerViewModel& vm, bool online) { vm.d->m_device->setOnline(online); }
    static void setVerifying(LocationPlannerViewModel& vm, bool verifying)
    {
        vm.d->setLocationLockRefreshing(verifying);
    }
    static void setLastPushedPointID(LocationPlannerViewModel& vm, const std::optional<QUuid>& id)
    {
        vm.d->m_hold->setLastPushedPointID(id);
    }
    static void saveCurrentRouteToHistory(LocationPlannerViewModel& vm) { vm.d->saveCurrentRouteToHistory(); }
    static bool appendRoutePoint(LocationPlannerViewModel& vm, const RoutePoint& point)
    {
        return vm.d->appendRoutePoint(point);
    }
    // Device status and location reset.
    /// Puts a playback run into the view model's playback slot, as route playback does.
    template <typename Start> static void startPlayback(LocationPlannerViewModel& vm, Start start)
    {
        const CancelToken token = vm.d->m_routePlaybackTask.replace();
        vm.d->m_routePlaybackTask.adopt(start(token));
        vm.d->setIPhoneRouteRunning(true);
    }
    static QFuture<void> playbackFinished(const LocationPlannerViewModel& vm)
    {
        return vm.d->m_routePlaybackTask.whenFinished();
    }
    static LocationSimulationSafetyState::Case safetyState(const LocationPlannerViewModel& vm)
    {
        return vm.d->m_simulationSafetyState.kind();
    }

    // Holding and incidents.
    static void setSafetyState(LocationPlannerViewModel& vm, const LocationSimulationSafetyState& state)
    {
        vm.setSimulationSafetyState(state);
    }
    static void startLocationLock(LocationPlannerViewModel& vm, const RoutePoint& point, const LocationHelper& helper,
                                  bool confirmed)
    {
        vm.d->m_hasConfirmedLocationLock = confirmed;
        vm.d->startLocationLock(point, helper, LocationPlannerViewModel::Private::LockCounters::reset);
    }
    /// Ends the hold, and an open incident with it, as a route's start does.
    static void stopLocationLock(LocationPlannerViewModel& vm)
    {
        vm.d->stopLocationLock(LocationPlannerViewModel::Private::HoldEnding::routeStarts);
    }
    /// A verification started outside the watch loop, as the end of a playback starts one.
    static QCoro::Task<> verifyNow(LocationPlannerViewModel& vm) { return vm.d->refreshLocationLockNow(); }
    static void reportIncident(LocationPlannerViewModel& vm, const QString& reason,
                               const std::optional<RoutePoint>& point)
    {
        vm.d->reportLocationIncidentIfNeeded(reason, point);
    }
    static QCoro::Task<> recover(LocationPlannerViewModel& vm, const RoutePoint& point, const LocationHelper& helper)
    {
        return LocationPlannerViewModel::Private::recoverLocationLock(QPointer(&vm), point, helper, vm.d->m_holdEpoch);
    }
    static std::optional<LocationHelper> lockedHelper(const LocationPlannerViewModel& vm)
    {
        return vm.d->m_lockedHelper;
    }
    static bool incidentAcknowledged(const LocationPlannerViewModel& vm)
    {
        return vm.hold().telegramIncidentAcknowledged();
    }
    static QString incidentMessage(const LocationPlannerViewModel& vm) { return vm.d->telegramIncidentMessage(); }
    /// A token as if read from the keyring: in the field, and the one alerts use.
    static void setBotToken(LocationPlannerViewModel& vm, const QString& t) { vm.d->adoptSavedTelegramBotToken(t); }
    static bool alertLoopRunning(const LocationPlannerViewModel& vm) { return vm.d->m_telegramAlertTask.isRunning(); }
    static void setDiagnosticEvents(LocationPlannerViewModel& vm, const QList<TrackerLogEntry>& events)
    {
        vm.d->m_eventLog->setDiagnosticEvents(events);
    }
    /// Raises the busy flags of the Telegram save, chat lookup and test.
    static void setTelegramBusy(LocationPlannerViewModel& vm, bool saving, bool loading, bool testing)
    {
        vm.telegram().setSaving(saving);
        vm.telegram().setLoadingChat(loading);
        vm.telegram().setTesting(testing);
    }
};

namespace test {

inline RoutePoint makePoint(const QString& name, double latitude, double longitude)
{
    RoutePoint point;
    point.name = name;
    point.latitude = latitude;
    point.longitude = longitude;
    return point;
}

/// An available helper with a connected, ready iPhone.
inline LocationHelperStatus readyStatus()
{
    LocationHelperStatus status;
    status.helper = LocationHelper{};
    status.isDeviceConnected = true;
    status.isLocationReady = true;
    return status;
}

/// Runs the event loop until the future finishes (or a generous limit passes).
inline bool waitFor(const QFuture<void>& future)
{
    if (future.isFinished())
        return true;
    QFutureWatcher<void> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(std::chrono::seconds(30), &loop, &QEventLoop::quit);
    watcher.setFuture(future);
    loop.exec();
    return future.isFinished();
}

/// Runs the event loop until done() holds (or a generous limit passes), for flows
/// that wait on worker threads.
template <typename Done> bool eventually(Done done)
{
    QDeadlineTimer deadline(std::chrono::seconds(30));
    while (!done() && !deadline.hasExpired()) {
        ManualClock::runPostedEvents();
        QThread::msleep(2);
    }
    ManualClock::runPostedEvents();
    return done();
}

/// The machine around one view model: a private data folder and settings file,
/// a manual clock and the fakes of every system capability.
class PlannerFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        settings = std::make_unique<SettingsStore>(dir.file(QStringLiteral("settings.conf")));
    }

    void TearDown() override { vm.reset(); }

    /// The store over the data folder; build it after writing the data files.
    RouteStore& store()
    {
        if (!m_store)
            m_store = std::make_unique<RouteStore>(dir.file(QStringLiteral("data")));
        return *m_store;
    }
    QString dataFile(const QString& name) const { return dir.file(QStringLiteral("data/") + name); }

    LocationPlannerViewModel::Dependencies dependencies()
    {
        LocationPlannerViewModel::Dependencies deps;
        deps.store = &store();
        deps.settings = settings.get();
        deps.clock = &clock;
        deps.scheduler = &clock;
        deps.workerPool = &pool;
        deps.keepAwake = &keepAwake;
        deps.networkMonitor = &network;
        deps.systemLog = &systemLog;
        deps.reverseGeocoder = &geocoder;
        deps.fileDialogs = &dialogs;
        deps.alarmPresenter = &alarms;
        deps.device = &device;
        return deps;
    }

    LocationPlannerViewModel&
    build(LocationPlannerViewModel::Services services = LocationPlannerViewModel::Services::leaveStopped)
    {
        vm = std::make_unique<LocationPlannerViewModel>(dependencies(), services);
        return *vm;
    }

    QStringList eventMessages() const
    {
        QStringList messages;
        for (const TrackerLogEntry& entry : vm->eventLog().diagnosticEvents())
            messages << entry.message;
        return messages;
    }

    TempDir dir;
    std::unique_ptr<SettingsStore> settings;
    ManualClock clock;
    WorkerPool pool;
    FakeKeepAwake keepAwake;
    FakeNetworkMonitor network;
    RecordingSystemLog systemLog;
    FakeReverseGeocoder geocoder;
    FakeFileDialogs dialogs;
    RecordingAlarmPresenter alarms;
    ScriptedDeviceLocationService device;
    std::unique_ptr<LocationPlannerViewModel> vm;

private:
    std::unique_ptr<RouteStore> m_store;
};

} // namespace test
} // namespace ostrevin
