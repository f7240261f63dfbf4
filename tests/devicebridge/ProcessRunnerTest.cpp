#include "async/CancelSource.h"
#include "devicebridge/DeviceLocationController.h"
#include "devicebridge/DeviceLocationError.h"
#include "process/CancellationError.h"
#include "process/OwnedProcessRegistry.h"
#include "process/ProcessLaunchError.h"
#include "support/FakeTool.h"
#include "support/TempDir.h"

#include <QFuture>
#include <QThread>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <thread>

using namespace ostrevin;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

const QString truncationNote = QStringLiteral("\n[Ostrevin: output truncated to 1 MB.]");

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

bool processIsGone(pid_t pid)
{
    // A killed grandchild may stay a zombie of PID 1 on these machines: gone all the same.
    if (kill(pid, 0) != 0)
        return true;
    const QByteArray stat = test::readFile(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    return close >= 0 && stat.size() > close + 2 && stat[close + 2] == 'Z';
}

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit = 10s)
{
    const auto end = Clock::now() + limit;
    while (Clock::now() < end) {
        if (condition())
            return true;
        std::this_thread::sleep_for(10ms);
    }
    return condition();
}

class ProcessRunner : public ::testing::Test {
protected:
    ProcessOutput execute(const QString& tool, double timeout = 15, const QStringList& arguments = {})
    {
        ProcessCancellationState cancellation;
        return controller.executeLocked(QUrl::fromLocalFile(tool), arguments, timeout, QUuid::createUuid(),
                                        cancellation, DeviceLocationController::ProcessTracking::asActiveProcess);
    }

    /// The error a run ends with; fails the test when it succeeds.
    DeviceLocationError failure(const QString& tool, double timeout = 15)
    {
        try {
            execute(tool, timeout);
        } catch (const DeviceLocationError& error) {
            return error;
        }
        ADD_FAILURE() << "the run succeeded";
        return DeviceLocationError::simulationConnectionLost();
    }

    test::FakeTool tool(const QString& name = QStringLiteral("tool")) { return test::FakeTool(dir.path(), name); }

    test::TempDir dir;
    DeviceLocationController controller;
};

} // namespace

