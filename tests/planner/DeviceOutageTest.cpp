// Outages of a held iPhone as the real tools show them: the view model on the
// manual clock drives the real device controller and a pymobiledevice3 whose held
// "set" keeps running through an unplug; a pkexec stand-in counts every
// administrator prompt (and refuses it, as a dismissed dialog does, unless the
// tunnel service is one that the password starts).

#include "PlannerFixture.h"
#include "devicebridge/DeviceLocationController.h"
#include "planner/DeviceIndicatorState.h"
#include "planner/PlannerTexts.h"
#include "routedata/AppSettings.h"
#include "support/FakeDeviceAttachmentWatcher.h"
#include "support/FakeHttpServer.h"
#include "support/FakePyMobileDevice.h"
#include "support/FakeTool.h"
#include "support/SandboxedDevice.h"

#include <QSet>
#include <atomic>
#include <csignal>
#include <functional>
#include <memory>
#include <thread>

using namespace ostrevin;
using namespace ostrevin::test;
using namespace std::chrono_literals;
using Command = FakePyMobileDevice::Command;
using Behaviour = FakePyMobileDevice::Behaviour;

namespace {

const QString udid = QStringLiteral("00008101-000A1B2C3D4E");
const QString notConnected = QStringLiteral("iPhone isn’t connected.");
const FakePyMobileDevice::AttachedDevice iphone{udid};
// A second device that was never trusted: the whole usbmux list fails because of it.
const FakePyMobileDevice::AttachedDevice untrustedIPad{QStringLiteral("00008103-00UNTRUSTED"), QStringLiteral("iPad"),
                                                       QStringLiteral("Kitchen iPad"), false};

// startsWithPassword: stopped until the user gives the administrator password at
// the pkexec stand-in, running from then on.
enum class TunnelService { stopped, running, startsWithPassword };

class DeviceOutageTest : public PlannerFixture {
protected:
    DeviceOutageTest() : tool(dir.file(QStringLiteral("tools"))) {}

    void TearDown() override
    {
        vm.reset();
        controller.reset();
    }

    void build(TunnelService service, const QList<FakePyMobileDevice::AttachedDevice>& attached = {iphone},
               double locationStartup = 1.0)
    {
        tool.setAttachedDevices(attached);
        const bool passwordStartsTheService = service == TunnelService::startsWithPassword;
        if (passwordStartsTheService)
            pkexec.runs(u": > " + QString::fromUtf8(FakeTool::shellWord(QFile::encodeName(tunnelStarted))));
        // 126: the user dismissed the dialog.
        pkexec.exitsWith(passwordStartsTheService ? 0 : 126).write();
        DeviceLocationController::Configuration configuration;
        sandbox(configuration, dir.path(), dir.file(QStringLiteral("tools")), pkexec.path());
        if (service != TunnelService::stopped) {
            tunnel.setReply("GET", "/hello", FakeHttpReply::json(R"({"message": "Hello, I'm alive"})"));
            tunnel.setReply("GET", "/", FakeHttpReply::json("{}"));
            configuration.tunnelServiceURL = tunnel.url();
        }
        if (service == TunnelService::running) {
            // Unplugged, the service has no device to open a tunnel to.
            tunnel.setReply("GET", "/start-tunnel",
                            FakeHttpReply::json(R"({"error": "something went wrong during tunnel creation"})", 404));
        } else if (passwordStartsTheService) {
            tunnel.setRequestCheck([started = tunnelStarted](const FakeHttpRequest&) -> std::optional<FakeHttpReply> {
                return QFile::exists(started) ? std::nullopt : std::optional(FakeHttpReply::text("not running", 503));
            });
            tunnel.setReply(
                "GET", "/start-tunnel",
                FakeHttpReply::json(R"({"interface": "utun6", "port": 64337, "address": "fd7b:e5b:6f53::1"})"));
        }
        configuration.timing.locationStartup = locationStartup;
        // A play starts up as long as a set: the tests move the cable within either.
        configuration.timing.routeStartup = locationStartup;
        configuration.timing.readinessBudget = 0.5;
        controller = std::make_unique<DeviceLocationController>(configuration);
        auto deps = dependencies();
        deps.device = controller.get();
        deps.deviceAttachmentWatcher = &watcher;
        vm = std::make_unique<LocationPlannerViewModel>(deps, LocationPlannerViewModel::Services::leaveStopped);
    }

    void checkAgain()
    {
        vm->refreshHelperStatus({.showProgress = true, .verifyLocationReadiness = true});
        ASSERT_TRUE(eventually([&] { return !vm->device().isCheckingDevice(); }));
    }

    void holdHome()
    {
        checkAgain();
        ASSERT_TRUE(vm->device().helperStatus().isAvailable()) << vm->device().helperStatus().installHint.toStdString();
        vm->pushPointToIPhone(makePoint(QStringLiteral("Home"), 50.0875, 14.4213));
        ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));
        ASSERT_TRUE(vm->hold().lockedPoint().has_value()) << vm->device().deviceActionMessage().toStdString();
    }

    /// Advances the clock one watch tick and waits until the loop sleeps again.
    bool tick()
    {
        clock.advance(2s);
        return eventually([&] { return clock.pendingSleeps() == 1 && !vm->hold().isLocationLockRefreshing(); });
    }

    bool ticksFor(int seconds)
    {
        for (int second = 0; second < seconds; second += 2) {
            if (!tick())
                return false;
        }
        return true;
    }

    /// The cable pulled and plugged back, as the tool sees it and as usbmuxd reports it.
    void replug()
    {
        tool.unplug();
        watcher.detach(udid);
        tool.plugBackIn();
        watcher.attach(udid);
    }

