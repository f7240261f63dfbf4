#include "PlannerFixture.h"
#include "alerts/TelegramTokenStore.h"
#include "devicebridge/DeviceLocationError.h"
#include "support/AwaitTask.h"

#include <QCoro/QCoroFuture>
#include <QFile>
#include <QPromise>
#include <chrono>

using namespace ostrevin;
using namespace ostrevin::test;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;

namespace {

class ResetTest : public PlannerFixture {};

/// A playback that, once cancelled, takes until the test lets it end.
QCoro::Task<> slowlyEndingPlayback(Scheduler* scheduler, CancelToken token, QFuture<void> windDown)
{
    co_await scheduler->sleep(1h, token);
    co_await windDown;
}

/// A secret store whose read answers only when the test says, with the token it read
/// before (as a keyring read under way does).
class SlowTokenStore final : public TelegramTokenStore {
public:
    QCoro::Task<TelegramTokenLoad> load() override
    {
        co_await loaded.future();
        co_return TelegramTokenLoad{TelegramTokenLoad::Status::found, QStringLiteral("123:stale"), {}};
    }
    QCoro::Task<void> save(QString token) override
    {
        saved << token;
        co_return;
    }
    QPromise<void> loaded;
    QStringList saved;
};

TEST_F(ResetTest, AResetWithARoutePlayingStopsThePlaybackBeforeClearingTheLocation)
{
    device.persistentLocationActive = true;
    build();
    PlannerTestAccess::setHelperStatus(*vm, readyStatus());
    QPromise<void> windDown;
    windDown.start();
    PlannerTestAccess::startPlayback(
        *vm, [&](CancelToken token) { return slowlyEndingPlayback(&clock, token, windDown.future()); });
    vm->clearIPhoneLocation();
    // The route counts as stopped at once; the reset holds the device meanwhile.
    EXPECT_FALSE(vm->hold().isIPhoneRouteRunning());
    EXPECT_TRUE(vm->device().isDeviceBusy());
    EXPECT_TRUE(vm->hold().isLocationResetPending());
    EXPECT_EQ(PlannerTestAccess::safetyState(*vm), LocationSimulationSafetyState::Case::resetting);
    ASSERT_TRUE(eventually([&] { return device.calls().size() == 2; }));
    EXPECT_EQ(device.calls(), (QStringList{u"stopActiveProcess"_s, u"stopPersistentLocationProcess"_s}));

    windDown.finish();
    ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));
    EXPECT_EQ(device.calls(),
              (QStringList{u"stopActiveProcess"_s, u"stopPersistentLocationProcess"_s, u"clearLocation"_s}));
    EXPECT_FALSE(vm->hold().isLocationResetPending());
    EXPECT_FALSE(settings->value(LocationPlannerViewModel::resetPendingStorageKey()).toBool());
    EXPECT_FALSE(vm->device().isDeviceBusy());
    EXPECT_EQ(vm->device().deviceActionMessage(), u"Reset complete. iPhone is using its real location."_s);
    EXPECT_EQ(PlannerTestAccess::safetyState(*vm), LocationSimulationSafetyState::Case::inactive);
}

TEST_F(ResetTest, AResetWithoutTheHelperStaysPendingAcrossARestart)
{
    build();
    vm->clearIPhoneLocation();
    ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));
    EXPECT_FALSE(vm->device().isDeviceBusy());
    EXPECT_TRUE(vm->hold().isLocationResetPending());
    EXPECT_EQ(vm->notice(), vm->deviceUnavailableNotice());
    EXPECT_EQ(vm->device().deviceActionMessage(), u"The location reset isn’t finished."_s);
    EXPECT_FALSE(device.calls().contains(u"clearLocation"_s));

    // The next launch starts pending: nothing may be set until the reset is finished.
    vm.reset();
    build();
    EXPECT_TRUE(vm->hold().isLocationResetPending());
    EXPECT_TRUE(vm->isSimulationActive());
    EXPECT_EQ(vm->deviceBlockerMessage(), u"Finish the location reset first."_s);
    PlannerTestAccess::setHelperStatus(*vm, readyStatus());
    EXPECT_FALSE(vm->canChangeIPhoneLocation());
    vm->clearIPhoneLocation();
    ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));
    EXPECT_TRUE(device.calls().contains(u"clearLocation"_s));
    EXPECT_FALSE(vm->hold().isLocationResetPending());
    EXPECT_FALSE(settings->value(LocationPlannerViewModel::resetPendingStorageKey()).toBool());
    EXPECT_TRUE(vm->canChangeIPhoneLocation());
}