TEST_F(ProcessRunner, OutputAndErrorMarkersDecideSuccess)
{
    struct Case {
        const char* name;
        QByteArray standardOutput;
        QByteArray standardError;
        int exitCode;
        bool fails;
        QString text;
    };
    const QList<Case> cases{
        {"plain output", "hello\n", "", 0, false, QStringLiteral("hello\n")},
        {"error stream only, no leading line feed", "", "warning\n", 0, false, QStringLiteral("warning\n")},
        {"both streams joined", "out", "err", 0, false, QStringLiteral("out\nerr")},
        {"indented ERROR line", "ok\n   ERROR device gone\n", "", 0, true,
         QStringLiteral("ok\n   ERROR device gone\n")},
        {"logged ERROR after a time stamp", "",
         "2026-10-05 12:00:00 host pymobiledevice3.cli.mounter[1234] ERROR Device is not connected\n", 0, true,
         QStringLiteral("2026-10-05 12:00:00 host pymobiledevice3.cli.mounter[1234] ERROR Device is not connected\n")},
        {"python traceback", "", "Traceback (most recent call last):\n", 0, true,
         QStringLiteral("Traceback (most recent call last):\n")},
        {"ERRORS: is no marker", "ERRORS: none\n", "", 0, false, QStringLiteral("ERRORS: none\n")},
        {"ERROR joined to letters is no marker", "NOERROR here xERRORx\n", "", 0, false,
         QStringLiteral("NOERROR here xERRORx\n")},
        {"non-zero exit", "partial\n", "boom\n", 3, true, QStringLiteral("partial\n\nboom\n")},
        {"non-zero exit without output", "", "", 1, true, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::FakeTool fake = tool(QString::fromLatin1(c.name).replace(u' ', u'_').remove(u':'));
        fake.printsToStandardOutput(c.standardOutput).printsToStandardError(c.standardError).exitsWith(c.exitCode);
        const QString path = fake.write();
        if (!c.fails) {
            const ProcessOutput output = execute(path);
            EXPECT_EQ(output.text, c.text);
            EXPECT_EQ(output.standardOutput, QString::fromUtf8(c.standardOutput));
            EXPECT_EQ(output.standardError, QString::fromUtf8(c.standardError));
            continue;
        }
        const DeviceLocationError error = failure(path);
        EXPECT_EQ(error.kind(), DeviceLocationError::Case::commandFailed);
        EXPECT_EQ(error.output(), c.text);
        EXPECT_EQ(error.command(), QFileInfo(path).fileName());
    }
}

TEST_F(ProcessRunner, ArgumentsReachTheToolAndNameTheCommand)
{
    test::FakeTool fake = tool(QStringLiteral("pymobiledevice3"));
    fake.printsToStandardError("ERROR Device is not connected\n");
    const QString path = fake.write();
    const QStringList arguments{QStringLiteral("--no-color"), QStringLiteral("a b"), QStringLiteral("it's"),
                                QStringLiteral("-33.868800")};
    ProcessCancellationState cancellation;
    try {
        controller.executeLocked(QUrl::fromLocalFile(path), arguments, 15, QUuid::createUuid(), cancellation,
                                 DeviceLocationController::ProcessTracking::untracked);
        FAIL() << "an error marker must fail the run";
    } catch (const DeviceLocationError& error) {
        EXPECT_EQ(error.command(), QStringLiteral("pymobiledevice3 --no-color a b it's -33.868800"));
    }
    EXPECT_EQ(fake.lastArguments(), arguments);
}

TEST_F(ProcessRunner, StandardInputIsEmptyAndSignalsAreDefault)
{
    // A child must never read our terminal, nor inherit an ignored SIGTERM or our blocked signals.
    std::signal(SIGTERM, SIG_IGN);
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &blocked, nullptr);
    test::FakeTool fake = tool();
    // exec: the shell blocks signals around its own forks, so read the leader itself.
    fake.runs(QStringLiteral("if read line; then echo \"read: $line\"; else echo eof; fi\n"
                             "exec grep -E '^(SigIgn|SigBlk)' /proc/self/status"));
    const ProcessOutput output = execute(fake.write());
    std::signal(SIGTERM, SIG_DFL);
    pthread_sigmask(SIG_UNBLOCK, &blocked, nullptr);

    const QStringList lines = output.standardOutput.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << output.text.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("eof"));
    const auto mask = [&](const QString& field) {
        for (const QString& line : lines) {
            if (line.startsWith(field))
                return line.section(u'\t', 1).toULongLong(nullptr, 16);
        }
        return ~0ULL;
    };
    const auto bit = [](int sig) { return 1ULL << (sig - 1); };
    EXPECT_EQ(mask(QStringLiteral("SigBlk:")) & (bit(SIGUSR1) | bit(SIGTERM)), 0ULL) << output.text.toStdString();
    EXPECT_EQ(mask(QStringLiteral("SigIgn:")) & bit(SIGTERM), 0ULL) << output.text.toStdString();
}

TEST_F(ProcessRunner, FloodOnBothStreamsIsCutAtTheLimitWithoutBlocking)
{
    test::FakeTool fake = tool();
    fake.floods(3'000'000, 3'000'000);
    const ProcessOutput output = execute(fake.write(), 60);
    EXPECT_EQ(output.standardOutput, QString(1'048'576, u'o') + truncationNote);
    EXPECT_EQ(output.standardError, QString(1'048'576, u'e') + truncationNote);
    EXPECT_EQ(output.text, output.standardOutput + u'\n' + output.standardError);
}

TEST_F(ProcessRunner, CharacterCutAtTheLimitBecomesAReplacementCharacter)
{
    test::FakeTool fake = tool();
    fake.runs(QStringLiteral("head -c 1048575 /dev/zero | tr '\\000' a; printf '\\303\\251tail'"));
    const ProcessOutput output = execute(fake.write());
    EXPECT_EQ(output.standardOutput, QString(1'048'575, u'a') + QChar(0xFFFD) + truncationNote);
}