    static QString onIPhone(const RoutePoint& point)
    {
        return QStringLiteral("%1 %2").arg(QString::number(point.latitude, 'f', 6),
                                           QString::number(point.longitude, 'f', 6));
    }

    /// iOS 17.0–17.3 locked (LogErrorAndExit) or unlocked: nothing is ready but through the tunnel, once unlocked.
    void lock(Behaviour behaviour)
    {
        tool.setBehaviourWithOrWithoutRsd(Command::Mount, behaviour);
        tool.setBehaviour(Command::DeviceInformation, behaviour, /*viaRsd=*/true);
    }

    /// The point is on the iPhone again and the outage over, once the work under way ended.
    bool restored(const RoutePoint& point)
    {
        return eventually([&] {
            return tool.simulatedLocation() == onIPhone(point) && !vm->hold().telegramIncidentActive() &&
                   !vm->hold().isLocationLockRefreshing() && !vm->device().isDeviceBusy();
        });
    }

    FakePyMobileDevice tool;
    FakeDeviceAttachmentWatcher watcher;
    FakeHttpServer tunnel;
    FakeTool pkexec{dir.path(), QStringLiteral("pkexec")};
    const QString tunnelStarted = dir.file(QStringLiteral("tunneld-started"));
    std::unique_ptr<DeviceLocationController> controller;
};

TEST_F(DeviceOutageTest, AnUntrustedSecondDeviceNeitherInterruptsTheHoldNorHidesTheIPhone)
{
    build(TunnelService::stopped, {untrustedIPad, iphone});
    holdHome();
    ASSERT_TRUE(ticksFor(60));

    EXPECT_FALSE(vm->hold().telegramIncidentActive());
    EXPECT_TRUE(alarms.presented().isEmpty());
    EXPECT_EQ(vm->hold().lockFailureCount(), 0);
    EXPECT_EQ(vm->device().deviceActionMessage(), QStringLiteral("Location Home is verified."));

    checkAgain();
    EXPECT_TRUE(vm->device().helperStatus().isDeviceConnected);
    EXPECT_NE(vm->device().helperStatus().message, notConnected);
    EXPECT_EQ(vm->device().helperStatus().helper->deviceIdentifier, udid);
    EXPECT_TRUE(pkexec.recordedCalls().isEmpty());
}

// With the tunnel service running, an unplugged iPhone used to read as connected
// ("Needs setup", "Click Prepare iPhone.") and the alarm's cause flipped between
// "iPhone stopped responding." and "Couldn't prepare iPhone." on every check.
TEST_F(DeviceOutageTest, WhileTheHeldIPhoneIsUnpluggedEverythingSaysItIsNotConnected)
{
    build(TunnelService::running);
    holdHome();
    const qint64 held = tool.lastPid(Command::Set).value_or(0);
    tool.setAttachedDevices({});
    ASSERT_TRUE(ticksFor(40));

    // The held set still runs, as the real tool's does.
    EXPECT_TRUE(isProcessAlive(held));
    ASSERT_TRUE(vm->hold().telegramIncidentActive());
    for (const LocationSafetyAlarmEvent& event : alarms.presented())
        EXPECT_EQ(event.reason, notConnected);
    EXPECT_EQ(vm->device().helperStatus().message, notConnected);
    EXPECT_FALSE(vm->device().helperStatus().isDeviceConnected);
    EXPECT_EQ(vm->deviceIndicatorState(), DeviceIndicatorState::notConnected);
    EXPECT_FALSE(vm->deviceSetupSteps().at(1).isDone);
    EXPECT_FALSE(vm->deviceSetupSteps().at(2).isDone);
    EXPECT_EQ(PlannerTexts::nextDeviceActionMessage(vm->device().helperStatus()),
              QStringLiteral("Connect iPhone with a cable and unlock it."));
    EXPECT_EQ(vm->hold().lockFailureCount(), 1);
    EXPECT_TRUE(pkexec.recordedCalls().isEmpty());
}

// An iPhone on iOS 17.0–17.3 reaches developer services only through the tunnel
// service, which needs the administrator password: background recovery waits for
// the user's Prepare iPhone instead of asking every 5 s, also after the user
// dismissed the dialog once.
TEST_F(DeviceOutageTest, BackgroundRecoveryNeverPromptsAndWaitsForPrepareIPhone)
{
    build(TunnelService::stopped);
    holdHome();
    tool.setAttachedDevices({});
    ASSERT_TRUE(ticksFor(10));
    tool.setBehaviour(Command::DeviceInformation, Behaviour::LogErrorAndExit);
    tool.setAttachedDevices({iphone});
    const QString waiting = QStringLiteral("Waiting for Prepare iPhone: it needs the administrator password.");
    for (int second = 0; second < 30 && vm->hold().recoveryWait().isEmpty(); second += 2)
        ASSERT_TRUE(tick()) << second;
    ASSERT_EQ(vm->hold().recoveryWait(), waiting);

    // From then on the wait is the incident's: attempts only look whether the iPhone is still attached and ready,
    // and the card, the popover, the alarm, the alerts and Prepare iPhone keep what they say at every change.
    QSet<QString> seen;
    auto probe = std::make_unique<QObject>();
    const auto sample = [&] {
        seen.insert(QStringList{vm->activeTrackerHeadline(), vm->device().helperStatus().failureReason,
                                alarms.shown() ? alarms.shown()->recoveryWait : QString(),
                                PlannerTestAccess::incidentMessage(*vm).section(u'\n', -1),
                                QString::number(vm->canPrepareIPhone())}
                        .join(u'|'));
    };
    for (auto signal : {&LocationHoldState::isLocationLockRefreshingChanged, &LocationHoldState::recoveryWaitChanged,
                        &LocationHoldState::locationSafetyAlarmChanged})
        QObject::connect(&vm->hold(), signal, probe.get(), sample);
    QObject::connect(&vm->device(), &DeviceState::helperStatusChanged, probe.get(), sample);
    const int mounts = tool.count(Command::Mount);
    ASSERT_TRUE(ticksFor(30));
    probe.reset();
    EXPECT_EQ(tool.count(Command::Mount), mounts);
    EXPECT_EQ(seen.size(), 1) << QStringList(seen.values()).join(u'\n').toStdString();

    // Ready by other means (the tunnel service started by hand): the next attempt restores the point.
    tool.setBehaviour(Command::DeviceInformation, Behaviour::Succeed);
    ASSERT_TRUE(ticksFor(6));
    EXPECT_FALSE(vm->hold().telegramIncidentActive());
    EXPECT_EQ(tool.simulatedLocation(), QStringLiteral("50.087500 14.421300"));
    tool.setBehaviour(Command::DeviceInformation, Behaviour::LogErrorAndExit);

    // An unplug ends a wait; plugged in again, the restore finds out afresh that it needs the password.
    tool.setAttachedDevices({});
    watcher.detach(udid);
    EXPECT_TRUE(vm->hold().recoveryWait().isEmpty());
    tool.setAttachedDevices({iphone});
    watcher.attach(udid);
    ASSERT_TRUE(ticksFor(10));

    EXPECT_TRUE(pkexec.recordedCalls().isEmpty());
    EXPECT_TRUE(vm->hold().telegramIncidentActive());
    EXPECT_EQ(vm->device().helperStatus().message, waiting);
    EXPECT_TRUE(vm->device().helperStatus().isDeviceConnected);
    // The alarm, the card, the popover's reason and the alert say that nothing goes on without the user.
    ASSERT_TRUE(alarms.shown().has_value());
    EXPECT_EQ(alarms.shown()->recoveryWait, waiting);
    EXPECT_EQ(vm->activeTrackerHeadline(), QStringLiteral("Waiting for Prepare iPhone"));
    EXPECT_EQ(vm->device().helperStatus().failureReason, waiting);
    EXPECT_TRUE(PlannerTestAccess::incidentMessage(*vm).endsWith(
        u"Ostrevin waits for Prepare iPhone: it needs the administrator password. Reply /ok to acknowledge."));
    EXPECT_EQ(PlannerTexts::nextDeviceActionMessage(vm->device().helperStatus()),
              QStringLiteral("Click Prepare iPhone."));
    // Tried over the direct connection first.
    EXPECT_GE(tool.count(Command::Mount), 1);

    vm->prepareIPhoneForLocation();
    ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));
    EXPECT_EQ(pkexec.recordedCalls().size(), 1);
    EXPECT_EQ(vm->device().deviceActionMessage(), QStringLiteral("Couldn’t prepare iPhone."));
    EXPECT_EQ(vm->device().helperStatus().failureReason, QStringLiteral("The administrator password wasn’t entered."));
    EXPECT_TRUE(eventMessages().contains(QStringLiteral("Couldn’t prepare iPhone: The administrator password wasn’t "
                                                        "entered.")));
    // Dismissed, the prompt leaves the restore waiting for Prepare iPhone: no attempt prepares by itself.
    const int mountsBefore = tool.count(Command::Mount);
    ASSERT_TRUE(ticksFor(30));
    EXPECT_EQ(pkexec.recordedCalls().size(), 1);
    EXPECT_EQ(tool.count(Command::Mount), mountsBefore);
    EXPECT_EQ(vm->hold().recoveryWait(), waiting);
    EXPECT_EQ(vm->activeTrackerHeadline(), QStringLiteral("Waiting for Prepare iPhone"));

    // A reset is the user's action too: it may ask, and a dismissed prompt keeps the iPhone connected.
    vm->clearIPhoneLocation();
    ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));
    EXPECT_EQ(pkexec.recordedCalls().size(), 2);
    EXPECT_TRUE(vm->canPrepareIPhone());
    EXPECT_EQ(vm->notice(),
              QStringLiteral("The location reset couldn’t be finished. The administrator password wasn’t entered."));
}