TEST_F(ResetTest, AFailedResetKeepsThePendingFlagAndMarksTheIPhoneDisconnected)
{
    struct Case {
        const char* name;
        bool available;
        bool readyAfterPreparing;
        bool clearFails;
        bool attachedAfter;
        QStringList deviceCalls;
        bool connectedAfter; // only a failed clear of an iPhone that is gone marks it disconnected
    };
    const QStringList stops{u"stopActiveProcess"_s, u"stopPersistentLocationProcess"_s};
    const QList<Case> cases{
        {"not ready after preparing", false, false, false, true,
         stops + QStringList{u"detectHelper"_s, u"prepareForLocation"_s}, true},
        {"clear fails", true, false, true, false, stops + QStringList{u"clearLocation"_s, u"isDeviceReachable"_s},
         false},
        {"prepared, then clear fails", false, true, true, false,
         stops + QStringList{u"detectHelper"_s, u"prepareForLocation"_s, u"clearLocation"_s, u"isDeviceReachable"_s},
         false},
        // The clear stopped on its own (a dismissed password prompt) while usbmuxd still lists the iPhone.
        {"clear fails, iPhone still attached", true, false, true, true,
         stops + QStringList{u"clearLocation"_s, u"isDeviceReachable"_s}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedDeviceLocationService scripted;
        LocationHelperStatus notReady = readyStatus();
        notReady.isLocationReady = false;
        notReady.message = u"iPhone is connected but not ready yet."_s;
        notReady.installHint = u"Unlock iPhone."_s;
        scripted.preparedStatus = c.readyAfterPreparing ? readyStatus() : notReady;
        if (c.clearFails)
            scripted.clearLocationError =
                std::make_exception_ptr(DeviceLocationError::commandFailed(u"clear"_s, u"No device."_s));
        scripted.reachable = c.attachedAfter;
        auto deps = dependencies();
        deps.device = &scripted;
        vm = std::make_unique<LocationPlannerViewModel>(deps, LocationPlannerViewModel::Services::leaveStopped);
        PlannerTestAccess::setHelperStatus(*vm, c.available ? readyStatus() : notReady);
        PlannerTestAccess::setLastDeviceCheck(*vm, clock.wallNow());
        vm->clearIPhoneLocation();
        ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));
        EXPECT_EQ(scripted.calls(), c.deviceCalls);
        EXPECT_TRUE(vm->hold().isLocationResetPending());
        EXPECT_TRUE(settings->value(LocationPlannerViewModel::resetPendingStorageKey()).toBool());
        EXPECT_FALSE(vm->device().isDeviceBusy());
        EXPECT_EQ(vm->device().helperStatus().isDeviceConnected, c.connectedAfter);
        EXPECT_EQ(vm->deviceIndicatorState(),
                  c.connectedAfter ? DeviceIndicatorState::needsSetup : DeviceIndicatorState::notConnected);
        EXPECT_FALSE(vm->device().lastDeviceError().isEmpty());
        // A connected iPhone is not sent looking for its cable: the notice and the log say what stopped the reset.
        const QString why =
            c.clearFails ? u"Communication with iPhone failed."_s : u"iPhone is connected but not ready yet."_s;
        EXPECT_EQ(vm->notice(), c.connectedAfter
                                    ? u"The location reset couldn’t be finished. "_s + why
                                    : u"The location reset couldn’t be finished. Connect iPhone and try again."_s);
        EXPECT_EQ(vm->eventLog().diagnosticEvents().first().level, TrackerLogLevel::error);
        EXPECT_TRUE(eventMessages().first().startsWith(u"Location reset failed: "_s + why))
            << eventMessages().first().toStdString();
        vm.reset();
    }
}

