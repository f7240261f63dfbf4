#include "PlannerFixture.h"
#include "devicebridge/DeviceLocationError.h"

using namespace ostrevin;
using namespace std::chrono_literals;

namespace {

using Access = PlannerTestAccess;
using State = LocationSimulationSafetyState;

LocationHelperStatus readyFor(const QString& deviceID)
{
    LocationHelperStatus status = test::readyStatus();
    status.helper->deviceIdentifier = deviceID;
    return status;
}

class IncidentsTest : public test::PlannerFixture {
protected:
    const RoutePoint home = test::makePoint(QStringLiteral("Home"), 52.5, 13.4);

    int callCount(const QString& name) const { return static_cast<int>(device.calls().count(name)); }

    void recover(LocationPlannerViewModel& vm, const LocationHelper& helper)
    {
        Access::recover(vm, home, helper);
        test::ManualClock::runPostedEvents();
    }
};

TEST_F(IncidentsTest, OnlyAConfirmedHoldOrRouteOpensAnIncident)
{
    const struct {
        State state;
        bool opens;
    } cases[] = {
        {State::routeConfirmed(QUuid::createUuid()), true},
        {State::inactive(), false},
        {State::starting(), false},
        {State::holdingConfirmed(), true},
        {State::intentionalTransition(), false},
        {State::resetting(), false},
        {State::shuttingDown(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.state.kind()));
        LocationPlannerViewModel& vm = build();
        const qsizetype presentedBefore = alarms.presented().size();
        Access::setSafetyState(vm, c.state);
        Access::reportIncident(vm, QStringLiteral("cause"), home);
        EXPECT_EQ(vm.hold().telegramIncidentActive(), c.opens);
        EXPECT_EQ(alarms.presented().size() - presentedBefore, c.opens ? 1 : 0);
        EXPECT_EQ(eventMessages().contains(QStringLiteral("Simulated location interrupted: cause")), c.opens);
        EXPECT_EQ(vm.telegram().statusMessage() == QStringLiteral("The location was interrupted."), c.opens);
    }
}

TEST_F(IncidentsTest, LaterReportsKeepTheIncidentsIdAndDetectionTime)
{
    LocationPlannerViewModel& vm = build();
    Access::setSafetyState(vm, State::holdingConfirmed());
    Access::reportIncident(vm, QStringLiteral("first"), home);
    clock.advance(3s);
    Access::reportIncident(vm, QStringLiteral("second"), std::nullopt);

    const auto presented = alarms.presented();
    ASSERT_EQ(presented.size(), 2);
    EXPECT_EQ(presented[1].id, presented[0].id);
    EXPECT_EQ(presented[1].detectedAt, presented[0].detectedAt);
    EXPECT_EQ(presented[1].lastUpdatedAt, presented[0].detectedAt.addSecs(3));
    EXPECT_EQ(presented[1].reason, QStringLiteral("second"));
    EXPECT_EQ(presented[1].pointName, home.name);
    EXPECT_EQ(eventMessages().filter(QStringLiteral("Simulated location interrupted")).size(), 1);

    // Acknowledged: further reports of the same incident show nothing.
    ASSERT_TRUE(alarms.acknowledge());
    Access::reportIncident(vm, QStringLiteral("third"), home);
    EXPECT_EQ(alarms.presented().size(), 2);
    EXPECT_TRUE(vm.hold().telegramIncidentActive());

    // Without any point ever known the alarm says so.
    LocationPlannerViewModel& fresh = build();
    Access::setSafetyState(fresh, State::holdingConfirmed());
    Access::reportIncident(fresh, QStringLiteral("cause"), std::nullopt);
    EXPECT_EQ(alarms.presented().last().pointName, QStringLiteral("Unknown location"));
    EXPECT_FALSE(alarms.presented().last().latitude.has_value());
}

TEST_F(IncidentsTest, RecoveryIsAttemptedAtMostEveryFiveSecondsOfSteadyTime)
{
    LocationPlannerViewModel& vm = build();
    const LocationHelper helper = *test::readyStatus().helper;
    recover(vm, helper);
    EXPECT_EQ(callCount(QStringLiteral("detectHelper")), 1);
    clock.advance(3s);
    recover(vm, helper);
    EXPECT_EQ(callCount(QStringLiteral("detectHelper")), 1);

    // The user sets the date back a day while the alarm sounds.
    clock.setWallTime(clock.wallNow().addDays(-1));
    clock.advance(2s);
    recover(vm, helper);
    EXPECT_EQ(callCount(QStringLiteral("detectHelper")), 2);
}

TEST_F(IncidentsTest, ARestoreThatKeepsFailingAlikeIsLoggedOnce)
{
    LocationPlannerViewModel& vm = build();
    device.detectedStatus = readyFor(QStringLiteral("A"));
    device.preparedStatus = readyFor(QStringLiteral("A"));
    for (const char* output : {"locked", "locked", "locked", "unplugged"}) {
        device.setLocationError = std::make_exception_ptr(
            DeviceLocationError::commandFailed(QStringLiteral("set"), QString::fromLatin1(output)));
        recover(vm, *device.preparedStatus.helper);
        clock.advance(5s);
    }
    EXPECT_EQ(callCount(QStringLiteral("resendLocation")), 4);
    EXPECT_EQ(eventMessages().filter(QStringLiteral("Couldn’t restore the location")).size(), 2);
}

TEST_F(IncidentsTest, RecoveryRestoresOnlyTheHeldIPhoneAndClosesTheIncident)
{
    struct Case {
        const char* name;
        QString detected;
        QString prepared;
        bool restored;
    };
    const Case cases[] = {
        {"same iPhone", QStringLiteral("A"), QStringLiteral("A"), true},
        {"detection binds another iPhone, preparation keeps the held one", QStringLiteral("B"), QStringLiteral("A"),
         true},
        {"only another iPhone is ready", QStringLiteral("B"), QStringLiteral("B"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LocationPlannerViewModel& vm = build();
        device.detectedStatus = readyFor(c.detected);
        device.preparedStatus = readyFor(c.prepared);
        const int setsBefore = callCount(QStringLiteral("resendLocation"));
        const qsizetype presentedBefore = alarms.presented().size();
        Access::setSafetyState(vm, State::holdingConfirmed());
        Access::reportIncident(vm, QStringLiteral("lost"), home);
        const QUuid incident = alarms.presented().last().id;

        recover(vm, *readyFor(QStringLiteral("A")).helper);
        EXPECT_EQ(callCount(QStringLiteral("resendLocation")) - setsBefore, c.restored ? 1 : 0);
        EXPECT_EQ(vm.hold().telegramIncidentActive(), !c.restored);
        if (c.restored) {
            ASSERT_EQ(alarms.presented().size() - presentedBefore, 2);
            EXPECT_EQ(alarms.presented().last().id, incident);
            EXPECT_TRUE(alarms.presented().last().isRecoveryConfirmed);
            EXPECT_EQ(vm.device().deviceActionMessage(), QStringLiteral("Location Home is set again."));
            EXPECT_EQ(vm.telegram().statusMessage(), QStringLiteral("The location is set again and verified."));
            EXPECT_TRUE(
                eventMessages().contains(QStringLiteral("The interruption is over, and the location is set again.")));
            EXPECT_EQ(vm.hold().lockRefreshCount(), 1);
        } else {
            // The other iPhone being ready is no comfort: the cause says what is wrong.
            EXPECT_EQ(vm.hold().locationSafetyAlarm()->reason,
                      QStringLiteral("B is connected instead of A, so the location can’t be restored."));
        }
    }
}

} // namespace