// On iOS 17.0–17.3 developer services answer only through the tunnel, and a locked
// iPhone refuses the disk image. A Prepare that got past the password started the
// tunnel service: from then on the restore prepares by itself, never asking.
TEST_F(DeviceOutageTest, APrepareThatGotPastThePasswordLeavesTheRestoreToPrepareByItself)
{
    build(TunnelService::startsWithPassword);
    holdHome();
    tool.setBehaviour(Command::DeviceInformation, Behaviour::LogErrorAndExit);
    lock(Behaviour::LogErrorAndExit);
    replug();
    ASSERT_TRUE(eventually([&] { return !vm->hold().recoveryWait().isEmpty(); }));

    vm->prepareIPhoneForLocation();
    ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));
    ASSERT_EQ(pkexec.recordedCalls().size(), 1);
    EXPECT_TRUE(vm->hold().recoveryWait().isEmpty());
    // The card, the popover's reason, the alarm and the alert.
    const auto texts = [&] {
        return QStringList{
            vm->activeTrackerHeadline(), vm->activeTrackerDetail(), vm->device().helperStatus().failureReason,
            alarms.shown().value_or(LocationSafetyAlarmEvent{}).recoveryWait, PlannerTestAccess::incidentMessage(*vm)}
            .join(u'\n');
    };
    const auto rsdMounts = [&] { return tool.calls(Command::Mount).filter(u"--rsd").size(); };
    const qsizetype mounts = rsdMounts();
    ASSERT_TRUE(ticksFor(20));
    EXPECT_GE(rsdMounts(), mounts + 2);
    EXPECT_FALSE(texts().contains(u"password") || texts().contains(u"Waiting")) << texts().toStdString();

    lock(Behaviour::Succeed);
    for (int second = 0; second < 12 && vm->hold().telegramIncidentActive(); second += 2)
        ASSERT_TRUE(tick()) << second;
    EXPECT_FALSE(vm->hold().telegramIncidentActive());
    EXPECT_EQ(tool.simulatedLocation(), onIPhone(*vm->hold().lockedPoint()));
    EXPECT_EQ(pkexec.recordedCalls().size(), 1);

    // The tunnel service gone, the restore waits for Prepare iPhone again; a Prepare that succeeds restores at once.
    ASSERT_TRUE(QFile::remove(tunnelStarted));
    replug();
    ASSERT_TRUE(eventually([&] { return !vm->hold().recoveryWait().isEmpty(); }));
    vm->prepareIPhoneForLocation();
    EXPECT_TRUE(eventually([&] {
        return !vm->hold().telegramIncidentActive() && tool.simulatedLocation() == onIPhone(*vm->hold().lockedPoint());
    }));
    EXPECT_EQ(pkexec.recordedCalls().size(), 2);
}

