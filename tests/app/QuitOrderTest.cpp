// Quitting on a termination signal, or killed outright: the real program with every
// machine path in a test folder, and the application object in this process holding
// a location through the real device controller. Both use the fake pymobiledevice3.

#include "ProgramMachine.h"
#include "alerts/LocationSimulationSafetyState.h"
#include "app/DeviceEnvironment.h"
#include "app/TovrelApp.h"
#include "planner/LocationPlannerViewModel.h"
#include "platform/TerminationSignals.h"
#include "runtime/RuntimeLayout.h"
#include "runtime/RuntimeManifest.h"
#include "support/FakeTool.h"
#include "support/RecordingAlarmPresenter.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>

using namespace ostrevin;
using namespace ostrevin::test;
using Behaviour = FakePyMobileDevice::Behaviour;

TEST(QuitOrder, ASignalToTheProgramEndsItsToolsAndKeepsTheHeldLocationForNextTime)
{
    const std::pair<int, const char*> signalsToSend[] = {{SIGTERM, "SIGTERM"}, {SIGINT, "SIGINT"}, {SIGHUP, "SIGHUP"}};
    for (const auto& [signalNumber, signalName] : signalsToSend) {
        SCOPED_TRACE(signalName);
        Machine machine;
        {
            // Held in the last session; shown as held until the user prepares the iPhone.
            SettingsStore settings(machine.settingsFile());
            AppSettings::setLockedPoint(home(), settings);
        }
        // The start-up device check hangs in its tool when the signal comes.
        machine.tool.setBehaviour(Command::UsbmuxList, Behaviour::Hold);

        QProcess app;
        app.setProcessEnvironment(machine.environment());
        app.start(QStringLiteral(OSTREVIN_APP_BINARY), {});
        ASSERT_TRUE(app.waitForStarted(10000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return machine.toolRuns(Command::UsbmuxList); }, 30000))
            << app.readAllStandardError().toStdString();
        const qint64 check = machine.tool.lastPid(Command::UsbmuxList).value_or(0);
#ifdef OSTREVIN_ALARM_TONES_MODULE_FILE
        // Once its window is up, the program finds its tone module beside it and loads it.
        const QByteArray module = QFileInfo(QStringLiteral(OSTREVIN_ALARM_TONES_MODULE_FILE)).fileName().toUtf8();
        QFile maps(u"/proc/" + QString::number(app.processId()) + u"/maps");
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                maps.close();
                return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(module);
            },
            20000));
#endif

        ASSERT_EQ(::kill(static_cast<pid_t>(app.processId()), signalNumber), 0);
        const bool ended = app.waitForFinished(20000);
        const QString errors = QString::fromUtf8(app.readAllStandardError());
        ASSERT_TRUE(ended) << errors.toStdString();
        EXPECT_EQ(app.exitStatus(), QProcess::NormalExit) << errors.toStdString();
        EXPECT_EQ(app.exitCode(), 0) << errors.toStdString();
        EXPECT_TRUE(errors.contains(QStringLiteral("quitting"))) << errors.toStdString();
        EXPECT_FALSE(errors.contains(QStringLiteral("alarm raised"))) << errors.toStdString();
        EXPECT_TRUE(waitForProcessGone(check));
        // Quitting is no reset.
        EXPECT_EQ(machine.storedPoint(), home());
    }
}