TEST_F(ProcessRunner, TimeOutEndsTheToolAndNamesTheCallersTimeOut)
{
    struct Case {
        const char* name;
        bool ignoresSigterm;
        double timeout;
        const char* text;
        double atLeast; // seconds a correct run cannot beat
    };
    const QList<Case> cases{
        {"polite tool", false, 1.0, "Timed out after 1 second, so the process was stopped.", 1.0},
        {"SIGTERM ignored: killed after the grace", true, 2.0, "Timed out after 2 seconds, so the process was stopped.",
         2.6},
        {"zero waits a tenth of a second", false, 0.0, "Timed out after 0 seconds, so the process was stopped.", 0.1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::FakeTool fake = tool(QString::fromLatin1(c.name).replace(u' ', u'_').remove(u':'));
        fake.writesPidFile();
        if (c.ignoresSigterm)
            fake.ignoresSigterm();
        fake.printsToStandardOutput("not shown\n").sleeps(30);
        const QString path = fake.write();
        const auto start = Clock::now();
        const DeviceLocationError error = failure(path, c.timeout);
        const double elapsed = secondsSince(start);
        EXPECT_EQ(error.output(), QString::fromUtf8(c.text));
        EXPECT_GE(elapsed, c.atLeast);
        EXPECT_LT(elapsed, 20.0);
        ASSERT_TRUE(fake.recordedPid());
        EXPECT_TRUE(processIsGone(*fake.recordedPid()));
        // Members die a moment after their signal, each on its own.
        EXPECT_TRUE(eventually([&] { return test::liveProcessesInGroup(*fake.recordedPid()).isEmpty(); }));
    }
    EXPECT_TRUE(OwnedProcessRegistry::shared().records().empty());
}

TEST_F(ProcessRunner, CancellationBeforeTheRunStartsNothing)
{
    test::FakeTool fake = tool();
    const QString path = fake.write();
    LocationHelper helper;
    helper.kind = LocationHelper::Kind::iDeviceSetLocation;
    helper.deviceIdentifier = QStringLiteral("00008030-AAAA");
    helper.executableURL = QUrl::fromLocalFile(path);
    CancelSource cancel;
    cancel.cancel();
    QFuture<ProcessOutput> future = controller.run(helper, HelperAction::clear(), 15, cancel.token().stopToken());
    EXPECT_THROW(future.waitForFinished(), CancellationError);
    EXPECT_TRUE(fake.recordedCalls().isEmpty());
    EXPECT_TRUE(OwnedProcessRegistry::shared().records().empty());
}

TEST_F(ProcessRunner, CancellationDuringTheWaitWinsOverTheExitStatus)
{
    for (const bool ignoresSigterm : {false, true}) {
        SCOPED_TRACE(ignoresSigterm ? "SIGTERM ignored" : "polite tool");
        test::FakeTool fake = tool(ignoresSigterm ? QStringLiteral("stubborn") : QStringLiteral("polite"));
        fake.writesPidFile();
        if (ignoresSigterm)
            fake.ignoresSigterm();
        else
            fake.runs(QStringLiteral("trap 'exit 3' TERM"));
        fake.sleeps(30);
        LocationHelper helper;
        helper.kind = LocationHelper::Kind::iDeviceSetLocation;
        helper.deviceIdentifier = QStringLiteral("00008030-AAAA");
        helper.executableURL = QUrl::fromLocalFile(fake.write());
        CancelSource cancel;
        QFuture<ProcessOutput> future = controller.run(helper, HelperAction::clear(), 60, cancel.token().stopToken());
        ASSERT_TRUE(eventually([&] { return fake.recordedPid().has_value() && controller.activeProcess(); }));
        const pid_t pid = *fake.recordedPid();

        const auto requested = Clock::now();
        cancel.cancel();
        // The cancelling thread only flags and signals; the kill after the
        // grace happens on the worker.
        EXPECT_LT(secondsSince(requested), 0.3);
        EXPECT_THROW(future.waitForFinished(), CancellationError);
        EXPECT_LT(secondsSince(requested), 20.0);
        EXPECT_TRUE(processIsGone(pid));
        EXPECT_FALSE(controller.activeProcess());
    }
    EXPECT_TRUE(OwnedProcessRegistry::shared().records().empty());
}

TEST_F(ProcessRunner, StoppingAnotherOperationLeavesTheToolRunning)
{
    test::FakeTool fake = tool();
    fake.writesPidFile().sleeps(30);
    const QString path = fake.write();
    const QUuid operation = QUuid::createUuid();
    ProcessCancellationState cancellation;
    std::exception_ptr thrown;
    std::thread worker([&] {
        try {
            controller.executeLocked(QUrl::fromLocalFile(path), {}, 60, operation, cancellation,
                                     DeviceLocationController::ProcessTracking::asActiveProcess);
        } catch (...) {
            thrown = std::current_exception();
        }
    });
    ASSERT_TRUE(eventually([&] { return fake.recordedPid().has_value() && controller.activeProcess(); }));
    controller.stopActiveProcess(QUuid::createUuid());
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(processIsGone(*fake.recordedPid()));
    controller.stopActiveProcess(operation);
    worker.join();
    EXPECT_TRUE(processIsGone(*fake.recordedPid()));
    // Stopped from outside, not cancelled: a failed command.
    EXPECT_THROW(std::rethrow_exception(thrown), DeviceLocationError);
}

TEST_F(ProcessRunner, GrandchildHoldingTheOutputCannotHangTheRun)
{
    test::FakeTool fake = tool();
    fake.writesPidFile().printsToStandardOutput("started\n").leavesGrandchildHoldingOutput(60);
    const QString path = fake.write();
    const auto start = Clock::now();
    const DeviceLocationError error = failure(path);
    EXPECT_LT(secondsSince(start), 20.0);
    EXPECT_EQ(error.output(),
              QStringLiteral("The process ended, but Ostrevin couldn’t finish reading its output safely."));
    ASSERT_TRUE(fake.recordedGrandchildPid());
    EXPECT_TRUE(eventually([&] { return processIsGone(*fake.recordedGrandchildPid()); }));
    // Members die a moment after their signal, each on its own.
    EXPECT_TRUE(eventually([&] { return test::liveProcessesInGroup(*fake.recordedPid()).isEmpty(); }));
    EXPECT_TRUE(eventually([] { return test::childrenOfThisProcess().isEmpty(); }));
}

TEST_F(ProcessRunner, MissingExecutableIsALaunchErrorAndLeavesNoRecord)
{
    try {
        execute(dir.file(QStringLiteral("absent")));
        FAIL() << "launching a missing file must fail";
    } catch (const ProcessLaunchError& error) {
        EXPECT_EQ(error.errorNumber(), ENOENT);
    }
    EXPECT_TRUE(OwnedProcessRegistry::shared().records().empty());
    EXPECT_FALSE(controller.activeProcess());
}

TEST_F(ProcessRunner, ConcurrentRunsOfOneControllerNeverOverlap)
{
    const QString log = dir.file(QStringLiteral("log"));
    test::FakeTool fake = tool();
    fake.runs(QStringLiteral("echo begin >> '%1'; sleep 0.3; echo end >> '%1'").arg(log));
    LocationHelper helper;
    helper.kind = LocationHelper::Kind::iDeviceSetLocation;
    helper.deviceIdentifier = QStringLiteral("00008030-AAAA");
    helper.executableURL = QUrl::fromLocalFile(fake.write());
    QList<QFuture<ProcessOutput>> futures;
    for (int i = 0; i < 3; ++i)
        futures << controller.run(helper, HelperAction::clear(), 15);
    for (QFuture<ProcessOutput>& future : futures)
        future.waitForFinished();
    EXPECT_EQ(test::readFile(log), QByteArray("begin\nend\nbegin\nend\nbegin\nend\n"));
    EXPECT_EQ(fake.recordedCalls().size(), 3);
}