// A Prepare iPhone that succeeds during an outage restores the point at once: also when a verification under way
// answers afterwards with what it found before, and when the restore no longer waited for Prepare iPhone.
TEST_F(DeviceOutageTest, APrepareThatSucceedsRestoresAtOnceWhateverTheRestoreWasDoing)
{
    build(TunnelService::startsWithPassword);
    holdHome();
    const RoutePoint home = *vm->hold().lockedPoint();
    const auto waitForPrepare = [&] {
        tool.setBehaviour(Command::DeviceInformation, Behaviour::LogErrorAndExit);
        lock(Behaviour::LogErrorAndExit);
        replug();
        ASSERT_TRUE(eventually([&] { return !vm->hold().recoveryWait().isEmpty(); }));
    };
    waitForPrepare();
    // The tunnel service started by hand meanwhile; the tunnel it opens for the next verification comes late and
    // fails, so that verification answers after the Prepare with what it found before.
    auto gate = std::make_shared<std::atomic<int>>(1);
    tunnel.setRequestCheck(
        [gate, started = tunnelStarted](const FakeHttpRequest& request) -> std::optional<FakeHttpReply> {
            int armed = 1;
            if (request.path() == "/start-tunnel" && gate->compare_exchange_strong(armed, 2)) {
                while (gate->load() == 2)
                    std::this_thread::sleep_for(5ms);
                return FakeHttpReply::json(R"({"error": "something went wrong during tunnel creation"})", 404);
            }
            return QFile::exists(started) ? std::nullopt : std::optional(FakeHttpReply::text("not running", 503));
        });
    ASSERT_TRUE(QFile(tunnelStarted).open(QIODevice::WriteOnly));
    clock.advance(6s);
    ASSERT_TRUE(eventually([&] { return gate->load() == 2; }));
    tool.setBehaviour(Command::DeviceInformation, Behaviour::Succeed); // ready over the direct connection
    vm->prepareIPhoneForLocation();
    ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));
    ASSERT_TRUE(vm->device().helperStatus().isAvailable() && vm->hold().isLocationLockRefreshing());
    gate->store(0);
    EXPECT_TRUE(restored(home)) << vm->device().deviceActionMessage().toStdString();

    // A Prepare past the password that failed on the locked iPhone ended the wait; unlocked, the next one restores.
    ASSERT_TRUE(QFile::remove(tunnelStarted));
    waitForPrepare();
    vm->prepareIPhoneForLocation();
    ASSERT_TRUE(eventually([&] { return vm->hold().recoveryWait().isEmpty() && vm->canPrepareIPhone(); }));
    lock(Behaviour::Succeed);
    vm->prepareIPhoneForLocation();
    EXPECT_TRUE(restored(home)) << vm->device().deviceActionMessage().toStdString();
    EXPECT_EQ(pkexec.recordedCalls().size(), 1);
}

// The user's Set location asks once; a dismissed dialog is not followed by a
// second one from the retry's preparation.
TEST_F(DeviceOutageTest, OneSetLocationAsksForThePasswordAtMostOnce)
{
    build(TunnelService::stopped);
    tool.setBehaviour(Command::Set, Behaviour::LogErrorAndExit);
    checkAgain();
    ASSERT_TRUE(vm->device().helperStatus().isAvailable());
    vm->pushPointToIPhone(makePoint(QStringLiteral("Home"), 50.0875, 14.4213));
    ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));

    EXPECT_EQ(vm->device().deviceActionMessage(), QStringLiteral("Couldn’t set the location."));
    EXPECT_EQ(pkexec.recordedCalls().size(), 1);
}

