#include "PlannerFixture.h"
#include "devicebridge/DeviceLocationError.h"
#include "routedata/AppSettings.h"
#include "routedata/LocationValidationError.h"

#include <cmath>
#include <functional>
#include <limits>

using namespace ostrevin;
using namespace std::chrono_literals;

namespace {

using Access = PlannerTestAccess;
using State = LocationSimulationSafetyState;

LocationHelper toolHelper(LocationHelper::Kind kind, const QString& deviceID = QStringLiteral("A"))
{
    LocationHelper helper;
    helper.kind = kind;
    helper.deviceIdentifier = deviceID;
    return helper;
}

LocationHelperStatus readyWith(const LocationHelper& helper)
{
    LocationHelperStatus status = test::readyStatus();
    status.helper = helper;
    return status;
}

class HoldingTest : public test::PlannerFixture {
protected:
    const RoutePoint home = test::makePoint(QStringLiteral("Home"), 52.5, 13.4);

    int callCount(const QString& name) const { return static_cast<int>(device.calls().count(name)); }
    /// The device calls made after the first `from`.
    QStringList callsSince(qsizetype from) const { return device.calls().mid(from); }

    const LocationHelper unreachableHelper = toolHelper(LocationHelper::Kind::iDeviceSetLocation);

    /// A confirmed hold whose iPhone stopped answering at the first verification.
    LocationPlannerViewModel& holdWhileUnreachable()
    {
        LocationPlannerViewModel& model = build();
        Access::setHelperStatus(model, readyWith(unreachableHelper));
        device.reachable = false;
        Access::startLocationLock(model, home, unreachableHelper, true);
        clock.advance(std::chrono::seconds(2));
        return model;
    }

