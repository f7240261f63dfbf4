// Route playback against a scripted device: the test plays the device's part
// through the two reports that playRoute hands over.

#include "PlannerFixture.h"
#include "devicebridge/DeviceLocationError.h"
#include "planner/PlannerTexts.h"
#include "process/CancellationError.h"
#include "routedata/RouteMapPresentation.h"

using namespace ostrevin;
using namespace ostrevin::test;
using namespace Qt::StringLiterals;

namespace {

using A = PlannerTestAccess;
using State = LocationSimulationSafetyState::Case;

class PlaybackTest : public PlannerFixture {
protected:
    const QList<RoutePoint> route{makePoint(QStringLiteral("Start"), 50.00, 14.00),
                                  makePoint(QStringLiteral("End"), 50.02, 14.02)};
    const RoutePoint reached = makePoint(QStringLiteral("Route 2"), 50.01, 14.01);

    /// A fresh view model with a ready iPhone that starts the route; the device keeps its answer back.
    ScriptedDeviceLocationService::Playback start(const std::function<void(LocationPlannerViewModel&)>& arrange = {})
    {
        build();
        A::setHelperStatus(*vm, readyStatus());
        A::setPoints(*vm, route);
        device.persistentLocationActive = true;
        if (arrange)
            arrange(*vm);
        device.holdAnswers(true);
        vm->startIPhoneRoute();
        return device.playbacks().value(device.playbacks().size() - 1);
    }
    /// Lets the device answer, from now on at once.
    void answer()
    {
        device.holdAnswers(false);
        device.release();
    }
};

TEST_F(PlaybackTest, AFailureRaisesAnAlarmOnlyForARouteThatHadStartedAndNeverDropsAConfirmedHold)
{
    const RoutePoint home = makePoint(QStringLiteral("Home"), 48.0, 11.0);
    const QString lost = PlannerTexts::summary(DeviceLocationError::simulationConnectionLost().description());
    struct Case {
        const char* name;
        bool heldHomeBefore, confirmed;
        std::optional<QString> alarmReason;
        std::optional<RoutePoint> held;
        State state;
        QString notice;
    };
    const QList<Case> cases{
        {"before the start report", false, false, {}, {}, State::inactive, u"Couldn’t start the route. "_s},
        {"after the start report", false, true, lost, reached, State::holdingConfirmed,
         u"Route playback was interrupted. "_s},
        {"before the start report, over a confirmed hold", true, false,
         u"Starting the route failed, and the previous location may no longer be held."_s, home,
         State::holdingConfirmed, u"Couldn’t start the route. "_s},
    };
    device.playRouteError = std::make_exception_ptr(DeviceLocationError::simulationConnectionLost());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const qsizetype alarmsBefore = alarms.presented().size();
        const auto playback = start([&](auto& m) {
            if (c.heldHomeBefore)
                A::startLocationLock(m, home, *readyStatus().helper, true);
        });
        if (c.confirmed) {
            playback.started(playback.helper);
            playback.progress(0.5, reached);
        }
        answer();
        ASSERT_TRUE(eventually([&] { return !vm->hold().isIPhoneRouteRunning(); }));
        const auto raised = alarms.presented().mid(alarmsBefore);
        EXPECT_EQ(raised.isEmpty(), !c.alarmReason);
        EXPECT_TRUE(raised.isEmpty() || raised.first().reason.startsWith(c.alarmReason.value_or(QString())));
        EXPECT_EQ(vm->hold().lockedPoint(), c.held);
        EXPECT_EQ(A::safetyState(*vm), c.state);
        EXPECT_TRUE(vm->notice().value_or(QString()).startsWith(c.notice));
        EXPECT_EQ(vm->device().helperStatus().message,
                  u"The connection to iPhone was interrupted. Prepare it again."_s);
    }
}