// Unplugged for 6 s between two checks: the held set kept running and the next
// check would find the iPhone listed again, while it uses its real location.
TEST_F(DeviceOutageTest, AShortUnplugBetweenTwoChecksIsAnInterruptionAndTheSetIsSentAgain)
{
    build(TunnelService::stopped, {iphone}, /*locationStartup=*/2.0);
    holdHome();
    ASSERT_TRUE(tick()); // the first verification
    ASSERT_EQ(vm->device().deviceActionMessage(), QStringLiteral("Location Home is verified."));
    const qint64 firstSet = tool.lastPid(Command::Set).value_or(0);

    tool.setAttachedDevices({});
    watcher.detach(udid);
    ASSERT_TRUE(ticksFor(6));
    tool.setAttachedDevices({iphone});
    watcher.attach(udid);
    ASSERT_TRUE(eventually([&] { return tool.count(Command::Set) == 2 && !isProcessAlive(firstSet); }));
    clock.advance(2s); // a tick during the restore's start-up keeps the outage's cause
    ManualClock::runPostedEvents();
    EXPECT_TRUE(PlannerTestAccess::incidentMessage(*vm).contains(u"Cause: " + notConnected));
    ASSERT_TRUE(
        eventually([&] { return !vm->hold().telegramIncidentActive() && !vm->hold().isLocationLockRefreshing(); }));

    EXPECT_EQ(vm->hold().lockFailureCount(), 1);
    EXPECT_EQ(tool.count(Command::Set), 2);
    EXPECT_FALSE(isProcessAlive(firstSet));
    EXPECT_EQ(vm->device().deviceActionMessage(), QStringLiteral("Location Home is set again."));
    ASSERT_FALSE(alarms.presented().isEmpty());
    for (const LocationSafetyAlarmEvent& event : alarms.presented())
        EXPECT_EQ(event.reason, notConnected);
    EXPECT_TRUE(pkexec.recordedCalls().isEmpty());

    // Another device coming and going is no outage of the held iPhone.
    watcher.detach(untrustedIPad.udid);
    EXPECT_FALSE(vm->hold().telegramIncidentActive());
    EXPECT_EQ(vm->hold().lockFailureCount(), 1);

    // Once nothing reports unplugs, the log says once that the checks alone catch them.
    emit watcher.unavailable();
    emit watcher.unavailable();
    EXPECT_EQ(eventMessages().filter(u"short unplug").size(), 1);

    // An unplug while a route plays is an outage too: the point reached is held and set again on replug.
    PlannerTestAccess::setPoints(*vm, {makePoint(QStringLiteral("Old Town"), 50.0870, 14.4210),
                                       makePoint(QStringLiteral("Castle"), 50.0900, 14.4000)});
    vm->startIPhoneRoute();
    ASSERT_TRUE(eventually([&] {
        return PlannerTestAccess::safetyState(*vm) == LocationSimulationSafetyState::Case::routeConfirmed;
    })) << vm->device().deviceActionMessage().toStdString();
    tool.unplug();
    watcher.detach(udid);
    ASSERT_TRUE(vm->hold().telegramIncidentActive());
    const std::optional<RoutePoint> reached = vm->hold().routeLivePoint();
    ASSERT_TRUE(reached.has_value());

    tool.plugBackIn();
    watcher.attach(udid);
    ASSERT_TRUE(
        eventually([&] { return !vm->hold().telegramIncidentActive() && !vm->hold().isLocationLockRefreshing(); }));
    EXPECT_EQ(tool.simulatedLocation(), onIPhone(*reached));

    // Unreported, the unplug is found by the route's own check at the check interval, not when its time is up;
    // a look whose listings both fail (a usbmuxd query that timed out) is confirmed by a second one first.
    vm->startIPhoneRoute();
    ASSERT_TRUE(eventually(
        [&] { return PlannerTestAccess::safetyState(*vm) == LocationSimulationSafetyState::Case::routeConfirmed; }));
    const auto look = [&](std::chrono::seconds after) {
        const int listings = tool.count(Command::UsbmuxList);
        clock.advance(after);
        return eventually([&] { return tool.count(Command::UsbmuxList) > listings && clock.pendingSleeps() == 1; });
    };
    tool.succeedFromTry(Command::UsbmuxList, 3);
    ASSERT_TRUE(look(15s));
    ASSERT_TRUE(look(2s));
    EXPECT_TRUE(vm->hold().isIPhoneRouteRunning());
    EXPECT_FALSE(vm->hold().telegramIncidentActive());

    tool.unplug();
    ASSERT_TRUE(look(15s));
    EXPECT_TRUE(vm->hold().isIPhoneRouteRunning());
    clock.advance(2s);
    ASSERT_TRUE(eventually([&] { return vm->hold().telegramIncidentActive(); }));
    EXPECT_FALSE(vm->hold().isIPhoneRouteRunning());
    EXPECT_EQ(vm->hold().lockedPoint(), vm->hold().routeLivePoint());
}

