// Holding against a pymobiledevice3 that behaves like the real one over time:
// setting by hand, a relaunch, a pending reset, a long loss, a check whose tool
// cannot start and a point chosen while the held one is being verified.

#include "RealDeviceFixture.h"
#include "routedata/AppSettings.h"
#include "support/QtPrinters.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>

using namespace ostrevin;
using namespace ostrevin::test;
using namespace std::chrono_literals;

namespace {

class RealDeviceHoldTest : public RealDeviceFixture {
protected:
    /// Runs the event loop for a moment: a flow that would start a tool has started it.
    static void settle()
    {
        const QDeadlineTimer deadline(300ms);
        while (!deadline.hasExpired()) {
            ManualClock::runPostedEvents();
            QThread::msleep(2);
        }
    }
};

TEST_F(RealDeviceHoldTest, SettingTheHeldPointAgainByHandRunsTheSet)
{
    holdHome();
    const qint64 first = tool.lastPid(Command::Set).value_or(0);

    // The user suspects the iPhone lost it and sets the same point again.
    vm->pushPointToIPhone(*vm->hold().lockedPoint());
    ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));
    EXPECT_EQ(tool.count(Command::Set), 2);
    EXPECT_EQ(vm->device().deviceActionMessage(), QStringLiteral("Location Home is set and held until you reset it."));
    EXPECT_TRUE(waitForProcessGone(first));
    EXPECT_EQ(tool.simulatedLocation(), homeOnIPhone);
}

TEST_F(RealDeviceHoldTest, AfterARelaunchTheStoredPointIsSetAsAFirstSetAndVerified)
{
    struct Case {
        const char* name;
        /// Whether the iPhone is attached when the app starts again.
        bool attachedAtStart;
        std::function<void()> arm;
    };
    const auto pluginFoundByMonitor = [this] {
        vm->monitorDeviceReadiness();
        tool.setAttachedDevices({{udid}});
        clock.advance(30s);
        ASSERT_TRUE(eventually([&] { return vm->device().helperStatus().isDeviceConnected; }));
    };
    const QList<Case> cases{
        // Attached at launch, with no usbmuxd report: the launch check itself sets the
        // point, at once rather than at the readiness monitor's check 30 s later.
        {"Attached at launch", true, [] {}},
        // Plugged in later, found by the readiness monitor, not ready yet: the user prepares it.
        {"Prepare iPhone after plugging in", false,
         [&, this] {
             tool.succeedFromTry(Command::DeviceInformation, 2);
             pluginFoundByMonitor();
             ASSERT_TRUE(eventually([&] { return vm->canPrepareIPhone(); }));
             vm->prepareIPhoneForLocation();
         }},
        // Plugged in later and ready: the monitor's own check sets the point.
        {"Ready after plugging in", false, pluginFoundByMonitor},
        // usbmuxd reports the plug: set at once, not at the monitor's next check.
        {"Reported plugged in", false,
         [this] {
             tool.setAttachedDevices({{udid}});
             watcher.attach(udid);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RoutePoint home = makePoint(QStringLiteral("Home"), 50.0875, 14.4213);
        AppSettings::setLockedPoint(home, *settings);
        const int setsBefore = tool.count(Command::Set);
        tool.setAttachedDevices(c.attachedAtStart ? QList<FakePyMobileDevice::AttachedDevice>{{udid}}
                                                  : QList<FakePyMobileDevice::AttachedDevice>{});
        relaunch();
        // The start-up check.
        vm->refreshHelperStatus();
        ASSERT_TRUE(eventually([&] { return vm->device().lastDeviceCheck().has_value(); }));
        ASSERT_EQ(vm->hold().lockedPoint(), home);
        if (!c.attachedAtStart) {
            EXPECT_EQ(tool.count(Command::Set), setsBefore);
        }

        c.arm();
        ASSERT_TRUE(eventually([&] { return vm->hold().lockRefreshCount() == 1 && !vm->device().isDeviceBusy(); }))
            << vm->device().deviceActionMessage().toStdString();
        EXPECT_EQ(tool.count(Command::Set), setsBefore + 1);
        EXPECT_EQ(tool.simulatedLocation(), homeOnIPhone);
        EXPECT_EQ(vm->device().deviceActionMessage(), QStringLiteral("Location Home is verified."));
        // A first set, not an interruption.
        EXPECT_EQ(vm->hold().lockFailureCount(), 0);
        EXPECT_FALSE(vm->hold().telegramIncidentActive());
        for (const QString& message : eventMessages()) {
            EXPECT_FALSE(message.startsWith(u"Location interrupted")) << message.toStdString();
            EXPECT_FALSE(message.contains(u"set again")) << message.toStdString();
        }
        EXPECT_TRUE(alarms.presented().isEmpty());
        EXPECT_TRUE(pkexec.recordedCalls().isEmpty());
        vm->stopMonitoringDeviceReadiness();
    }
}

TEST_F(RealDeviceHoldTest, FinishResetLooksForTheIPhoneAgainBeforeItGivesUp)
{
    // A reset left pending last time, and the app started with no iPhone attached:
    // its status knows no UDID.
    AppSettings::setResetPending(true, *settings);
    tool.setAttachedDevices({});
    relaunch();
    vm->refreshHelperStatus();
    ASSERT_TRUE(eventually([&] { return vm->device().lastDeviceCheck().has_value(); }));
    ASSERT_FALSE(vm->device().helperStatus().isDeviceConnected);

    tool.setAttachedDevices({{udid}});
    vm->clearIPhoneLocation();
    ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));
    EXPECT_EQ(vm->device().deviceActionMessage(), QStringLiteral("Reset complete. iPhone is using its real location."));
    EXPECT_EQ(tool.targets(Command::Clear), QStringList{udid});
    EXPECT_FALSE(vm->hold().isLocationResetPending());
    EXPECT_TRUE(pkexec.recordedCalls().isEmpty());
}