TEST(QuitOrder, ASignalWhileALocationIsHeldEndsTheHoldWithoutAnAlarm)
{
    Machine machine;
    const QProcessEnvironment environment = machine.environment();
    // The application object's own services read these.
    for (const QString& name : environment.keys())
        qputenv(name.toUtf8().constData(), environment.value(name).toUtf8());

    RecordingAlarmPresenter alarms;
    TovrelApp::Options options;
    options.paths = machine.paths();
    options.alarmPresenter = &alarms;
    options.device = DeviceEnvironment::configuration(options.paths, environment);
    auto app = std::make_unique<TovrelApp>(options);
    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::received, app.get(), &TovrelApp::quit);
    app->show();

    LocationPlannerViewModel& model = app->viewModel();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !model.device().isCheckingDevice() && model.device().lastDeviceCheck(); }, 30000));
    model.refreshHelperStatus({.showProgress = true, .verifyLocationReadiness = true});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.device().isCheckingDevice(); }, 30000));
    ASSERT_TRUE(model.device().helperStatus().isAvailable()) << model.device().helperStatus().message.toStdString();
    model.pushPointToIPhone(home());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.device().isDeviceBusy(); }, 30000));
    ASSERT_EQ(model.hold().lockedPoint(), home());
    const qint64 held = machine.tool.lastPid(Command::Set).value_or(0);
    ASSERT_TRUE(isProcessAlive(held));

    // The signal ends the event loop through the quit order.
    QTimer::singleShot(0, [] { ::raise(SIGTERM); });
    QTimer::singleShot(30000, [] { QCoreApplication::exit(1); });
    EXPECT_EQ(QCoreApplication::exec(), 0);

    EXPECT_TRUE(waitForProcessGone(held));
    EXPECT_TRUE(OwnedProcessRegistry::shared().records().empty());
    EXPECT_EQ(model.simulationSafetyState().kind(), LocationSimulationSafetyState::Case::shuttingDown);
    app.reset();
    // The hold's own checks may not report the ended tool as an interruption.
    QTest::qWait(100);
    EXPECT_TRUE(alarms.presented().isEmpty());
    EXPECT_GE(alarms.dismissals(), 1);
    EXPECT_EQ(machine.storedPoint(), home());
}

// Killed outright, the program never runs its quit order: the next start ends the
// location process it left holding the iPhone.
TEST(QuitOrder, TheToolsOfARunKilledOutrightEndAtTheNextStart)
{
    Machine machine;
    {
        SettingsStore settings(machine.settingsFile());
        AppSettings::setLockedPoint(home(), settings);
    }
    // Installed, the runtime's helper being the fake: the main window, and with it the
    // readiness checks that set the point of the last session again.
    const RuntimeLayout runtime(machine.paths().runtimeDirectory());
    RuntimeManifest manifest;
    manifest.helperVersion = QStringLiteral("10.10.3");
    manifest.installedAt = QDateTime::currentDateTimeUtc();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(runtime.launcherPath()).path()));
    runtime.writeManifest(manifest);
    ASSERT_TRUE(QFile::link(machine.tool.executable(), runtime.launcherPath()));

    QProcess first;
    first.setProcessEnvironment(machine.environment());
    first.start(QStringLiteral(OSTREVIN_APP_BINARY), {});
    ASSERT_TRUE(first.waitForStarted(10000));
    // Holding: past its first line (which a killed reader would cut short), in its
    // wait for the sleep it started last.
    const auto holding = [&] {
        const qint64 set = machine.tool.lastPid(Command::Set).value_or(0);
        const QList<pid_t> group = set > 0 ? test::liveProcessesInGroup(static_cast<pid_t>(set)) : QList<pid_t>();
        return std::any_of(group.cbegin(), group.cend(), [](pid_t member) {
            QFile name(QStringLiteral("/proc/%1/comm").arg(member));
            return name.open(QIODevice::ReadOnly) && name.readAll().trimmed() == "sleep";
        });
    };
    ASSERT_TRUE(QTest::qWaitFor(holding, 90000)) << first.readAllStandardError().toStdString();
    const qint64 held = machine.tool.lastPid(Command::Set).value_or(0);
    const auto leftover = qScopeGuard([held] { ::kill(static_cast<pid_t>(-held), SIGKILL); });
    ASSERT_EQ(::kill(static_cast<pid_t>(first.processId()), SIGKILL), 0);
    ASSERT_TRUE(first.waitForFinished(10000));
    ASSERT_TRUE(isProcessAlive(held));

    QProcess second;
    second.setProcessEnvironment(machine.environment());
    second.start(QStringLiteral(OSTREVIN_APP_BINARY), {});
    ASSERT_TRUE(second.waitForStarted(10000));
    EXPECT_TRUE(waitForProcessGone(held, 20000)) << second.readAllStandardError().toStdString();
    ::kill(static_cast<pid_t>(second.processId()), SIGTERM);
    EXPECT_TRUE(second.waitForFinished(20000));
}