// usbmuxd reports the cable pulled and plugged back while a set starts: the set
// process runs on, as the real tool's does, and the tool reports the point set,
// but the iPhone dropped it and uses its real location until the next set.
TEST_F(DeviceOutageTest, ACablePulledAndPluggedBackWhileASetStartsIsAnOutageAndTheReplugSetsThePointAgain)
{
    build(TunnelService::stopped, {iphone}, /*locationStartup=*/2.0);
    checkAgain();
    // Once the set has reached the iPhone and waits, within its start-up.
    const auto replugWhileTheSetStarts = [&](int setsBefore) {
        ASSERT_TRUE(eventually([&] { return tool.count(Command::Set) > setsBefore && tool.simulatedLocation(); }));
        replug();
    };
    // The clock stands still: the replug itself restores the point, once the set's operation is over.
    // Set location. The replug came while it ran: the pill follows it once it is over.
    const RoutePoint home = makePoint(QStringLiteral("Home"), 50.0875, 14.4213);
    vm->pushPointToIPhone(home);
    replugWhileTheSetStarts(0);
    ASSERT_TRUE(eventually([&] { return vm->hold().telegramIncidentActive(); }));
    // Never on the iPhone, the point has been neither held nor verified, whatever the restore's checks found,
    // until the restore sets it.
    ASSERT_TRUE(eventually([&] { return tool.count(Command::Set) == 2; }));
    ASSERT_TRUE(vm->hold().telegramIncidentActive());
    EXPECT_FALSE(vm->lockRuntimeSummary(clock.wallNow()).has_value());
    EXPECT_EQ(alarms.shown().value_or(LocationSafetyAlarmEvent{}).reason, notConnected);
    EXPECT_FALSE(eventMessages().contains(QStringLiteral("Location set: Home.")));
    EXPECT_FALSE(eventMessages().contains(QStringLiteral("Holding location: Home.")));
    ASSERT_TRUE(restored(home)) << vm->device().deviceActionMessage().toStdString();
    EXPECT_EQ(vm->lockRuntimeSummary(clock.wallNow()), QStringLiteral("Active for less than a minute"));
    EXPECT_EQ(vm->device().deviceActionMessage(), QStringLiteral("Location Home is set again."));
    EXPECT_EQ(vm->deviceIndicatorState(), DeviceIndicatorState::ready);

    // Set location replacing the held point, which went with the cable too.
    const RoutePoint office = makePoint(QStringLiteral("Office"), 50.0755, 14.4378);
    vm->pushPointToIPhone(office);
    replugWhileTheSetStarts(2);
    EXPECT_NE(vm->activeTrackerHeadline().toStdString(), "Location is set");
    ASSERT_TRUE(eventually([&] { return vm->hold().telegramIncidentActive(); }));
    ASSERT_TRUE(restored(office)) << vm->device().deviceActionMessage().toStdString();

    // The restore's set: the outage goes on until the set after the second replug.
    replug();
    replugWhileTheSetStarts(4);
    ASSERT_TRUE(restored(office)) << vm->device().deviceActionMessage().toStdString();
    EXPECT_EQ(tool.count(Command::Set), 6);
    EXPECT_EQ(vm->hold().lockFailureCount(), 2);

    // Set location replacing the held point fails once the cable is pulled: the cable is the cause, and the
    // replug restores the held point, which went with it.
    tool.setBehaviourWithOrWithoutRsd(Command::Set, Behaviour::LogErrorAndExit);
    vm->pushPointToIPhone(makePoint(QStringLiteral("Work"), 50.1, 14.5));
    tool.unplug();
    watcher.detach(udid);
    ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));
    EXPECT_EQ(alarms.shown().value_or(LocationSafetyAlarmEvent{}).reason, notConnected);
    EXPECT_EQ(vm->notice(), QStringLiteral("Couldn’t set the location. iPhone isn’t connected."));
    tool.setBehaviourWithOrWithoutRsd(Command::Set, Behaviour::Succeed);
    tool.plugBackIn();
    watcher.attach(udid);
    ASSERT_TRUE(restored(office)) << vm->device().deviceActionMessage().toStdString();
    EXPECT_EQ(tool.count(Command::Set), 8);

    // Stop route's set.
    const QList<RoutePoint> route{makePoint(QStringLiteral("Old Town"), 50.0870, 14.4210),
                                  makePoint(QStringLiteral("Castle"), 50.0900, 14.4000)};
    PlannerTestAccess::setPoints(*vm, route);
    vm->startIPhoneRoute();
    ASSERT_TRUE(eventually([&] {
        return PlannerTestAccess::safetyState(*vm) == LocationSimulationSafetyState::Case::routeConfirmed &&
               vm->hold().routeLivePoint();
    }));
    vm->stopIPhoneRoute();
    replugWhileTheSetStarts(8);
    ASSERT_TRUE(eventually([&] { return vm->hold().telegramIncidentActive(); }));
    const RoutePoint stopped = *vm->hold().lockedPoint();
    ASSERT_TRUE(restored(stopped)) << vm->device().deviceActionMessage().toStdString();

    // The re-arm after a relaunch, at the launch check.
    vm.reset();
    controller.reset();
    build(TunnelService::stopped, {iphone}, /*locationStartup=*/2.0);
    vm->refreshHelperStatus();
    replugWhileTheSetStarts(10);
    ASSERT_TRUE(eventually([&] { return vm->hold().telegramIncidentActive(); }));
    ASSERT_TRUE(restored(stopped)) << vm->device().deviceActionMessage().toStdString();
    EXPECT_EQ(tool.count(Command::Set), 12);

    // A route's start: its play runs on through the replug, as a set does, and the pill follows the cable
    // meanwhile. The route ends as one whose iPhone went, and the replug sets the point it had reached.
    const qsizetype plays = tool.targets(Command::Play).size();
    PlannerTestAccess::setPoints(*vm, route);
    vm->startIPhoneRoute();
    ASSERT_TRUE(eventually([&] { return tool.targets(Command::Play).size() > plays; }));
    replug();
    EXPECT_EQ(vm->deviceIndicatorState(), DeviceIndicatorState::ready);
    ASSERT_TRUE(eventually([&] { return vm->hold().telegramIncidentActive(); }));
    EXPECT_FALSE(vm->hold().isIPhoneRouteRunning());
    EXPECT_EQ(alarms.shown().value_or(LocationSafetyAlarmEvent{}).reason, notConnected);
    EXPECT_FALSE(eventMessages().contains(QStringLiteral("Holding location: Old Town.")));
    EXPECT_FALSE(vm->lockRuntimeSummary(clock.wallNow()).has_value());
    ASSERT_TRUE(restored(route.first())) << vm->device().deviceActionMessage().toStdString();
    EXPECT_EQ(vm->deviceIndicatorState(), DeviceIndicatorState::ready);
    EXPECT_TRUE(pkexec.recordedCalls().isEmpty());

    // A play that reaches the iPhone only after the cable was pulled fails to start. The point it replaced went
    // with the cable, as a set's does: no "Prepare it again", and the replug sets it.
    tool.setBehaviour(Command::Play, Behaviour::SucceedWhenReleased);
    const int launches = tool.count(Command::Play);
    vm->startIPhoneRoute();
    ASSERT_TRUE(eventually([&] { return tool.count(Command::Play) > launches; }));
    tool.unplug();
    watcher.detach(udid);
    tool.release(Command::Play);
    ASSERT_TRUE(eventually([&] { return !vm->hold().isIPhoneRouteRunning(); }));
    EXPECT_EQ(alarms.shown().value_or(LocationSafetyAlarmEvent{}).reason, notConnected);
    EXPECT_EQ(vm->notice(), QStringLiteral("Couldn’t start the route. iPhone isn’t connected."));
    EXPECT_EQ(vm->device().helperStatus().message, notConnected);
    EXPECT_FALSE(eventMessages().contains(QStringLiteral("Holding location: Old Town.")));
    tool.setBehaviour(Command::Play, Behaviour::Succeed);
    tool.plugBackIn();
    watcher.attach(udid);
    ASSERT_TRUE(restored(route.first())) << vm->device().deviceActionMessage().toStdString();

    // Pulled and plugged back during Start route's readiness look, before the play is launched: the play then
    // starts on the iPhone, and the route plays.
    tool.setBehaviour(Command::DeviceInformation, Behaviour::SucceedWhenReleased);
    const int readinessLooks = tool.count(Command::DeviceInformation);
    vm->startIPhoneRoute();
    ASSERT_TRUE(eventually([&] { return tool.count(Command::DeviceInformation) > readinessLooks; }));
    replug();
    tool.release(Command::DeviceInformation);
    ASSERT_TRUE(eventually([&] {
        return PlannerTestAccess::safetyState(*vm) == LocationSimulationSafetyState::Case::routeConfirmed ||
               vm->hold().telegramIncidentActive();
    }));
    EXPECT_TRUE(vm->hold().isIPhoneRouteRunning());
    EXPECT_FALSE(vm->hold().telegramIncidentActive());
    EXPECT_EQ(vm->deviceIndicatorState(), DeviceIndicatorState::ready);
    tool.setBehaviour(Command::DeviceInformation, Behaviour::Succeed);
    vm->stopIPhoneRoute();
    ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy() && !vm->device().isCheckingDevice(); }));
    ASSERT_TRUE(vm->hold().lockedPoint().has_value()) << vm->device().deviceActionMessage().toStdString();

    // A replug before the attempt that decides (the retry after a failed first set, whose preparation then finds
    // the iPhone ready) is neither why it fails nor an outage of what it sets.
    const auto replugBeforeTheRetry = [&] {
        tool.setBehaviour(Command::DeviceInformation, Behaviour::SucceedWhenReleased);
        const int looks = tool.count(Command::DeviceInformation);
        vm->pushPointToIPhone(makePoint(QStringLiteral("Work"), 50.1, 14.5));
        ASSERT_TRUE(eventually([&] { return tool.count(Command::DeviceInformation) > looks; }));
        watcher.detach(udid);
        watcher.attach(udid);
        tool.release(Command::DeviceInformation);
        // The attach report is looked at once the set is over.
        ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy() && !vm->device().isCheckingDevice(); }));
    };
    tool.succeedFromTry(Command::Set, 2);
    replugBeforeTheRetry();
    EXPECT_TRUE(eventMessages().contains(QStringLiteral("Location set: Work.")));
    EXPECT_FALSE(vm->hold().telegramIncidentActive());

    tool.setBehaviour(Command::Set, Behaviour::LogErrorAndExit);
    replugBeforeTheRetry();
    const QString failed = QStringLiteral("Communication with iPhone failed.");
    EXPECT_EQ(vm->notice(), QStringLiteral("Couldn’t set the location. ") + failed);
    EXPECT_EQ(alarms.shown().value_or(LocationSafetyAlarmEvent{}).reason,
              QStringLiteral("Changing the location failed, and the previous location is no longer held. ") + failed);
}

