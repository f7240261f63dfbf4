// The main road end to end: the real device controller drives the fake
// pymobiledevice3 and the fake tunnel service, the view model holds a point,
// loses it, raises the alarm and a Telegram alert, and restores it.

#include "PlannerFixture.h"
#include "alerts/TelegramAlertService.h"
#include "async/SystemClock.h"
#include "async/TimerScheduler.h"
#include "devicebridge/DeviceLocationController.h"
#include "process/OwnedProcessRegistry.h"
#include "routedata/RouteMapPresentation.h"
#include "routedata/RouteSpeedCalculator.h"
#include "support/EquatorRoute.h"
#include "support/FakeHttpServer.h"
#include "support/FakePyMobileDevice.h"
#include "support/SandboxedDevice.h"

#include <QDeadlineTimer>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <functional>

using namespace ostrevin;
using namespace ostrevin::test;
using Command = FakePyMobileDevice::Command;
using Behaviour = FakePyMobileDevice::Behaviour;

namespace {

const QString udid = QStringLiteral("00008101-000A1B2C3D4E");
const QByteArray sendPath = QByteArrayLiteral("/bot123456789:AAE-x_Yz0/sendMessage");

/// Runs the event loop until the condition holds or the time is up.
bool within(int milliseconds, const std::function<bool()>& condition)
{
    QDeadlineTimer deadline(milliseconds);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

class MainRoadTest : public PlannerFixture {
protected:
    MainRoadTest() : tool(dir.file(QStringLiteral("tools"))) { network.setProxy(QNetworkProxy::NoProxy); }

    void SetUp() override
    {
        PlannerFixture::SetUp();
        tunnel.setReply("GET", "/hello", FakeHttpReply::json(R"({"message": "Hello, I'm alive"})"));
        tunnel.setReply("GET", "/", FakeHttpReply::json("{}"));
        bot.setReply("POST", sendPath, FakeHttpReply::json(R"({"ok":true,"result":{}})"));
        bot.setReply("GET", "/bot123456789:AAE-x_Yz0/getUpdates", FakeHttpReply::json(R"({"ok":true,"result":[]})"));
        tool.setAttachedDevices({{udid}});

        DeviceLocationController::Configuration configuration;
        sandbox(configuration, dir.path(), dir.file(QStringLiteral("tools")),
                dir.file(QStringLiteral("absent/pkexec")));
        configuration.tunnelServiceURL = tunnel.url();
        configuration.timing.locationStartup = 0.5;
        configuration.timing.readinessBudget = 2.0;
        controller = std::make_unique<DeviceLocationController>(configuration);

        auto deps = dependencies();
        deps.clock = &systemClock;
        deps.scheduler = &scheduler;
        deps.device = controller.get();
        deps.telegramAlertService = &service;
        vm = std::make_unique<LocationPlannerViewModel>(deps, LocationPlannerViewModel::Services::leaveStopped);
        PlannerTestAccess::setBotToken(*vm, QStringLiteral("123456789:AAE-x_Yz0"));
        vm->setTelegramChatID(QStringLiteral("42"));
        vm->setTelegramAlertsEnabled(true);
        // An unplug is seen at the next verification.
        vm->setLockRefreshIntervalSeconds(5);
    }

    void TearDown() override
    {
        vm.reset();
        controller.reset();
    }

    FakePyMobileDevice tool;
    FakeHttpServer tunnel;
    FakeHttpServer bot;
    QNetworkAccessManager network;
    TelegramAlertService service{&network, bot.url()};
    SystemClock systemClock;
    TimerScheduler scheduler;
    std::unique_ptr<DeviceLocationController> controller;
};

TEST_F(MainRoadTest, AHeldLocationIsLostRaisedAndRestored)
{
    LocationPlannerViewModel& model = *vm;
    model.refreshHelperStatus({.showProgress = true, .verifyLocationReadiness = true});
    ASSERT_TRUE(within(30000, [&] { return !model.device().isCheckingDevice(); }));
    ASSERT_TRUE(model.device().helperStatus().isAvailable()) << model.device().helperStatus().message.toStdString();

    const RoutePoint home = makePoint(QStringLiteral("Home"), 50.0875, 14.4213);
    model.pushPointToIPhone(home);
    ASSERT_TRUE(within(30000, [&] { return !model.device().isDeviceBusy(); }));
    ASSERT_EQ(model.device().deviceActionMessage(),
              QStringLiteral("Location Home is set and held until you reset it."));
    const qint64 held = tool.lastPid(Command::Set).value_or(0);
    ASSERT_TRUE(isProcessAlive(held));

    // The cable is pulled: the iPhone drops the location while the held set runs on.
    tool.unplug();
    ASSERT_TRUE(within(10000, [&] { return !alarms.presented().isEmpty(); }));
    const LocationSafetyAlarmEvent raised = alarms.presented().first();
    EXPECT_EQ(raised.reason, QStringLiteral("iPhone isn’t connected."));
    EXPECT_EQ(raised.pointName, home.name);
    ASSERT_TRUE(within(10000, [&] { return bot.requestCount(sendPath) >= 1; }));
    EXPECT_TRUE(isProcessAlive(held));

    // Plugged in again: restored at the next attempt, at most 5 s apart, by a new set.
    tool.plugBackIn();
    ASSERT_TRUE(within(20000, [&] { return !model.hold().telegramIncidentActive(); }));
    EXPECT_EQ(tool.count(Command::Set), 2);
    EXPECT_TRUE(waitForProcessGone(held));
    EXPECT_EQ(tool.simulatedLocation(), QStringLiteral("50.087500 14.421300"));
    EXPECT_EQ(model.device().deviceActionMessage(), QStringLiteral("Location Home is set again."));
    EXPECT_EQ(alarms.presented().last().id, raised.id);
    EXPECT_TRUE(alarms.presented().last().isRecoveryConfirmed);
    EXPECT_EQ(model.telegram().statusMessage(), QStringLiteral("The location is set again and verified."));
    EXPECT_FALSE(PlannerTestAccess::alertLoopRunning(model));
    const qint64 restored = tool.lastPid(Command::Set).value_or(0);
    EXPECT_TRUE(isProcessAlive(restored));

    model.clearIPhoneLocation();
    ASSERT_TRUE(within(30000, [&] { return !model.device().isDeviceBusy() && !model.hold().lockedPoint(); }));
    EXPECT_TRUE(waitForProcessGone(restored));
    EXPECT_NE(controller->isPersistentLocationActive(model.device().helperStatus().helper), std::optional<bool>(true));
}

TEST_F(MainRoadTest, QuittingMidIncidentReportsNoInterruptionAndLeavesNoProcess)
{
    LocationPlannerViewModel& model = *vm;
    model.refreshHelperStatus({.showProgress = true, .verifyLocationReadiness = true});
    ASSERT_TRUE(within(30000, [&] { return !model.device().isCheckingDevice(); }));
    model.pushPointToIPhone(makePoint(QStringLiteral("Home"), 50.0875, 14.4213));
    ASSERT_TRUE(within(30000, [&] { return !model.device().isDeviceBusy(); }));
    const qint64 held = tool.lastPid(Command::Set).value_or(0);
    ASSERT_TRUE(isProcessAlive(held));

    // The cable is pulled and every restore fails: the incident stays open.
    tool.unplug();
    ASSERT_TRUE(within(10000, [&] { return !alarms.presented().isEmpty(); }));
    ASSERT_TRUE(within(10000, [&] { return bot.requestCount(sendPath) >= 1; }));
    // Plugged in again, a restore that holds again is under way when the user quits.
    tool.setBehaviourWithOrWithoutRsd(Command::Set, Behaviour::Hold);
    tool.plugBackIn();
    const qsizetype presented = alarms.presented().size();

    model.prepareForApplicationTermination();
    OwnedProcessRegistry::shared().terminateAllOwnedProcesses();
    const int sent = bot.requestCount(sendPath);
    within(6000, [&] { return alarms.presented().size() > presented; });
    EXPECT_EQ(alarms.presented().size(), presented);
    EXPECT_FALSE(model.hold().locationSafetyAlarm().has_value());
    EXPECT_GE(alarms.dismissals(), 1);
    EXPECT_LE(bot.requestCount(sendPath), sent + 1); // at most the repeat already on its way
    // The restore under way at the quit must not start a helper that the quit
    // could no longer end.
    EXPECT_FALSE(isProcessAlive(tool.lastPid(Command::Set).value_or(0)));

    vm.reset();
    controller.reset();
    const qint64 last = tool.lastPid(Command::Set).value_or(0);
    EXPECT_TRUE(waitForProcessGone(last));
}

TEST_F(MainRoadTest, ARoutePlaysToItsEndAndItsLastPointIsHeldAndVerified)
{
    LocationPlannerViewModel& model = *vm;
    model.refreshHelperStatus({.showProgress = true, .verifyLocationReadiness = true});
    ASSERT_TRUE(within(30000, [&] { return !model.device().isCheckingDevice(); }));
    ASSERT_TRUE(model.device().helperStatus().isAvailable()) << model.device().helperStatus().message.toStdString();

    // A walk of about three seconds along the equator.
    model.setSelectedTransportMode(RouteTransportMode::walking);
    const double metersPerSecond =
        100 / RouteSpeedCalculator::duration(equatorRoute({0, 100}), RouteSpeedProfile::normal,
                                             RouteTransportMode::walking, 25);
    QList<RoutePoint> route = equatorRoute({0, 1.5 * metersPerSecond, 3 * metersPerSecond});
    route.last().name = QStringLiteral("End");
    PlannerTestAccess::setPoints(model, route);
    model.setRouteName(QStringLiteral("Walk"));
    QList<double> progress;
    QList<RoutePoint> livePoints;
    QStringList statuses;
    QObject::connect(&model.hold(), &LocationHoldState::iPhoneRouteProgressChanged, &model,
                     [&] { progress << model.hold().iPhoneRouteProgress(); });
    QObject::connect(&model.mapPresentation(), &RouteMapPresentation::changed, &model, [&] {
        const std::optional<RoutePoint> live = model.mapPresentation().livePoint();
        if (live && (livePoints.isEmpty() || livePoints.last() != *live))
            livePoints << *live;
    });
    QObject::connect(&model.device(), &DeviceState::deviceActionMessageChanged, &model,
                     [&] { statuses << model.device().deviceActionMessage(); });

    model.startIPhoneRoute();
    ASSERT_TRUE(model.hold().isIPhoneRouteRunning());
    ASSERT_TRUE(within(30000, [&] { return !model.hold().isIPhoneRouteRunning(); }));
    EXPECT_EQ(tool.count(Command::Play), 1);
    ASSERT_GE(progress.size(), 3);
    EXPECT_TRUE(std::is_sorted(progress.cbegin(), progress.cend()));
    EXPECT_EQ(progress.last(), 1.0);
    ASSERT_GE(livePoints.size(), 3);
    EXPECT_EQ(livePoints.first(), route.first());
    EXPECT_EQ(livePoints.last(), route.last());
    EXPECT_EQ(model.hold().lockedPoint(), route.last());
    EXPECT_EQ(PlannerTestAccess::safetyState(model), LocationSimulationSafetyState::Case::holdingConfirmed);
    ASSERT_TRUE(within(10000, [&] { return model.hold().lockRefreshCount() == 1; }));
    EXPECT_EQ(statuses.mid(statuses.size() - 2),
              (QStringList{QStringLiteral("The route finished. Location End is held until you reset it."),
                           QStringLiteral("Location End is verified.")}));
    ASSERT_EQ(model.library().history().size(), 1);
    EXPECT_EQ(model.library().history().first().points, route);
    EXPECT_EQ(model.library().history().first().title, QStringLiteral("Walk"));
    EXPECT_TRUE(alarms.presented().isEmpty());

    const qint64 held = tool.lastPid(Command::Set).value_or(0);
    EXPECT_TRUE(isProcessAlive(held));
    model.clearIPhoneLocation();
    ASSERT_TRUE(within(30000, [&] { return !model.device().isDeviceBusy() && !model.hold().lockedPoint(); }));
    EXPECT_TRUE(waitForProcessGone(held));
    EXPECT_TRUE(waitForProcessGone(tool.lastPid(Command::Play).value_or(0)));
}

} // namespace