TEST_F(ResetTest, AResetWaitsForARestoreUnderWayAndStopsItsDeviceCalls)
{
    const QString complete = u"Reset complete. iPhone is using its real location."_s;
    LocationHelperStatus ready = readyStatus();
    ready.helper->kind = LocationHelper::Kind::iDeviceSetLocation;
    ready.helper->deviceIdentifier = u"A"_s;
    struct Case {
        const char* name;
        bool reachable;     // false: the verification goes on to a restore
        bool answersOnStop; // the call under way ends when the reset stops it
    };
    const Case cases[] = {
        {"a verification under way, which no one can stop", true, false},
        {"a restore's preparation under way", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedDeviceLocationService scripted;
        scripted.reachable = c.reachable;
        scripted.detectedStatus = ready;
        scripted.preparedStatus = ready;
        auto deps = dependencies();
        deps.device = &scripted;
        vm = std::make_unique<LocationPlannerViewModel>(deps, LocationPlannerViewModel::Services::leaveStopped);
        PlannerTestAccess::setHelperStatus(*vm, ready);
        PlannerTestAccess::startLocationLock(*vm, makePoint(u"Home"_s, 50, 14), *ready.helper, true);
        scripted.holdAnswers(true);
        clock.advance(2s);
        if (!c.reachable) {
            // Answered one by one up to the restore's preparation, which hangs.
            for (int answered = 0; answered < 2; ++answered) {
                scripted.release();
                ManualClock::runPostedEvents();
            }
            ASSERT_EQ(scripted.calls().last(), u"prepareForLocation"_s);
        }
        scripted.holdAnswers(false);

        vm->clearIPhoneLocation();
        ManualClock::runPostedEvents();
        if (!c.answersOnStop) {
            // Nothing of the reset happens while the hold's device call is under way.
            EXPECT_FALSE(scripted.calls().contains(u"clearLocation"_s));
            EXPECT_NE(vm->device().deviceActionMessage(), complete);
            scripted.release();
        }
        ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));
        EXPECT_EQ(vm->device().deviceActionMessage(), complete);
        const QStringList calls = scripted.calls();
        EXPECT_EQ(calls.last(), u"clearLocation"_s);
        EXPECT_FALSE(calls.contains(u"resendLocation"_s));
        vm.reset();
    }
}

TEST_F(ResetTest, AResetStopsTheSetOfARestoreStartedOutsideTheWatch)
{
    LocationHelperStatus ready = readyStatus();
    ready.helper->kind = LocationHelper::Kind::iDeviceSetLocation;
    ready.helper->deviceIdentifier = u"A"_s;
    device.reachable = false;
    device.detectedStatus = ready;
    device.preparedStatus = ready;
    build();
    PlannerTestAccess::setHelperStatus(*vm, ready);
    PlannerTestAccess::startLocationLock(*vm, makePoint(u"Home"_s, 50, 14), *ready.helper, true);
    device.holdAnswers(true);
    QCoro::Task<> verification = PlannerTestAccess::verifyNow(*vm);
    // Reachability, detection and preparation answered; the restore's set hangs.
    for (int answered = 0; answered < 3; ++answered) {
        device.release();
        ManualClock::runPostedEvents();
    }
    ASSERT_EQ(device.calls().last(), u"resendLocation"_s);
    device.holdAnswers(false);

    vm->clearIPhoneLocation();
    // Stopped with the hold: a set that ended after the clear would put the point back.
    EXPECT_TRUE(awaitTask(std::move(verification), 5s).finished);
    ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));
    EXPECT_EQ(device.calls().last(), u"clearLocation"_s);
}