// usbmuxd reports the cable pulled in the moment before a tool is launched: after the readiness look that found
// the iPhone ready has answered, or as Stop route begins. Nothing launched then can reach the iPhone, and nothing
// a look found before may show it as ready: the cable is the cause, as for an attempt it stopped while it ran, and
// the replug sets the point again at once.
TEST_F(DeviceOutageTest, ACablePulledJustBeforeALaunchIsTheCablesFaultAndTheReplugSetsThePointAgain)
{
    const RoutePoint home = makePoint(QStringLiteral("Home"), 50.0875, 14.4213);
    const QList<RoutePoint> route{makePoint(QStringLiteral("Old Town"), 50.0870, 14.4210),
                                  makePoint(QStringLiteral("Castle"), 50.0900, 14.4000)};
    int looks = 0;
    const auto holdTheNextLook = [&] {
        looks = tool.count(Command::DeviceInformation);
        tool.setBehaviour(Command::DeviceInformation, Behaviour::SucceedWhenReleased);
    };
    // The look has seen the iPhone; the program, on the test's thread, gets its answer only after the pull.
    const auto pull = [&] {
        ASSERT_TRUE(eventually([&] { return tool.count(Command::DeviceInformation) > looks; }));
        const qint64 look = tool.lastPid(Command::DeviceInformation).value_or(0);
        tool.release(Command::DeviceInformation);
        ASSERT_TRUE(waitForProcessGone(look));
        tool.unplug();
        watcher.detach(udid);
    };
    RoutePoint lost = home;
    const QList<std::pair<const char*, std::function<void()>>> cases{
        {"Set location's retry",
         [&] {
             tool.succeedFromTry(Command::Set, 2);
             holdTheNextLook();
             vm->pushPointToIPhone(makePoint(QStringLiteral("Work"), 50.1, 14.5));
             pull();
         }},
        {"Stop route's set",
         [&] {
             PlannerTestAccess::setPoints(*vm, route);
             vm->startIPhoneRoute();
             ASSERT_TRUE(eventually([&] {
                 return PlannerTestAccess::safetyState(*vm) == LocationSimulationSafetyState::Case::routeConfirmed &&
                        vm->hold().routeLivePoint();
             }));
             lost = *vm->hold().routeLivePoint();
             vm->stopIPhoneRoute();
             tool.unplug();
             watcher.detach(udid);
         }},
        {"the route's play",
         [&] {
             PlannerTestAccess::setPoints(*vm, route);
             holdTheNextLook();
             vm->startIPhoneRoute();
             pull();
         }},
        {"the restore's set",
         [&] {
             tool.unplug();
             watcher.detach(udid);
             holdTheNextLook();
             tool.plugBackIn();
             watcher.attach(udid);
             pull();
         }},
    };
    for (const auto& [what, pullBeforeTheLaunch] : cases) {
        SCOPED_TRACE(what);
        lost = home;
        vm.reset();
        controller.reset();
        AppSettings::setLockedPoint(std::nullopt, *settings); // nothing to re-arm from the last case
        build(TunnelService::stopped);
        holdHome();
        pullBeforeTheLaunch();
        ASSERT_TRUE(eventually([&] {
            return vm->hold().telegramIncidentActive() && !vm->hold().isIPhoneRouteRunning() &&
                   !vm->device().isDeviceBusy() && !vm->hold().isLocationLockRefreshing();
        })) << vm->device().deviceActionMessage().toStdString();
        EXPECT_EQ(alarms.shown().value_or(LocationSafetyAlarmEvent{}).reason, notConnected);
        EXPECT_EQ(vm->device().helperStatus().message, notConnected);
        EXPECT_EQ(vm->deviceIndicatorState(), DeviceIndicatorState::notConnected);
        EXPECT_EQ(eventMessages().count(u"Holding location: " + lost.name + u'.'), lost.name == home.name ? 1 : 0);
        tool.setBehaviour(Command::DeviceInformation, Behaviour::Succeed);
        tool.plugBackIn();
        watcher.attach(udid);
        EXPECT_TRUE(restored(lost)) << vm->device().deviceActionMessage().toStdString();
    }

    // Plugged back in without a report: a look begun after the unplug report that finds the iPhone is newer.
    tool.unplug();
    watcher.detach(udid);
    tool.plugBackIn();
    for (int second = 0; second < 60 && vm->hold().telegramIncidentActive(); second += 2)
        ASSERT_TRUE(tick()) << second;
    EXPECT_TRUE(restored(lost)) << vm->device().deviceActionMessage().toStdString();
}