TEST_F(RealDeviceHoldTest, ALongLossPresentsTheAlarmOnlyWhenItsTextChanges)
{
    holdHome();
    // Unplugged, and the held set is gone too (ended from outside).
    tool.unplug();
    ::kill(static_cast<pid_t>(-tool.lastPid(Command::Set).value_or(0)), SIGKILL);
    ASSERT_TRUE(
        eventually([&] { return controller->isPersistentLocationActive(vm->device().helperStatus().helper) != true; }));
    for (int second = 0; second < 60; second += 2)
        ASSERT_TRUE(tick()) << second;

    const QList<LocationSafetyAlarmEvent> presented = alarms.presented();
    ASSERT_FALSE(presented.isEmpty());
    for (qsizetype i = 1; i < presented.size(); ++i) {
        EXPECT_EQ(presented[i].id, presented[0].id);
        EXPECT_NE(presented[i].reason, presented[i - 1].reason) << i << ": " << presented[i].reason.toStdString();
    }
    EXPECT_EQ(vm->hold().lockFailureCount(), 1);
    EXPECT_TRUE(pkexec.recordedCalls().isEmpty());
}

TEST_F(RealDeviceHoldTest, ACheckWhoseToolCannotStartIsThisProgramsOwnFailureNotTheCable)
{
    holdHome();
    // The tool no longer starts (out of descriptors, a permission taken away), while
    // the held set runs on and the iPhone stays plugged in.
    const QFile::Permissions usual = QFile::permissions(tool.executable());
    ASSERT_TRUE(QFile::setPermissions(tool.executable(), QFile::ReadOwner | QFile::WriteOwner));
    const QString unstarted =
        QStringLiteral("Couldn’t start %1: %2").arg(tool.executable(), QString::fromLocal8Bit(std::strerror(EACCES)));
    tickUntilIncident();

    EXPECT_EQ(alarms.presented().first().reason, unstarted);
    EXPECT_TRUE(eventMessages().contains(u"Location interrupted: " + unstarted))
        << eventMessages().join(u'\n').toStdString();
    // The restore's preparation looks for the iPhone too, and finds no cable fault either.
    EXPECT_TRUE(vm->device().helperStatus().isDeviceConnected) << vm->device().helperStatus().message.toStdString();
    for (const QString& message : eventMessages())
        EXPECT_FALSE(message.contains(u"isn’t connected")) << message.toStdString();

    // Once the tool starts again, the restore sets the point again.
    ASSERT_TRUE(QFile::setPermissions(tool.executable(), usual));
    for (int second = 0; second < 20 && vm->hold().telegramIncidentActive(); second += 2)
        ASSERT_TRUE(tick()) << second;
    EXPECT_FALSE(vm->hold().telegramIncidentActive());
    EXPECT_EQ(tool.simulatedLocation(), homeOnIPhone);
}

TEST_F(RealDeviceHoldTest, APointChosenDuringAVerificationIsSentWhenItEnds)
{
    // A place picked on the map, then a route's newest point: the name it is sent as, and the iPhone's location.
    const std::tuple<QString, QString, std::function<void()>> cases[] = {
        {QStringLiteral("Selected place"), QStringLiteral("48.858400 2.294500"),
         [this] { vm->selectPlaceAt(48.8584, 2.2945); }},
        {QStringLiteral("Louvre"), QStringLiteral("48.860600 2.337600"),
         [this] {
             PlannerTestAccess::setPoints(*vm, {makePoint(QStringLiteral("Start"), 48.85, 2.29)});
             vm->addRoutePoint(makePoint(QStringLiteral("Louvre"), 48.8606, 2.3376));
         }},
    };
    holdHome();
    vm->setAutoSendOnAdd(true);
    for (const auto& [sent, onIPhone, choose] : cases) {
        SCOPED_TRACE(sent.toStdString());
        const int setsBefore = tool.count(Command::Set);
        // The next verification's look at the attached devices waits for the test.
        tool.setBehaviour(Command::UsbmuxList, Behaviour::SucceedWhenReleased);
        const int listsBefore = tool.count(Command::UsbmuxList);
        clock.advance(2s);
        ASSERT_TRUE(eventually([&] { return tool.count(Command::UsbmuxList) > listsBefore; }));
        ASSERT_TRUE(vm->hold().isLocationLockRefreshing());
        choose();
        settle();
        EXPECT_EQ(tool.count(Command::Set), setsBefore);
        EXPECT_EQ(vm->device().deviceActionMessage(),
                  QStringLiteral("Point %1 is added. It’s set on iPhone when the check of the held location ends.")
                      .arg(sent));

        tool.release(Command::UsbmuxList);
        ASSERT_TRUE(
            eventually([&] { return tool.count(Command::Set) == setsBefore + 1 && !vm->device().isDeviceBusy(); }));
        EXPECT_EQ(tool.simulatedLocation(), onIPhone);
        EXPECT_EQ(vm->device().deviceActionMessage(),
                  QStringLiteral("Location %1 is set and held until you reset it.").arg(sent));
    }
}

} // namespace
