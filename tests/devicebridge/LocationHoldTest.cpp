#include "DriveFixture.h"
#include "routedata/LocationValidationError.h"
#include "support/FakeTool.h"

#include <QDirIterator>
#include <QThread>
#include <QtNumeric>
#include <csignal>
#include <stop_token>

using namespace ostrevin;
using namespace ostrevin::test;
using Command = FakePyMobileDevice::Command;
using Behaviour = FakePyMobileDevice::Behaviour;

namespace {

class LocationHold : public DriveTest {};

/// Voluntary context switches of every thread of this process so far.
long long voluntarySwitches()
{
    long long total = 0;
    QDirIterator tasks(QStringLiteral("/proc/self/task"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (tasks.hasNext()) {
        const QByteArray status = readFile(tasks.next() + QStringLiteral("/status"));
        for (const QByteArray& line : status.split('\n')) {
            if (line.startsWith("voluntary_ctxt_switches:"))
                total += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
        }
    }
    return total;
}

} // namespace

TEST_F(LocationHold, ASetLocationIsHeldByALiveProcessAndTheSameSignatureIsAlreadySet)
{
    const LocationHelper helper = pyHelper();
    EXPECT_EQ(controller->setLocationSync(point(-33.8688, 151.2093), helper),
              QStringLiteral("Simulated location is set."));
    const qint64 held = pidOf(Command::Set);
    ASSERT_GT(held, 0);
    EXPECT_TRUE(isProcessAlive(held));
    EXPECT_EQ(controller->isPersistentLocationActive(helper), std::optional<bool>(true));
    EXPECT_EQ(tool.calls(Command::Set).value(0),
              QStringLiteral("--no-color developer dvt simulate-location set --udid %1 -- -33.868800 151.209300")
                  .arg(testUDID));

    // The same point through the same helper starts nothing.
    EXPECT_EQ(controller->setLocationSync(point(-33.8688, 151.2093), helper),
              QStringLiteral("This location is already set."));
    EXPECT_EQ(tool.count(Command::Set), 1);
    EXPECT_TRUE(isProcessAlive(held));

    // Another connection mode is another signature: the process is replaced.
    const LocationHelper viaTunnel = pyHelper(LocationHelper::ConnectionMode::tunnel());
    EXPECT_EQ(controller->setLocationSync(point(-33.8688, 151.2093), viaTunnel),
              QStringLiteral("Simulated location is set."));
    EXPECT_EQ(tool.count(Command::Set), 2);
    EXPECT_TRUE(waitForProcessGone(held));
    EXPECT_TRUE(isProcessAlive(pidOf(Command::Set)));

    // The held process dies: the hold is no longer intact.
    // The whole group, as when the tool dies: nothing of it may outlive the test.
    ::kill(static_cast<pid_t>(-pidOf(Command::Set)), SIGKILL);
    EXPECT_TRUE(waitForProcessGone(pidOf(Command::Set)));
    QDeadlineTimer deadline(5000);
    while (controller->isPersistentLocationActive(viaTunnel) != std::optional<bool>(false) && !deadline.hasExpired())
        QThread::msleep(10);
    EXPECT_EQ(controller->isPersistentLocationActive(viaTunnel), std::optional<bool>(false));
    EXPECT_EQ(controller->isPersistentLocationActive(std::nullopt), std::nullopt);
}

TEST_F(LocationHold, AProcessThatEndsDuringStartUpFailsWithItsOutputOrTheEarlyExitText)
{
    struct Case {
        const char* name;
        Behaviour behaviour;
        QString output; // empty: the set counts as held
    };
    const QList<Case> cases{
        {"exits 0 silently", Behaviour::ExitSilently,
         QStringLiteral("Location simulation ended early, so the location wouldn’t be held.")},
        {"exits 1 with output", Behaviour::FailWithOutput, QStringLiteral("fake set failed: Device is not connected")},
        {"logs an error and exits 0", Behaviour::LogErrorAndExit, QStringLiteral("ERROR Device is not connected")},
        {"logs an error but keeps running", Behaviour::LogErrorAndHold, QString()},
    };
    // An rsd helper is never retried, so each case is one start.
    const LocationHelper helper = pyHelper(LocationHelper::ConnectionMode::rsd(QStringLiteral("fd7b::1"), 64337));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tool.setBehaviour(Command::Set, c.behaviour);
        const RoutePoint here = point(50.0875, 14.4213 + tool.count(Command::Set));
        if (c.output.isEmpty()) {
            EXPECT_EQ(controller->setLocationSync(here, helper), QStringLiteral("Simulated location is set."));
            EXPECT_TRUE(isProcessAlive(pidOf(Command::Set)));
            continue;
        }
        const auto error = failureOf<DeviceLocationError>([&] { controller->setLocationSync(here, helper); });
        EXPECT_EQ(error.kind(), DeviceLocationError::Case::commandFailed);
        EXPECT_TRUE(error.command().startsWith(
            QStringLiteral("pymobiledevice3 --no-color developer dvt simulate-location set --rsd fd7b::1 64337 --")));
        EXPECT_TRUE(error.output().contains(c.output)) << error.output().toStdString();
        EXPECT_EQ(controller->isPersistentLocationActive(helper), std::optional<bool>(false));
    }
}

TEST_F(LocationHold, ClearStopsTheHeldProcessAndRunsTheClearCommand)
{
    const LocationHelper helper = pyHelper();
    controller->setLocationSync(point(48.8584, 2.2945), helper);
    const qint64 held = pidOf(Command::Set);
    ASSERT_TRUE(isProcessAlive(held));

    EXPECT_EQ(controller->clearLocationSync(helper), QString());
    EXPECT_TRUE(waitForProcessGone(held, 100)); // stopped before clear returned
    EXPECT_EQ(
        tool.calls(Command::Clear),
        QStringList{
            QStringLiteral("--no-color --reconnect developer dvt simulate-location clear --udid %1").arg(testUDID)});
    EXPECT_EQ(controller->isPersistentLocationActive(helper), std::optional<bool>(false));
}

// The cancellation arrives right after the start-up wait stored the running
// process as the held one: the start must not report success, and the process
// must not survive.
TEST_F(LocationHold, CancellationAtTheStartUpBoundaryLeavesNoProcessRunning)
{
    std::stop_source stop;
    makeController([&stop](DeviceLocationController::Configuration& configuration) {
        configuration.afterHeldProcessStored = [&stop] { stop.request_stop(); };
    });
    const LocationHelper helper = pyHelper();
    failureOf<CancellationError>([&] { controller->setLocationSync(point(1, 2), helper, stop.get_token()); });
    const qint64 started = pidOf(Command::Set);
    ASSERT_GT(started, 0);
    EXPECT_TRUE(waitForProcessGone(started, 100));
    EXPECT_EQ(controller->isPersistentLocationActive(helper), std::optional<bool>(false));
}

TEST_F(LocationHold, CancellationDuringStartUpStopsTheStartingAndTheHeldProcess)
{
    makeController(
        [](DeviceLocationController::Configuration& configuration) { configuration.timing.locationStartup = 30; });
    const LocationHelper helper = pyHelper();
    std::stop_source stop;
    QFuture<QString> setting = controller->setLocation(point(1, 2), helper, stop.get_token());
    ASSERT_TRUE(waitForFile(tool.stateFolder() + QStringLiteral("/set.pid")));
    const qint64 starting = pidOf(Command::Set);
    const auto requested = std::chrono::steady_clock::now();
    stop.request_stop();
    ASSERT_TRUE(finishWithEvents(setting, 10000));
    EXPECT_LT(std::chrono::steady_clock::now() - requested, std::chrono::seconds(5));
    EXPECT_THROW(setting.waitForFinished(), CancellationError);
    EXPECT_TRUE(waitForProcessGone(starting, 100));
}

TEST_F(LocationHold, AHeldProcessThatPrintsTenMegabytesIsNotStalled)
{
    tool.setBehaviour(Command::Set, Behaviour::FloodThenHold);
    const LocationHelper helper = pyHelper();
    EXPECT_EQ(controller->setLocationSync(point(10, 20), helper), QStringLiteral("Simulated location is set."));
    // The tool only gets past its flood when every byte was read from the pipe.
    EXPECT_TRUE(waitForFile(tool.stateFolder() + QStringLiteral("/set.flooded"), 30000));
    EXPECT_EQ(controller->isPersistentLocationActive(helper), std::optional<bool>(true));
}

TEST_F(LocationHold, WhileALocationIsHeldNothingPolls)
{
    const LocationHelper helper = pyHelper();
    controller->setLocationSync(point(10, 20), helper);
    QThread::msleep(200);
    const long long before = voluntarySwitches();
    QThread::msleep(1500);
    const long long during = voluntarySwitches() - before;
    // A 20 ms poll would switch about 75 times; sleeping threads barely switch.
    EXPECT_LT(during, 25);
    EXPECT_EQ(controller->isPersistentLocationActive(helper), std::optional<bool>(true));
}

TEST_F(LocationHold, IDeviceSetLocationSetsAndClearsWithOneRunEach)
{
    FakeIDeviceTools tools(dir.file(QStringLiteral("idevice")));
    const LocationHelper helper = iDeviceHelper(tools);

    EXPECT_EQ(controller->setLocationSync(point(-1.5, -2.25), helper), QString());
    EXPECT_EQ(controller->clearLocationSync(helper), QString());
    EXPECT_EQ(tools.calls(QStringLiteral("idevicesetlocation")),
              (QStringList{QStringLiteral("-u 00008030-AAAA -- -1.500000 -2.250000"),
                           QStringLiteral("-u 00008030-AAAA reset")}));
    EXPECT_EQ(controller->isPersistentLocationActive(helper), std::nullopt);

    tools.setSetLocationFails(true);
    const auto error = failureOf<DeviceLocationError>([&] { controller->setLocationSync(point(1, 1), helper); });
    EXPECT_TRUE(error.output().contains(QStringLiteral("ERROR: No device found!")));
}

TEST_F(LocationHold, PointsOffTheGlobeNeverReachATool)
{
    const LocationHelper helper = pyHelper();
    for (const RoutePoint& bad : {point(qQNaN(), 0), point(91, 0), point(0, 180.5), point(0, qInf())}) {
        EXPECT_THROW(controller->setLocationSync(bad, helper), LocationValidationError);
    }
    EXPECT_EQ(tool.count(Command::Set), 0);
}

// The tool exits at once but leaves a grandchild that keeps its pipes open: the
// start must still fail promptly instead of reading until the grandchild ends.
TEST_F(LocationHold, ReadingWhatAnEndedStartLeftIsBounded)
{
    FakeTool wrapper(dir.path(), QStringLiteral("wrapper"));
    wrapper.printsToStandardError("starting\n").leavesGrandchildHoldingOutput(30).exitsWith(0);
    LocationHelper helper = pyHelper(LocationHelper::ConnectionMode::rsd(QStringLiteral("fd7b::1"), 64337));
    helper.executableURL = QUrl::fromLocalFile(wrapper.write());
    const auto started = std::chrono::steady_clock::now();
    const auto error = failureOf<DeviceLocationError>([&] { controller->setLocationSync(point(1, 2), helper); });
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(6));
    EXPECT_EQ(error.output(), QStringLiteral("starting\n"));
    const std::optional<pid_t> grandchild = wrapper.recordedGrandchildPid();
    ASSERT_TRUE(grandchild.has_value());
    EXPECT_TRUE(waitForProcessGone(*grandchild));
}