TEST_F(PlaybackTest, StoppingSetsThePointTheIPhoneReachedBeforeItIsAnnouncedAsHeld)
{
    struct Case {
        const char* name;
        std::optional<RoutePoint> report;
        bool setFails;
        RoutePoint held;
        State state;
        QString status;
    };
    const QList<Case> cases{
        {"before the first report",
         {},
         false,
         route.first(),
         State::holdingConfirmed,
         u"The route is stopped. Location Start is held until you reset it."_s},
        {"after a report", reached, false, reached, State::holdingConfirmed,
         u"The route is stopped. Location Route 2 is held until you reset it."_s},
        {"the point cannot be set", {}, true, route.first(), State::starting, u"Couldn’t set the location."_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device.setLocationError =
            c.setFails ? std::make_exception_ptr(DeviceLocationError::simulationConnectionLost()) : nullptr;
        const auto playback = start([&](auto& m) { A::setLastDeviceCheck(m, clock.wallNow()); });
        playback.started(playback.helper);
        if (c.report)
            playback.progress(0.5, *c.report);
        clock.advance(std::chrono::seconds(90));
        const qsizetype before = device.calls().size();
        vm->stopIPhoneRoute();
        EXPECT_FALSE(vm->hold().isIPhoneRouteRunning());
        EXPECT_TRUE(vm->device().isDeviceBusy());
        answer();
        ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));
        EXPECT_EQ(device.calls().mid(before, 3),
                  (QStringList{u"stopActiveProcess"_s, u"stopPersistentLocationProcess"_s, u"resendLocation"_s}));
        EXPECT_EQ(device.setPoints().last(), c.held);
        EXPECT_EQ(vm->hold().lockedPoint(), c.held);
        EXPECT_EQ(A::safetyState(*vm), c.state);
        EXPECT_EQ(vm->device().deviceActionMessage(), c.status);
        // The set that Stop sent is the latest confirmation, not the check before the route.
        EXPECT_TRUE(c.setFails || vm->trackerLastUpdateSummary(clock.wallNow()) == u"Verified just now"_s);
    }
    EXPECT_TRUE(alarms.presented().isEmpty());
}

TEST_F(PlaybackTest, OnlyTheCurrentPlaybackActsAndNothingAfterQuittingBegan)
{
    // A route of no length is refused like a single point: it would never report that it ran.
    start([&](auto& m) { A::setPoints(m, {route.first(), route.first()}); });
    EXPECT_EQ(vm->notice(), u"A route needs at least two points."_s);

    const auto first = start();
    vm->stopIPhoneRoute();
    answer();
    ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));

    // A second playback replaces the first: the first one's late reports change nothing.
    device.playRouteError = std::make_exception_ptr(CancellationError());
    device.holdAnswers(true);
    vm->startIPhoneRoute();
    const auto second = device.playbacks().last();
    first.started(first.helper);
    first.progress(0.9, route.last());
    EXPECT_EQ(A::safetyState(*vm), State::starting);
    second.progress(0.5, reached);
    EXPECT_EQ(vm->hold().iPhoneRouteProgress(), 0.5);
    EXPECT_EQ(vm->mapPresentation().livePoint(), reached);
    EXPECT_TRUE(vm->device().deviceActionMessage().startsWith(u"Route is playing: 50"_s));

    // Cancelled on the device's side while still current: the point reached is held.
    answer();
    ASSERT_TRUE(eventually([&] { return !vm->hold().isIPhoneRouteRunning(); }));
    EXPECT_EQ(vm->hold().lockedPoint(), reached);
    EXPECT_EQ(eventMessages().first(), u"The route is stopped."_s);

    // Quitting: the reports and the end of a running playback do nothing.
    device.playRouteError = nullptr;
    const auto third = start();
    vm->prepareForApplicationTermination();
    third.started(third.helper);
    answer();
    ASSERT_TRUE(waitFor(A::playbackFinished(*vm)));
    EXPECT_EQ(A::safetyState(*vm), State::shuttingDown);
    EXPECT_FALSE(vm->hold().lockedPoint().has_value());
    EXPECT_TRUE(vm->library().history().isEmpty());
}

} // namespace
