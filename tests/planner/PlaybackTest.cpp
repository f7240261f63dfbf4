// Route playback against a scripted device: the test plays the device's part
// through the two reports that playRoute hands over.

#include "PlannerFixture.h"
#include "devicebridge/DeviceLocationError.h"
#include "process/CancellationError.h"
#include "routedata/RouteMapPresentation.h"

#include <functional>

using namespace ostrevin;
using namespace ostrevin::test;

namespace {

using A = PlannerTestAccess;
using State = LocationSimulationSafetyState::Case;

class PlaybackTest : public PlannerFixture {
protected:
    const QList<RoutePoint> route{makePoint(QStringLiteral("Start"), 50.00, 14.00),
                                  makePoint(QStringLiteral("Middle"), 50.01, 14.01),
                                  makePoint(QStringLiteral("End"), 50.02, 14.02)};
    const RoutePoint reached = makePoint(QStringLiteral("Route 2"), 50.005, 14.005);

    LocationPlannerViewModel& ready(const QList<RoutePoint>& points)
    {
        LocationPlannerViewModel& model = build();
        A::setHelperStatus(model, readyStatus());
        A::setPoints(model, points);
        device.persistentLocationActive = true;
        return model;
    }

    /// Starts the draft with the device's answer kept back; the playback the device received.
    ScriptedDeviceLocationService::Playback start(LocationPlannerViewModel& model)
    {
        device.holdAnswers(true);
        model.startIPhoneRoute();
        const auto playbacks = device.playbacks();
        EXPECT_FALSE(playbacks.isEmpty());
        return playbacks.isEmpty() ? ScriptedDeviceLocationService::Playback{} : playbacks.last();
    }