    /// Oldest first, so sequences read in the order they happened.
    QStringList chronologicalEvents() const
    {
        QStringList messages = eventMessages();
        std::reverse(messages.begin(), messages.end());
        return messages;
    }
};

TEST_F(HoldingTest, PushIsRefusedByTheFirstFailingCheckAndTouchesNothing)
{
    LocationHelperStatus unconnected;
    unconnected.helper = LocationHelper{};
    RoutePoint badPoint = home;
    badPoint.latitude = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* name;
        std::function<void(LocationPlannerViewModel&)> setUp;
        RoutePoint point;
        QString message;
        std::optional<QString> notice;
        bool autoSendAfter;
    };
    const QString wait = QStringLiteral("Wait for the current action to finish.");
    const QString noAddOn = QStringLiteral(
        "The add-on component for communicating with iPhone isn’t installed. Quit Ostrevin and open it again, "
        "then click Install.");
    const Case cases[] = {
        {"a running route wins over everything",
         [](auto& vm) {
             Access::setRouteRunning(vm, true);
             Access::setResetPending(vm, true);
         },
         home, wait, std::nullopt, true},
        {"a pending reset wins over a missing helper",
         [](auto& vm) { Access::setResetPending(vm, true); },
         home,
         {},
         QStringLiteral("Finish the location reset first."),
         true},
        {"no helper keeps automatic sending", [](auto&) {}, home, {}, noAddOn, true},
        {"an unready helper turns automatic sending off",
         [&](auto& vm) { Access::setHelperStatus(vm, unconnected); },
         home,
         {},
         QStringLiteral("iPhone isn’t connected. Connect it with a cable, unlock it, and try again."),
         false},
        {"a coordinate no tool can take",
         [](auto& vm) { Access::setHelperStatus(vm, test::readyStatus()); },
         badPoint,
         {},
         LocationValidationError(LocationValidationError::Kind::invalidLatitude).description(),
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LocationPlannerViewModel& vm = build();
        vm.setAutoSendOnAdd(true);
        c.setUp(vm);
        const QString messageBefore = vm.device().deviceActionMessage();
        vm.pushPointToIPhone(c.point);
        test::ManualClock::runPostedEvents();
        EXPECT_EQ(vm.device().deviceActionMessage(), c.message.isEmpty() ? messageBefore : c.message);
        EXPECT_EQ(vm.notice(), c.notice);
        EXPECT_EQ(vm.autoSendOnAdd(), c.autoSendAfter);
        EXPECT_FALSE(vm.device().isDeviceBusy());
        EXPECT_EQ(vm.simulationSafetyState(), State::inactive());
        EXPECT_TRUE(device.calls().isEmpty());
    }

    LocationPlannerViewModel& vm = build();
    vm.pushLastPointToIPhone();
    EXPECT_EQ(vm.notice(), QStringLiteral("Add at least one point first."));
}

TEST_F(HoldingTest, SuccessfulPushHoldsThePointAndReportsInOrder)
{
    AppSettings::setResetPending(true, *settings);
    LocationPlannerViewModel& vm = build();
    Access::setResetPending(vm, false);
    Access::setHelperStatus(vm, test::readyStatus());
    Access::setPoints(vm, {home});
    device.holdAnswers(true);
    vm.pushLastPointToIPhone();
    test::ManualClock::runPostedEvents();
    EXPECT_TRUE(vm.device().isDeviceBusy());
    EXPECT_EQ(vm.simulationSafetyState(), State::intentionalTransition());
    device.holdAnswers(false);
    device.release();
    test::ManualClock::runPostedEvents();

    EXPECT_EQ(device.calls(), QStringList{QStringLiteral("resendLocation")});
    EXPECT_EQ(vm.hold().lockedPoint(), home);
    EXPECT_EQ(AppSettings::lockedPoint(*settings), home);
    EXPECT_FALSE(AppSettings::isResetPending(*settings));
    EXPECT_EQ(vm.hold().routeLivePoint(), home);
    EXPECT_EQ(vm.hold().lastPushedPointID(), home.id);
    EXPECT_EQ(vm.hold().lockStartedAt(), clock.wallNow());
    EXPECT_EQ(vm.hold().lastLockRefresh(), clock.wallNow());
    EXPECT_EQ(vm.hold().lockRefreshCount(), 0);
    EXPECT_EQ(vm.library().history().size(), 1);
    EXPECT_EQ(vm.simulationSafetyState(), State::holdingConfirmed());
    EXPECT_EQ(vm.device().deviceActionMessage(), QStringLiteral("Location Home is set and held until you reset it."));
    EXPECT_FALSE(vm.device().isDeviceBusy());
    EXPECT_EQ(keepAwake.active(), 1);
    const QStringList events = chronologicalEvents();
    const qsizetype setting = events.indexOf(QStringLiteral("Setting location: Home."));
    const qsizetype holding = events.indexOf(QStringLiteral("Holding location: Home."));
    const qsizetype set = events.indexOf(QStringLiteral("Location set: Home."));
    EXPECT_TRUE(setting >= 0 && setting < holding && holding < set) << events.join(u'|').toStdString();

    // Holding another point keeps the one keep-awake activity.
    const RoutePoint office = test::makePoint(QStringLiteral("Office"), 52.6, 13.5);
    vm.pushPointToIPhone(office);
    test::ManualClock::runPostedEvents();
    EXPECT_EQ(vm.hold().lockedPoint(), office);
    EXPECT_EQ(keepAwake.begun(), 1);
    Access::stopLocationLock(vm);
    EXPECT_EQ(keepAwake.ended(), 1);
    EXPECT_FALSE(AppSettings::lockedPoint(*settings).has_value());
}

TEST_F(HoldingTest, AFailedSetIsRetriedOnceAfterPreparation)
{
    const LocationHelper prepared = toolHelper(LocationHelper::Kind::pyMobileDevice, QStringLiteral("prepared"));
    const auto failure =
        std::make_exception_ptr(DeviceLocationError::commandFailed(QStringLiteral("set"), QStringLiteral("gone")));
    struct Case {
        const char* name;
        bool preparationReady;
        bool secondSetFails;
        QStringList calls;
        bool held;
    };
    const QString set = QStringLiteral("resendLocation");
    const QString prepare = QStringLiteral("prepareForLocation");
    const Case cases[] = {
        {"ready after preparation", true, false, {set, prepare, set}, true},
        {"preparation leaves no usable helper", false, false, {set, prepare}, false},
        {"the second set fails too", true, true, {set, prepare, set}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const qsizetype before = device.calls().size();
        AppSettings::setLockedPoint(std::nullopt, *settings);
        device.preparedStatus = c.preparationReady ? readyWith(prepared) : LocationHelperStatus::missing();
        LocationPlannerViewModel& vm = build();
        Access::setHelperStatus(vm, test::readyStatus());
        // The first answer fails; the later ones are scripted after it was given.
        device.setLocationError = failure;
        device.holdAnswers(true);
        vm.pushPointToIPhone(home);
        device.setLocationError = c.secondSetFails ? failure : nullptr;
        device.holdAnswers(false);
        device.release();
        test::ManualClock::runPostedEvents();

        EXPECT_EQ(callsSince(before), c.calls);
        EXPECT_EQ(vm.hold().lockedPoint().has_value(), c.held);
        EXPECT_TRUE(eventMessages().contains(
            QStringLiteral("The first attempt to set the location failed. Preparing iPhone again.")));
        if (c.held) {
            EXPECT_EQ(Access::lockedHelper(vm), prepared);
        } else {
            EXPECT_EQ(vm.device().deviceActionMessage(), QStringLiteral("Couldn’t set the location."));
            EXPECT_TRUE(vm.notice()->startsWith(QStringLiteral("Couldn’t set the location. ")));
            EXPECT_EQ(vm.device().helperStatus().message,
                      QStringLiteral("The connection to iPhone was interrupted. Prepare it again."));
            EXPECT_EQ(vm.simulationSafetyState(), State::inactive());
        }
        EXPECT_FALSE(vm.device().isDeviceBusy());
    }
}

TEST_F(HoldingTest, ReplacingAConfirmedHoldThatFailsRaisesAnIncidentForTheOldPoint)
{
    LocationPlannerViewModel& vm = build();
    const LocationHelper helper = toolHelper(LocationHelper::Kind::iDeviceSetLocation);
    Access::setHelperStatus(vm, readyWith(helper));
    Access::startLocationLock(vm, home, helper, true);
    device.setLocationError =
        std::make_exception_ptr(DeviceLocationError::commandFailed(QStringLiteral("set"), QStringLiteral("x")));
    vm.pushPointToIPhone(test::makePoint(QStringLiteral("Office"), 1, 2));
    test::ManualClock::runPostedEvents();

    EXPECT_EQ(vm.hold().lockedPoint(), home);
    EXPECT_EQ(vm.simulationSafetyState(), State::holdingConfirmed());
    EXPECT_TRUE(vm.hold().telegramIncidentActive());
    ASSERT_TRUE(vm.hold().locationSafetyAlarm().has_value());
    EXPECT_EQ(vm.hold().locationSafetyAlarm()->pointName, home.name);
    EXPECT_TRUE(vm.hold().locationSafetyAlarm()->reason.startsWith(
        QStringLiteral("Changing the location failed, and the previous location is no longer held. ")));
}

TEST_F(HoldingTest, WatchLoopVerifiesOnTicksAtTheClampedInterval)
{
    const LocationHelper helper = toolHelper(LocationHelper::Kind::iDeviceSetLocation);
    struct Case {
        double interval;
        std::chrono::seconds secondVerification;
    };
    // First at the 2 s tick; the next one the interval later, on the next tick.
    const Case cases[] = {{15, 18s}, {1, 8s}, {std::nan(""), 18s}, {1e9, 62s}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.interval);
        LocationPlannerViewModel& vm = build();
        const int before = callCount(QStringLiteral("isDeviceReachable"));
        const auto verifications = [&] { return callCount(QStringLiteral("isDeviceReachable")) - before; };
        vm.setLockRefreshIntervalSeconds(c.interval);
        Access::setHelperStatus(vm, readyWith(helper));
        Access::startLocationLock(vm, home, helper, true);
        clock.advance(1s);
        EXPECT_EQ(verifications(), 0);
        clock.advance(1s);
        EXPECT_EQ(verifications(), 1);
        EXPECT_EQ(vm.device().deviceActionMessage(), QStringLiteral("Location Home is verified."));
        clock.advance(c.secondVerification - 2s - 1s);
        EXPECT_EQ(verifications(), 1);
        clock.advance(1s);
        EXPECT_EQ(verifications(), 2);
        EXPECT_EQ(vm.hold().lockRefreshCount(), 2);
        this->vm.reset();
        test::ManualClock::runPostedEvents();
    }
}

TEST_F(HoldingTest, WatchLoopSkipsWhileBusyOrDuringAnIntentionalChange)
{
    const LocationHelper helper = toolHelper(LocationHelper::Kind::iDeviceSetLocation);
    const std::function<void(LocationPlannerViewModel&)> pauses[] = {
        [](auto& vm) { Access::setDeviceBusy(vm, true); },
        [](auto& vm) { Access::setSafetyState(vm, State::intentionalTransition()); },
        [](auto& vm) { Access::setSafetyState(vm, State::resetting()); },
        [](auto& vm) { vm.prepareForApplicationTermination(); },
    };
    for (const auto& pause : pauses) {
        device.reachable = false;
        LocationPlannerViewModel& vm = build();
        Access::setHelperStatus(vm, readyWith(helper));
        Access::startLocationLock(vm, home, helper, true);
        pause(vm);
        clock.advance(20s);
        EXPECT_TRUE(device.calls().isEmpty());
        EXPECT_EQ(vm.hold().lockFailureCount(), 0);
        EXPECT_FALSE(vm.hold().telegramIncidentActive());
        this->vm.reset();
        test::ManualClock::runPostedEvents();
    }
}

TEST_F(HoldingTest, AnEndedHeldProcessOpensAnIncidentAtTheNextTickWhateverTheInterval)
{
    LocationPlannerViewModel& vm = build();
    vm.setLockRefreshIntervalSeconds(60);
    const LocationHelper helper = toolHelper(LocationHelper::Kind::pyMobileDevice);
    Access::setHelperStatus(vm, readyWith(helper));
    device.persistentLocationActive = true;
    device.detectedStatus = readyWith(helper);
    device.preparedStatus = readyWith(helper);
    Access::startLocationLock(vm, home, helper, true);
    clock.advance(2s);
    EXPECT_EQ(vm.hold().lockRefreshCount(), 1);

    device.persistentLocationActive = false;
    clock.advance(2s);
    EXPECT_TRUE(vm.hold().telegramIncidentActive());
    // The verification that counts and restores keeps 5 s from the last one, on a tick.
    EXPECT_EQ(vm.hold().lockFailureCount(), 0);
    clock.advance(4s);
    EXPECT_EQ(vm.hold().lockFailureCount(), 1);
    // Restored: the held process is started again by the set. The alarm shows the
    // loss once (the verification's report of the same cause is no news) and then
    // the recovery.
    const auto presented = alarms.presented();
    ASSERT_EQ(presented.size(), 2);
    EXPECT_EQ(presented.first().reason, QStringLiteral("Location simulation ended unexpectedly."));
    EXPECT_TRUE(presented.last().isRecoveryConfirmed);
    EXPECT_EQ(presented.last().id, presented.first().id);
    EXPECT_EQ(vm.device().lastDeviceError(), QString());
    EXPECT_EQ(callCount(QStringLiteral("resendLocation")), 1);
}

TEST_F(HoldingTest, UnreachableIPhoneIsCountedOncePerOutageAndRestoredEveryFiveSeconds)
{
    LocationPlannerViewModel& vm = holdWhileUnreachable();
    EXPECT_EQ(vm.hold().lockFailureCount(), 1);
    EXPECT_TRUE(eventMessages().contains(QStringLiteral("Location interrupted: iPhone isn’t connected.")));
    EXPECT_TRUE(vm.hold().telegramIncidentActive());
    EXPECT_EQ(vm.device().deviceActionMessage(), QStringLiteral("Restoring location…"));
    EXPECT_EQ(callCount(QStringLiteral("detectHelper")), 1);

    // With the incident open the next verification follows 5 s later, on a tick.
    clock.advance(5s);
    EXPECT_EQ(callCount(QStringLiteral("isDeviceReachable")), 1);
    clock.advance(1s);
    EXPECT_EQ(callCount(QStringLiteral("isDeviceReachable")), 2);
    // Still the same outage: neither counted again nor logged again.
    EXPECT_EQ(vm.hold().lockFailureCount(), 1);
    EXPECT_EQ(eventMessages().count(QStringLiteral("Location interrupted: iPhone isn’t connected.")), 1);

    // Reachable during the incident: a restoration, not a confirmation or a count.
    device.reachable = true;
    device.detectedStatus = readyWith(unreachableHelper);
    device.preparedStatus = readyWith(unreachableHelper);
    clock.advance(6s);
    EXPECT_EQ(vm.hold().lockFailureCount(), 1);
    EXPECT_FALSE(vm.hold().telegramIncidentActive());
    EXPECT_EQ(vm.device().deviceActionMessage(), QStringLiteral("Location Home is set again."));
}

TEST_F(HoldingTest, DestroyingTheViewModelMidHoldEndsEveryTaskAndTheActivityOnce)
{
    LocationPlannerViewModel& vm = holdWhileUnreachable();
    ASSERT_TRUE(vm.hold().telegramIncidentActive());
    // A verification in flight when the object goes.
    device.holdAnswers(true);
    clock.advance(6s);
    ASSERT_EQ(device.pendingCount(), 1);

    this->vm.reset();
    test::ManualClock::runPostedEvents();
    device.release();
    test::ManualClock::runPostedEvents();
    EXPECT_EQ(clock.pendingSleeps(), 0);
    EXPECT_EQ(keepAwake.begun(), 1);
    EXPECT_EQ(keepAwake.ended(), 1);
}

} // namespace