TEST_F(ResetTest, ResettingAllDataIsRefusedWhileSomethingIsSimulated)
{
    const QList<std::function<void(LocationPlannerViewModel&)>> states{
        [](auto& m) { PlannerTestAccess::holdPoint(m, makePoint(u"Home"_s, 1, 2), true); },
        [](auto& m) { PlannerTestAccess::setResetPending(m, true); },
        [](auto& m) { PlannerTestAccess::setRouteRunning(m, true); },
        [](auto& m) { PlannerTestAccess::setCheckingDevice(m, true); },
    };
    for (const auto& state : states) {
        build();
        vm->setSpeedKmh(60);
        PlannerTestAccess::setPoints(*vm, {makePoint(u"A"_s, 1, 2)});
        PlannerTestAccess::saveCurrentRouteToHistory(*vm);
        const auto before = vm->library().history();
        ASSERT_FALSE(before.isEmpty());
        state(*vm);
        vm->resetAllAppData();
        EXPECT_EQ(vm->library().history(), before);
        EXPECT_EQ(vm->draft().speedKmh(), 60);
        ASSERT_TRUE(vm->store().waitForWrites(std::chrono::seconds(10)));
        QFile file(vm->store().historyPath());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_NE(file.readAll().trimmed(), "[]");
        vm.reset();
    }
}

TEST_F(ResetTest, ResettingAllDataCancelsATokenReadSoTheTokenStaysDeleted)
{
    SlowTokenStore tokens;
    tokens.loaded.start();
    settings->setValue(LocationPlannerViewModel::telegramChatIDStorageKey(), u"42"_s);
    auto deps = dependencies();
    deps.telegramTokenStore = &tokens;
    vm = std::make_unique<LocationPlannerViewModel>(deps, LocationPlannerViewModel::Services::leaveStopped);
    vm->setLockRefreshIntervalSeconds(40);
    vm->loadTelegramTokenWithoutBlockingLaunch();

    vm->resetAllAppData();
    tokens.loaded.finish();
    ManualClock::runPostedEvents();
    EXPECT_EQ(tokens.saved, QStringList{QString()});
    EXPECT_TRUE(vm->telegram().botToken().isEmpty());
    EXPECT_TRUE(vm->telegram().chatID().isEmpty());
    EXPECT_EQ(vm->telegram().statusMessage(), u"Telegram alerts aren’t set up."_s);
    EXPECT_EQ(settings->value(u"Pellwick.lockRefreshInterval"_s).toDouble(), 15.0);
    EXPECT_EQ(vm->eventLog().diagnosticEvents().first().message, u"All app data was reset."_s);
    for (const QString& path :
         {vm->store().historyPath(), vm->store().savedLocationsPath(), vm->store().savedRoutesPath()}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll().trimmed(), "[]");
    }
}

} // namespace

TEST_F(ResetTest, AResetOfAllDataIsRefusedWhileATelegramOperationRuns)
{
    struct Case {
        const char* name;
        bool saving, loading, testing;
    };
    for (const Case& c : {Case{"save", true, false, false}, Case{"chat lookup", false, true, false},
                          Case{"test", false, false, true}}) {
        SCOPED_TRACE(c.name);
        build();
        vm->setTelegramChatID(u"42"_s);
        PlannerTestAccess::setTelegramBusy(*vm, c.saving, c.loading, c.testing);
        EXPECT_FALSE(vm->canResetAllAppData());
        vm->resetAllAppData();
        // The chat ID would otherwise be gone, and the late write bring it back.
        EXPECT_EQ(vm->telegram().chatID(), u"42"_s);
        PlannerTestAccess::setTelegramBusy(*vm, false, false, false);
        EXPECT_TRUE(vm->canResetAllAppData());
        vm->resetAllAppData();
        EXPECT_TRUE(vm->telegram().chatID().isEmpty());
    }
}