    /// Lets the device answer, from now on at once.
    void answer()
    {
        device.holdAnswers(false);
        device.release();
    }
};

TEST_F(PlaybackTest, StartIsRefusedInOrderAndSaysWhyWhereTheUserCanAct)
{
    const RoutePoint here = route.first();
    struct Case {
        const char* name;
        QList<RoutePoint> points;
        std::function<void(LocationPlannerViewModel&)> arrange;
        std::optional<QString> notice;
    };
    const QList<Case> cases{
        {"a route plays", route, [](auto& m) { A::setRouteRunning(m, true); }, std::nullopt},
        {"a route is planned", route, [](auto& m) { A::setPlanning(m, true); }, std::nullopt},
        {"the device is busy", route, [](auto& m) { A::setDeviceBusy(m, true); }, std::nullopt},
        {"a reset is pending, even with one point", {here}, [](auto& m) { A::setResetPending(m, true); },
         QStringLiteral("Finish the location reset first.")},
        {"no iPhone", route, [](auto& m) { A::setHelperStatus(m, LocationHelperStatus::missing()); },
         QStringLiteral("The add-on component for communicating with iPhone isn’t installed. Quit Ostrevin and open "
                        "it again; installation starts automatically.")},
        {"one point", {here}, [](auto&) {}, QStringLiteral("A route needs at least two points.")},
        {"no length", {here, here}, [](auto&) {}, QStringLiteral("A route needs at least two points.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LocationPlannerViewModel& model = ready(c.points);
        c.arrange(model);
        const bool wasRunning = model.isIPhoneRouteRunning();
        model.startIPhoneRoute();
        EXPECT_EQ(model.notice(), c.notice);
        EXPECT_EQ(model.isIPhoneRouteRunning(), wasRunning);
        EXPECT_FALSE(device.calls().contains(QStringLiteral("playRoute")));
    }
}

TEST_F(PlaybackTest, AFailureRaisesAnAlarmOnlyForARouteThatHadStartedAndNeverDropsAConfirmedHold)
{
    const RoutePoint home = makePoint(QStringLiteral("Home"), 48.0, 11.0);
    struct Case {
        const char* name;
        bool heldHomeBefore;
        bool confirmed;
        std::optional<QString> alarmReasonStart;
        std::optional<RoutePoint> held;
        State state;
        QString notice;
    };
    const QString lost = LocationPlannerViewModel::summary(DeviceLocationError::simulationConnectionLost().description());
    const QList<Case> cases{
        {"before the start report", false, false, std::nullopt, std::nullopt, State::inactive,
         QStringLiteral("Couldn’t start the route. ")},
        {"after the start report", false, true, lost, reached, State::holdingConfirmed,
         QStringLiteral("Route playback was interrupted. ")},
        {"before the start report, over a confirmed hold", true, false,
         QStringLiteral("Starting the route failed, and the previous location may no longer be held."), home,
         State::holdingConfirmed, QStringLiteral("Couldn’t start the route. ")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const qsizetype alarmsBefore = alarms.presented().size();
        LocationPlannerViewModel& model = ready(route);
        if (c.heldHomeBefore)
            A::startLocationLock(model, home, *readyStatus().helper, true);
        device.playRouteError = std::make_exception_ptr(DeviceLocationError::simulationConnectionLost());
        const auto playback = start(model);
        if (c.confirmed) {
            playback.started(playback.helper);
            playback.progress(0.5, reached);
        }
        answer();
        ASSERT_TRUE(eventually([&] { return !model.isIPhoneRouteRunning(); }));

        const auto raised = alarms.presented().mid(alarmsBefore);
        EXPECT_EQ(raised.isEmpty(), !c.alarmReasonStart);
        if (c.alarmReasonStart && !raised.isEmpty()) {
            EXPECT_TRUE(raised.first().reason.startsWith(*c.alarmReasonStart)) << raised.first().reason.toStdString();
        }
        EXPECT_EQ(model.lockedPoint(), c.held);
        EXPECT_EQ(A::safetyState(model), c.state);
        ASSERT_TRUE(model.notice().has_value());
        EXPECT_TRUE(model.notice()->startsWith(c.notice)) << model.notice()->toStdString();
        EXPECT_EQ(model.helperStatus().message, QStringLiteral("The connection to iPhone was interrupted. Prepare it again."));
        EXPECT_TRUE(eventMessages().first().startsWith(QStringLiteral("Route playback failed: ")));
        device.playRouteError = nullptr;
    }
}

TEST_F(PlaybackTest, StoppingSetsAndThenHoldsThePointTheIPhoneReached)
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
        {"before the first report", std::nullopt, false, route.first(), State::holdingConfirmed,
         QStringLiteral("The route is stopped. Location Start is held until you reset it.")},
        {"after a report", reached, false, reached, State::holdingConfirmed,
         QStringLiteral("The route is stopped. Location Route 2 is held until you reset it.")},
        {"the point cannot be set", std::nullopt, true, route.first(), State::starting,
         QStringLiteral("Couldn’t set the location.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LocationPlannerViewModel& model = ready(route);
        device.setLocationError =
            c.setFails ? std::make_exception_ptr(DeviceLocationError::simulationConnectionLost()) : nullptr;
        const auto playback = start(model);
        playback.started(playback.helper);
        if (c.report)
            playback.progress(0.5, *c.report);
        const qsizetype before = device.calls().size();
        model.stopIPhoneRoute();
        // Everything the user sees changes at once; the device work follows.
        EXPECT_FALSE(model.isIPhoneRouteRunning());
        EXPECT_TRUE(model.isDeviceBusy());
        EXPECT_EQ(model.deviceActionMessage(), QStringLiteral("Stopping route…"));
        answer();
        ASSERT_TRUE(eventually([&] { return !model.isDeviceBusy(); }));

        const QStringList calls = device.calls().mid(before);
        ASSERT_GE(calls.size(), 3);
        EXPECT_EQ(calls.mid(0, 3), (QStringList{QStringLiteral("stopActiveProcess"),
                                                QStringLiteral("stopPersistentLocationProcess"),
                                                QStringLiteral("setLocation")}));
        EXPECT_EQ(device.setPoints().last(), c.held);
        EXPECT_EQ(model.lockedPoint(), c.held);
        EXPECT_EQ(A::safetyState(model), c.state);
        EXPECT_EQ(model.deviceActionMessage(), c.status);
        EXPECT_TRUE(alarms.presented().isEmpty());
    }
}

TEST_F(PlaybackTest, AReplacedOrCancelledPlaybackActsOnlyWhileItIsCurrent)
{
    LocationPlannerViewModel& model = ready(route);
    const auto first = start(model);
    first.started(first.helper);
    model.stopIPhoneRoute();
    answer();
    ASSERT_TRUE(eventually([&] { return !model.isDeviceBusy(); }));

    // A second playback replaces the first: the first one's late reports change nothing.
    device.playRouteError = std::make_exception_ptr(CancellationError());
    const auto second = start(model);
    first.started(first.helper);
    first.progress(0.9, route.last());
    EXPECT_EQ(A::safetyState(model), State::starting);
    EXPECT_EQ(model.iPhoneRouteProgress(), 0);
    EXPECT_EQ(model.routeLivePoint(), route.first());

    second.progress(0.5, reached);
    EXPECT_EQ(model.iPhoneRouteProgress(), 0.5);
    EXPECT_EQ(model.mapPresentation().livePoint(), reached);
    EXPECT_EQ(model.lastPushedPointID(), reached.id);
    EXPECT_TRUE(model.deviceActionMessage().startsWith(QStringLiteral("Route is playing: 50")));

    // Cancelled from the device's side while still current: the point reached is held.
    answer();
    ASSERT_TRUE(eventually([&] { return !model.isIPhoneRouteRunning(); }));
    EXPECT_EQ(model.lockedPoint(), reached);
    EXPECT_EQ(model.deviceActionMessage(), QStringLiteral("The route is stopped. Location Route 2 is held until you reset it."));
    EXPECT_EQ(eventMessages().first(), QStringLiteral("The route is stopped."));
    EXPECT_TRUE(model.history().isEmpty());
}

TEST_F(PlaybackTest, NothingOfAPlaybackActsOnceQuittingBegan)
{
    LocationPlannerViewModel& model = ready(route);
    const auto playback = start(model);
    model.prepareForApplicationTermination();
    playback.started(playback.helper);
    playback.progress(0.5, reached);
    answer();
    ASSERT_TRUE(waitFor(A::playbackFinished(model)));
    EXPECT_EQ(A::safetyState(model), State::shuttingDown);
    EXPECT_EQ(model.iPhoneRouteProgress(), 0);
    EXPECT_FALSE(model.lockedPoint().has_value());
    EXPECT_TRUE(model.history().isEmpty());
}

} // namespace