namespace {

TEST_F(HoldingTest, AVerificationOfAStoppedHoldChangesNothingWhenItsAnswerArrives)
{
    LocationPlannerViewModel& vm = build();
    const LocationHelper helper = toolHelper(LocationHelper::Kind::iDeviceSetLocation);
    Access::setHelperStatus(vm, readyWith(helper));
    device.reachable = false;
    device.holdAnswers(true);
    Access::startLocationLock(vm, home, helper, true);
    clock.advance(2s);
    ASSERT_EQ(device.pendingCount(), 1);

    Access::stopLocationLock(vm);
    const QString message = vm.device().deviceActionMessage();
    device.release();
    test::ManualClock::runPostedEvents();
    EXPECT_EQ(vm.simulationSafetyState(), State::inactive());
    EXPECT_FALSE(vm.hold().telegramIncidentActive());
    EXPECT_EQ(vm.hold().lockFailureCount(), 0);
    EXPECT_EQ(vm.device().deviceActionMessage(), message);
    EXPECT_TRUE(alarms.presented().isEmpty());
}

} // namespace

namespace {

TEST_F(HoldingTest, ASetThatEndsAfterTheQuitBeganNeitherHoldsNorRaisesAnAlarm)
{
    const LocationHelper helper = toolHelper(LocationHelper::Kind::iDeviceSetLocation);
    for (const bool fails : {false, true}) {
        SCOPED_TRACE(fails ? "the set fails while a confirmed hold is replaced" : "the set succeeds");
        device.setLocationError = fails ? std::make_exception_ptr(DeviceLocationError::commandFailed(
                                              QStringLiteral("set"), QStringLiteral("x")))
                                        : std::exception_ptr();
        LocationPlannerViewModel& vm = build();
        Access::setHelperStatus(vm, readyWith(helper));
        if (fails)
            Access::startLocationLock(vm, home, helper, true);
        const int activities = keepAwake.active();
        device.holdAnswers(true);
        vm.pushPointToIPhone(test::makePoint(QStringLiteral("Office"), 1, 2));
        vm.prepareForApplicationTermination();
        device.holdAnswers(false);
        device.release();
        test::ManualClock::runPostedEvents();

        EXPECT_EQ(vm.simulationSafetyState(), State::shuttingDown());
        EXPECT_FALSE(vm.hold().telegramIncidentActive());
        EXPECT_TRUE(alarms.presented().isEmpty());
        EXPECT_EQ(keepAwake.active(), activities);
        clock.advance(10s);
        EXPECT_FALSE(device.calls().contains(QStringLiteral("isDeviceReachable")));
        this->vm.reset();
        test::ManualClock::runPostedEvents();
    }
}

TEST_F(HoldingTest, AHeldPointThatCannotBeStoredIsHeldButNotRestoredAtTheNextLaunch)
{
    LocationPlannerViewModel& vm = build();
    const LocationHelper helper = toolHelper(LocationHelper::Kind::iDeviceSetLocation);
    Access::startLocationLock(vm, home, helper, true);
    ASSERT_TRUE(AppSettings::lockedPoint(*settings).has_value());

    RoutePoint unstorable = test::makePoint(QStringLiteral("Nowhere"), 1, 2);
    unstorable.latitude = std::numeric_limits<double>::infinity();
    Access::startLocationLock(vm, unstorable, helper, true);
    EXPECT_EQ(vm.simulationSafetyState(), State::holdingConfirmed());
    // Not the previous point either: the next launch must not show that one as held.
    EXPECT_FALSE(AppSettings::lockedPoint(*settings).has_value());
    EXPECT_EQ(vm.eventLog().diagnosticEvents().value(1).level, TrackerLogLevel::warning);
    EXPECT_TRUE(vm.eventLog().diagnosticEvents().value(1).message.startsWith(
        QStringLiteral("The held location couldn’t be saved for the next launch: ")));
}

} // namespace