// A reset whose clear reaches the iPhone only after the cable was pulled fails for the cable, as a set does: the
// unplug's status stands, with no "Prepare it again", and the texts name the cable.
TEST_F(DeviceOutageTest, AResetWhoseClearFailsOnceTheCableIsPulledNamesTheCable)
{
    build(TunnelService::stopped);
    holdHome();
    tool.setBehaviourWithOrWithoutRsd(Command::Clear, Behaviour::SucceedWhenReleased);
    vm->clearIPhoneLocation();
    ASSERT_TRUE(eventually([&] { return tool.count(Command::Clear) > 0; }));
    tool.unplug();
    watcher.detach(udid);
    tool.release(Command::Clear);
    ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));
    ASSERT_TRUE(vm->hold().isLocationResetPending());
    EXPECT_EQ(vm->device().helperStatus().message, notConnected);
    EXPECT_EQ(vm->device().lastDeviceError(), notConnected);
    EXPECT_EQ(vm->deviceIndicatorState(), DeviceIndicatorState::notConnected);
}

// usbmuxd's reports move the device pill whatever is held: Ready must not outlive
// the cable, and a pending reset must not hide an iPhone plugged in again.
TEST_F(DeviceOutageTest, ThePillFollowsTheCableWithNothingHeldAndWithAResetPending)
{
    build(TunnelService::stopped);
    checkAgain();
    ASSERT_EQ(vm->deviceIndicatorState(), DeviceIndicatorState::ready);
    tool.setAttachedDevices({});
    watcher.detach(udid);
    EXPECT_EQ(vm->deviceIndicatorState(), DeviceIndicatorState::notConnected);
    vm->pushPointToIPhone(makePoint(QStringLiteral("Home"), 50.0875, 14.4213));
    EXPECT_EQ(vm->notice(),
              QStringLiteral("iPhone isn’t connected. Connect it with a cable, unlock it, and try again."));
    EXPECT_EQ(tool.count(Command::Set), 0);

    vm->clearIPhoneLocation();
    ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));
    ASSERT_TRUE(vm->hold().isLocationResetPending());
    tool.setAttachedDevices({iphone});
    watcher.attach(udid);
    ASSERT_TRUE(eventually([&] { return vm->deviceIndicatorState() == DeviceIndicatorState::ready; }));
}

// The held set died and its restores fail, then an unplug and a user's check: the incident keeps its first cause.
TEST_F(DeviceOutageTest, AHeldSetThatDiedKeepsItsCauseThroughFailedRestoresAnUnplugAndACheck)
{
    const QString ended = QStringLiteral("Location simulation ended unexpectedly.");
    build(TunnelService::stopped);
    holdHome();
    ASSERT_TRUE(tick());
    tool.setBehaviourWithOrWithoutRsd(Command::Set, Behaviour::LogErrorAndExit);
    ::kill(static_cast<pid_t>(-tool.lastPid(Command::Set).value_or(0)), SIGKILL);
    ASSERT_TRUE(
        eventually([&] { return controller->isPersistentLocationActive(vm->device().helperStatus().helper) != true; }));
    ASSERT_TRUE(ticksFor(30)); // restores fail all along

    tool.setAttachedDevices({});
    watcher.detach(udid);
    checkAgain();
    ASSERT_TRUE(ticksFor(6));
    for (const LocationSafetyAlarmEvent& event : alarms.presented())
        EXPECT_EQ(event.reason, ended);
    EXPECT_TRUE(PlannerTestAccess::incidentMessage(*vm).contains(u"Cause: " + ended));
}

} // namespace
