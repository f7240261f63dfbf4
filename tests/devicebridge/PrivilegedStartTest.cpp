#include "devicebridge/DeviceLocationController.h"
#include "devicebridge/DeviceLocationError.h"
#include "platform/PkexecPrivilegedRunner.h"
#include "process/CancellationError.h"
#include "support/Eventually.h"
#include "support/FailureOf.h"
#include "support/FakeHttpServer.h"
#include "support/FakePyMobileDevice.h"
#include "support/FakeTool.h"
#include "support/TempDir.h"

#include <QDir>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <tuple>

using namespace ostrevin;
using namespace ostrevin::test;

namespace {

// A controller whose privileged runner is a pkexec stand-in in a temporary folder.
struct PrivilegedSandbox {
    TempDir dir;
    FakeTool pkexec{dir.path(), QStringLiteral("pkexec")};
    FakeTool helperTool{dir.path(), QStringLiteral("pymobiledevice3")};
    FakeTool lsof{dir.path(), QStringLiteral("lsof")};
    DeviceLocationController::Configuration config;
    LocationHelper helper;

    PrivilegedSandbox()
    {
        config.portProbeTools = {lsof.path(), dir.file(QStringLiteral("absent-ss"))};
        config.privilegedRunner = std::make_shared<PkexecPrivilegedRunner>(pkexec.path());
        config.helperSearch.iDeviceToolFolders = {};
        config.helperSearch.runtimeFolder = QString();
        config.temporaryFolder = dir.file(QStringLiteral("tmp"));
        helper.executableURL = QUrl::fromLocalFile(helperTool.write());
        helper.deviceIdentifier = QStringLiteral("00008110-0001");
        helper.connectionMode = LocationHelper::ConnectionMode::tunnel();
    }
};

} // namespace

TEST(PrivilegedStart, TheShellLineReachesPkexecAsOneArgument)
{
    PrivilegedSandbox sandbox;
    sandbox.pkexec.printsToStandardOutput("started\n").write();
    DeviceLocationController controller(sandbox.config);
    EXPECT_EQ(controller.startTunnelWithPrivileges(sandbox.helper), QStringLiteral("started\n"));
    const QString line = HelperCommandLine::tunnelShellCommand(sandbox.helper, sandbox.config.portProbeTools);
    EXPECT_EQ(sandbox.pkexec.lastArguments(), (QStringList{QStringLiteral("/bin/sh"), QStringLiteral("-c"), line}));
}

TEST(PrivilegedStart, TheLineRunsTheServiceAndReportsWhenItDoesNotListen)
{
    // pkexec that simply runs its command; lsof that sees a listener only after the start.
    struct Case {
        const char* name;
        QString lsofScript;
        QString failure; // empty: success
    };
    const Case cases[] = {
        {"comes up", QStringLiteral("[ -f \"$0.started\" ] && exit 0; exit 1"), {}},
        {"never listens", QStringLiteral("exit 1"),
         QStringLiteral("pymobiledevice3 tunneld did not start on port 49151.")},
        {"port already taken", QStringLiteral("exit 0"),
         QStringLiteral("Port 49151 is already used by another process; for safety, Ostrevin will not stop it.")},
    };
    for (const Case& c : cases) {
        PrivilegedSandbox sandbox;
        sandbox.pkexec.runs(QStringLiteral("exec \"$@\"")).write();
        sandbox.helperTool
            .runs(QStringLiteral(": > %1.started")
                      .arg(QString::fromUtf8(FakeTool::shellWord(QFile::encodeName(sandbox.lsof.path())))))
            .write();
        sandbox.lsof.runs(c.lsofScript).write();
        DeviceLocationController controller(sandbox.config);
        if (c.failure.isEmpty()) {
            controller.startTunnelWithPrivileges(sandbox.helper);
        } else {
            const auto failure =
                failureOf<DeviceLocationError>([&] { controller.startTunnelWithPrivileges(sandbox.helper); });
            ASSERT_TRUE(failure) << c.name;
            EXPECT_TRUE(failure->output().contains(c.failure)) << c.name << failure->output().toStdString();
            // Past the password: work nobody asked for may go on without asking.
            EXPECT_FALSE(sandbox.config.privilegedRunner->stoppedAtPassword(failure->exitCode())) << c.name;
        }
        const auto started = sandbox.helperTool.recordedCalls();
        EXPECT_EQ(started.size(), c.failure.startsWith(u"Port") ? 0 : 1) << c.name;
        if (!started.isEmpty()) {
            EXPECT_EQ(started.first(),
                      QStringList({QStringLiteral("--no-color"), QStringLiteral("remote"), QStringLiteral("tunneld"),
                                   QStringLiteral("-d"), QStringLiteral("--host"), QStringLiteral("127.0.0.1"),
                                   QStringLiteral("--port"), QStringLiteral("49151"), QStringLiteral("--protocol"),
                                   QStringLiteral("tcp")}))
                << c.name;
        }
    }
}

TEST(PrivilegedStart, ADismissedOrRefusedDialogIsACommandFailureWithPkexecsText)
{
    const std::tuple<int, QByteArray, const char16_t*> refusals[] = {
        {126, "Error executing command as another user: Request dismissed\n", u"password wasn’t entered"},
        {127, "Error executing command as another user: Not authorized\n\nThis incident has been reported.\n",
         u"rights weren’t granted"},
    };
    for (const auto& [status, text, reason] : refusals) {
        PrivilegedSandbox sandbox;
        sandbox.pkexec.printsToStandardError(text).exitsWith(status).write();
        DeviceLocationController controller(sandbox.config);
        const auto failure =
            failureOf<DeviceLocationError>([&] { controller.startTunnelWithPrivileges(sandbox.helper); });
        ASSERT_TRUE(failure) << status;
        // The action in words; pkexec's text first, the shell line after it.
        EXPECT_EQ(failure->command(), QStringLiteral("Start the iPhone tunnel service with administrator rights"));
        EXPECT_TRUE(
            failure->output().startsWith(QString::fromUtf8(text).trimmed() + u"\n\nCommand line: pkexec /bin/sh -c "))
            << failure->output().toStdString();
        EXPECT_TRUE(failure->reason().contains(QStringView(reason))) << failure->reason().toStdString();
        EXPECT_TRUE(failure->description().startsWith(failure->reason() + u"\n\nCommand: ")) << status;
        EXPECT_TRUE(sandbox.config.privilegedRunner->stoppedAtPassword(failure->exitCode())) << status;
    }
}

TEST(PrivilegedStart, NeverAsksWithoutADeviceIdentifier)
{
    PrivilegedSandbox sandbox;
    sandbox.pkexec.write();
    sandbox.helper.deviceIdentifier.reset();
    DeviceLocationController controller(sandbox.config);
    const auto failure = failureOf<DeviceLocationError>([&] { controller.startTunnelWithPrivileges(sandbox.helper); });
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->output(), QStringLiteral("Ostrevin doesn’t know the iPhone’s UDID."));
    EXPECT_TRUE(sandbox.pkexec.recordedCalls().isEmpty());
}

TEST(PrivilegedStart, CancellingWhileTheDialogIsOpenStopsItAndHoldsTheCommandLockMeanwhile)
{
    PrivilegedSandbox sandbox;
    sandbox.pkexec.writesPidFile().sleeps(60).write();
    DeviceLocationController controller(sandbox.config);

    std::atomic<bool> cancelled = false;
    std::atomic<bool> ended = false;
    // Declared after the controller: however the test leaves, the worker is asked
    // to stop and joined before the controller goes.
    std::jthread worker([&](std::stop_token stop) {
        try {
            controller.startTunnelWithPrivileges(sandbox.helper, stop);
        } catch (const CancellationError&) {
            cancelled = true;
        }
        ended = true;
    });
    ASSERT_TRUE(waitForFile(sandbox.pkexec.pidFile(), 10000));
    const auto pid = sandbox.pkexec.recordedPid();
    ASSERT_TRUE(pid);
    // The pid file may appear before the run has published its process.
    ASSERT_TRUE(eventually([&] { return controller.activeProcess() != nullptr; }));
    EXPECT_EQ(controller.activeProcess()->processIdentifier(), *pid);
    // The "dialog" holds the command lock: no other tool command may start meanwhile.
    bool lockFree = true;
    std::thread([&] {
        lockFree = controller.commandLock().try_lock();
        if (lockFree)
            controller.commandLock().unlock();
    }).join();
    EXPECT_FALSE(lockFree);

    worker.request_stop();
    ASSERT_TRUE(eventually([&] { return ended.load(); }, std::chrono::seconds(15)));
    EXPECT_TRUE(cancelled);
    EXPECT_TRUE(waitForProcessGone(*pid));
    EXPECT_FALSE(controller.activeProcess());
}

TEST(PrivilegedStart, TheControllerAsksTheConfiguredTunnelService)
{
    FakeHttpServer server;
    server.setReply("GET", "/", FakeHttpReply::json(R"({"00008110-0001": [
        {"tunnel-address": "fd::1", "tunnel-port": 60000, "interface": "utun4"}]})"));
    server.setReply("GET", "/hello", FakeHttpReply::json("{}"));
    PrivilegedSandbox sandbox;
    sandbox.config.tunnelServiceURL = server.url();
    DeviceLocationController controller(sandbox.config);
    EXPECT_TRUE(controller.isTunneldRunning());
    EXPECT_EQ(controller.startTunnelForDevice(sandbox.helper),
              (TunneldTunnel{QStringLiteral("fd::1"), 60000, QStringLiteral("utun4")}));
    for (const FakeHttpRequest& request : server.requests())
        EXPECT_NE(request.path(), "/start-tunnel");
}
