#include "runtime/RuntimeInstaller.h"

#include "process/OwnedProcessLedger.h"
#include "process/OwnedProcessRegistry.h"
#include "runtime/RuntimeFileError.h"
#include "runtime/RuntimeInstallError.h"
#include "runtime/RuntimeLayout.h"
#include "support/Eventually.h"
#include "support/FakeHttpServer.h"
#include "support/RuntimeInstallBench.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QSemaphore>
#include <QTest>
#include <QThreadPool>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace ostrevin;
using Phase = RuntimeInstaller::Phase;
using Step = RuntimeInstaller::Step;
using test::archivePath;
using test::archiveReply;
using test::FakeHttpReply;
using test::InstallBench;

namespace {

const QString downloadFailedText =
    QStringLiteral("The download couldn’t be completed. Check your internet connection and try again.");

bool processAlive(qint64 pid)
{
    const QByteArray stat = test::readFile(u"/proc/" + QString::number(pid) + u"/stat");
    const qsizetype close = stat.lastIndexOf(')');
    // A zombie left to PID 1 (which does not reap here) no longer runs.
    return close > 0 && stat.size() > close + 2 && stat.at(close + 2) != 'Z';
}

qint64 readPid(const QString& file)
{
    return test::readFile(file).trimmed().toLongLong();
}

QStringList stagingFolders(const QString& parent)
{
    return QDir(parent).entryList({QStringLiteral("Runtime.staging-*")},
                                  QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

TEST(RuntimeInstaller, InstallsTheRuntimeStepByStep)
{
    // A user's own Python and pip settings that would send the install elsewhere,
    // refuse it, or make pip find the helper "already satisfied" on PYTHONPATH.
    test::TempDir userPython;
    test::writeFile(userPython.file(QStringLiteral("site/pymobiledevice3/__init__.py")), "");
    test::writeFile(userPython.file(QStringLiteral("startup.py")), "open('/nonexistent/ran', 'w')\n");
    const std::pair<QByteArray, QByteArray> hostile[] = {
        {"PIP_USER", "1"},
        {"PIP_REQUIRE_VIRTUALENV", "1"},
        {"PIP_TARGET", "/nonexistent/pip-target"},
        {"PIP_NO_CACHE_DIR", "1"},
        {"PYTHONPATH", userPython.file(QStringLiteral("site")).toUtf8()},
        {"PYTHONHOME", userPython.path().toUtf8()},
        {"PYTHONSTARTUP", userPython.file(QStringLiteral("startup.py")).toUtf8()},
    };
    for (const auto& [name, value] : hostile)
        qputenv(name.constData(), value);
    const auto restore = qScopeGuard([&] {
        for (const auto& [name, value] : hostile)
            qunsetenv(name.constData());
    });
    InstallBench setup;
    // Left behind by an installation that never finished.
    test::writeFile(setup.parent() + u"/Runtime.staging-0DD1E5A0-0000-4000-8000-000000000000/python.tar.gz", "old");
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    auto installer = setup.makeInstaller();
    installer->install();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !installer->isInstalling(); }, 90000));

    EXPECT_EQ(installer->phase(), Phase::installed(QStringLiteral("10.10.3")));
    ASSERT_FALSE(setup.phases.isEmpty());
    EXPECT_EQ(setup.phases.first(), Phase::installing(Step::download, 0.0));
    QList<Step> steps;
    double lastFraction = 0;
    for (const Phase& phase : std::as_const(setup.phases)) {
        if (phase.kind != Phase::Kind::installing)
            continue;
        if (steps.isEmpty() || steps.last() != phase.step)
            steps.append(phase.step);
        if (phase.step == Step::download) {
            ASSERT_TRUE(phase.progress.has_value());
            EXPECT_GE(*phase.progress, lastFraction);
            EXPECT_LE(*phase.progress, 1.0);
            lastFraction = *phase.progress;
        } else {
            EXPECT_FALSE(phase.progress.has_value());
        }
    }
    EXPECT_EQ(steps, RuntimeInstaller::allSteps());
    EXPECT_EQ(setup.phases.at(setup.phases.size() - 6), Phase::installing(Step::download, 1.0));

    // The archive name reaches the server with its "+" still encoded.
    ASSERT_EQ(setup.server.requestCount(), 1);
    const test::FakeHttpRequest request = setup.server.requests().first();
    EXPECT_TRUE(request.target.endsWith("cpython-3.12.14%2B20260929-test.tar.gz")) << request.target.constData();
    EXPECT_TRUE(request.header("User-Agent").startsWith("Ostrevin/"));

    const QString requirements = setup.resources() + u"/requirements.txt";
    EXPECT_EQ(test::readFile(setup.cueFile(QStringLiteral("pip-argv"))),
              "-I\n-m\npip\ninstall\n--isolated\n--no-cache-dir\n--disable-pip-version-check\n--no-input\n"
              "--no-warn-script-location\n--prefer-binary\n-r\n" +
                  requirements.toUtf8() + "\n");
    const QList<QByteArray> environment = test::readFile(setup.cueFile(QStringLiteral("pip-env"))).split('\n');
    QList<QByteArray> pipVariables;
    QList<QByteArray> pythonVariables;
    for (const QByteArray& line : environment) {
        if (line.startsWith("PIP_"))
            pipVariables.append(line);
        if (line.startsWith("PYTHON"))
            pythonVariables.append(line);
    }
    EXPECT_EQ(pipVariables, QList<QByteArray>{"PIP_CONFIG_FILE=/dev/null"});
    EXPECT_EQ(pythonVariables, QList<QByteArray>{"PYTHONNOUSERSITE=1"});
    // pip starts in the staging folder, never in whatever folder the program was started from.
    const QByteArray pipFolder = test::readFile(setup.cueFile(QStringLiteral("pip-cwd"))).trimmed();
    EXPECT_TRUE(pipFolder.startsWith(QString(setup.parent() + u"/Runtime.staging-").toUtf8())) << pipFolder.constData();
    EXPECT_EQ(test::readFile(setup.cueFile(QStringLiteral("helper-argv"))), "-I\n-m\npymobiledevice3\nversion\n");
    EXPECT_EQ(installer->logTail(),
              QStringList({QStringLiteral("line 2"), QStringLiteral("line 3"), QStringLiteral("line 4"),
                           QStringLiteral("line 5"), QStringLiteral("line 6"),
                           QStringLiteral("Successfully installed pymobiledevice3-10.10.3")}));

    const QString sitePackages = setup.root() + u"/python/lib/python3.12/site-packages/";
    for (const QString& name :
         {QStringLiteral("tovrel_network_preference.py"), QStringLiteral("tovrel-network-preference.pth")}) {
        const QByteArray shipped = test::readFile(setup.resources() + u'/' + name);
        EXPECT_FALSE(shipped.isEmpty());
        EXPECT_EQ(test::readFile(sitePackages + name), shipped) << name.toStdString();
    }

    const QString launcher = setup.root() + u"/bin/pymobiledevice3";
    EXPECT_EQ(test::readFile(launcher),
              "#!/bin/sh\nexec \"$(dirname \"$0\")/../python/bin/python3\" -I -m pymobiledevice3 \"$@\"\n");
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(launcher).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0755u);

    const auto manifest = RuntimeLayout(setup.root()).currentManifest();
    ASSERT_TRUE(manifest.has_value());
    EXPECT_EQ(manifest->revision, 1);
    EXPECT_EQ(manifest->pythonVersion, QStringLiteral("3.12.14"));
    EXPECT_EQ(manifest->helperVersion, QStringLiteral("10.10.3"));
    EXPECT_GE(manifest->installedAt, before);
    EXPECT_LE(manifest->installedAt, QDateTime::currentDateTimeUtc().addSecs(1));

    EXPECT_EQ(stagingFolders(setup.parent()), QStringList());

    RuntimeInstaller fresh(setup.configuration);
    fresh.refresh();
    EXPECT_EQ(fresh.phase(), Phase::installed(QStringLiteral("10.10.3")));
}

TEST(RuntimeInstaller, DownloadAcceptsOnlyTheExactArchive)
{
    struct Case {
        const char* name;
        std::function<void(InstallBench&)> serve;
        bool succeeds;
    };
    const QList<Case> cases = {
        {"no announced length",
         [](InstallBench& s) { s.server.setReply("GET", archivePath.toUtf8(), archiveReply(s.archive, true)); }, true},
        {"redirect",
         [](InstallBench& s) {
             s.server.setReply("GET", archivePath.toUtf8(),
                               FakeHttpReply::redirect(s.server.url(QStringLiteral("/mirror/a.tar.gz"))));
             s.server.setReply("GET", "/mirror/a.tar.gz", archiveReply(s.archive));
         },
         true},
        {"not found",
         [](InstallBench& s) {
             s.server.setReply("GET", archivePath.toUtf8(), FakeHttpReply::text("no such release", 404));
         },
         false},
        {"one byte short",
         [](InstallBench& s) { s.server.setReply("GET", archivePath.toUtf8(), archiveReply(s.archive.chopped(1))); },
         false},
        {"one byte long",
         [](InstallBench& s) { s.server.setReply("GET", archivePath.toUtf8(), archiveReply(s.archive + 'x')); }, false},
        {"one byte short, no announced length",
         [](InstallBench& s) {
             s.server.setReply("GET", archivePath.toUtf8(), archiveReply(s.archive.chopped(1), true));
         },
         false},
        {"far too long, no announced length",
         [](InstallBench& s) {
             s.server.setReply("GET", archivePath.toUtf8(),
                               archiveReply(s.archive + QByteArray(8 * 1024 * 1024, 'x'), true));
         },
         false},
        {"server gone", [](InstallBench& s) { s.server.stopListening(); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InstallBench setup;
        c.serve(setup);
        const Phase end = setup.installAndWait();
        if (c.succeeds) {
            EXPECT_EQ(end, Phase::installed(QStringLiteral("10.10.3")));
            EXPECT_TRUE(setup.current());
        } else {
            EXPECT_EQ(end, Phase::failed(downloadFailedText));
            EXPECT_FALSE(QFileInfo::exists(setup.root()));
            for (const Phase& phase : std::as_const(setup.phases))
                EXPECT_FALSE(phase.kind == Phase::Kind::installing && phase.step != Step::download);
        }
        EXPECT_EQ(stagingFolders(setup.parent()), QStringList());
    }
}

TEST(RuntimeInstaller, FailuresNameTheirCauseAndLeaveNoRuntime)
{
    struct Case {
        const char* name;
        std::function<void(InstallBench&)> arrange;
        QString message;
    };
    const QList<Case> cases = {
        {"digest differs in one character",
         [](InstallBench& s) {
             QString& digest = s.configuration.build.sha256;
             digest[10] = digest[10] == u'0' ? u'1' : u'0';
         },
         QStringLiteral("The downloaded file failed the integrity check, so it wasn’t used. Try again.")},
        {"no python3 in the archive",
         [](InstallBench& s) {
             s.archive = s.makeArchive(false);
             s.configuration.build.sha256 =
                 QString::fromLatin1(QCryptographicHash::hash(s.archive, QCryptographicHash::Sha256).toHex());
             s.configuration.build.expectedBytes = s.archive.size();
             s.server.setReply("GET", archivePath.toUtf8(), archiveReply(s.archive));
         },
         QStringLiteral("The downloaded package has an unexpected structure.")},
        {"requirements file missing", [](InstallBench& s) { QFile::remove(s.resources() + u"/requirements.txt"); },
         QStringLiteral("The file requirements.txt is missing from the app. Download Ostrevin again.")},
        {"path-configuration file missing",
         [](InstallBench& s) { QFile::remove(s.resources() + u"/tovrel-network-preference.pth"); },
         QStringLiteral("The file tovrel-network-preference.pth is missing from the app. Download Ostrevin again.")},
        {"pip fails with output on standard error",
         [](InstallBench& s) { s.setCue(QStringLiteral("pip-mode"), "fail-output"); },
         QStringLiteral("Installation failed (python3).\n\n"
                        "ERROR: No matching distribution found for pymobiledevice3==10.10.3")},
        {"pip fails silently", [](InstallBench& s) { s.setCue(QStringLiteral("pip-mode"), "fail-silent"); },
         QStringLiteral("Installation failed (python3).")},
        {"tar fails",
         [](InstallBench& s) {
             const QString tar = s.dir.file(QStringLiteral("tools/tar"));
             test::writeFile(tar, "#!/bin/sh\necho 'tar: Unexpected EOF in archive' >&2\nexit 2\n");
             QFile::setPermissions(tar, QFile::permissions(tar) | QFile::ExeOwner);
             s.configuration.tarPath = tar;
         },
         QStringLiteral("Installation failed (tar).\n\ntar: Unexpected EOF in archive")},
        {"tar cannot be started",
         [](InstallBench& s) { s.configuration.tarPath = s.dir.file(QStringLiteral("tools/none/tar")); }, QString()},
        {"staging folder cannot be made",
         [](InstallBench& s) { test::writeFile(s.parent(), "a file where a folder must go"); }, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InstallBench setup;
        c.arrange(setup);
        const Phase end = setup.installAndWait();
        ASSERT_EQ(end.kind, Phase::Kind::failed);
        if (!c.message.isEmpty())
            EXPECT_EQ(end.message, c.message);
        else
            EXPECT_FALSE(end.message.isEmpty());
        EXPECT_FALSE(setup.current());
        EXPECT_FALSE(QFileInfo::exists(setup.root() + u"/python"));
        if (QFileInfo(setup.parent()).isDir()) {
            EXPECT_EQ(stagingFolders(setup.parent()), QStringList());
        }
    }
}

TEST(RuntimeInstaller, FailedReinstallNeverLeavesAFalselyCurrentRuntime)
{
    struct Case {
        const char* name;
        QString cue;
        QByteArray value;
        // Whether the earlier runtime survives byte for byte (else: not current).
        bool earlierKept;
    };
    const QList<Case> cases = {
        {"pip fails before anything is replaced", QStringLiteral("pip-mode"), "fail-output", true},
        {"version probe fails after the runtime was replaced", QStringLiteral("version-mode"), "fail", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InstallBench setup;
        ASSERT_EQ(setup.installAndWait(), Phase::installed(QStringLiteral("10.10.3")));
        const QString manifestPath = setup.root() + u"/runtime.json";
        const QByteArray manifest = test::readFile(manifestPath);
        const QByteArray launcher = test::readFile(setup.root() + u"/bin/pymobiledevice3");
        test::writeFile(setup.root() + u"/python/marker", "earlier runtime");

        setup.setCue(c.cue, c.value);
        const Phase end = setup.installAndWait();
        if (c.earlierKept) {
            EXPECT_EQ(end, Phase::installed(QStringLiteral("10.10.3")));
            EXPECT_EQ(test::readFile(manifestPath), manifest);
            EXPECT_EQ(test::readFile(setup.root() + u"/bin/pymobiledevice3"), launcher);
            EXPECT_EQ(test::readFile(setup.root() + u"/python/marker"), "earlier runtime");
            EXPECT_TRUE(setup.current());
        } else {
            EXPECT_EQ(end, Phase::failed(QStringLiteral("Installation failed (pymobiledevice3).\n\nboom")));
            EXPECT_FALSE(QFileInfo::exists(manifestPath));
            EXPECT_FALSE(setup.current());
            RuntimeInstaller fresh(setup.configuration);
            fresh.refresh();
            EXPECT_EQ(fresh.phase(), Phase::notInstalled());
        }
        EXPECT_EQ(stagingFolders(setup.parent()), QStringList());
    }
}

TEST(RuntimeInstaller, ReinstallReplacesTheRuntimeAndABlankVersionReadsAsQuestionMark)
{
    InstallBench setup;
    ASSERT_EQ(setup.installAndWait(), Phase::installed(QStringLiteral("10.10.3")));
    test::writeFile(setup.root() + u"/python/marker", "earlier runtime");
    test::writeFile(setup.root() + u"/bin/stray", "earlier launcher folder");
    setup.setCue(QStringLiteral("version-mode"), "blank");

    EXPECT_EQ(setup.installAndWait(), Phase::installed(QStringLiteral("?")));
    EXPECT_FALSE(QFileInfo::exists(setup.root() + u"/python/marker"));
    EXPECT_FALSE(QFileInfo::exists(setup.root() + u"/bin/stray"));
    const auto manifest = RuntimeLayout(setup.root()).currentManifest();
    ASSERT_TRUE(manifest.has_value());
    EXPECT_EQ(manifest->helperVersion, QStringLiteral("?"));
}

TEST(RuntimeInstaller, CancellingTheDownloadEndsNotInstalled)
{
    InstallBench setup;
    setup.server.setReply("GET", archivePath.toUtf8(), archiveReply(setup.archive, false, 30000));
    auto installer = setup.makeInstaller();
    installer->install();
    ASSERT_TRUE(setup.server.waitForRequests(1, 30000));
    EXPECT_EQ(installer->phase(), Phase::installing(Step::download, 0.0));
    installer->cancel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !installer->isInstalling(); }, 30000));
    EXPECT_EQ(installer->phase(), Phase::notInstalled());
    EXPECT_EQ(stagingFolders(setup.parent()), QStringList());
    EXPECT_FALSE(QFileInfo::exists(setup.root()));
}

TEST(RuntimeInstaller, WhileComponentsInstallASecondInstallChangesNothingAndCancelEndsTheTool)
{
    InstallBench setup;
    const QString list = setup.dir.file(QStringLiteral("owned-processes"));
    OwnedProcessRegistry::shared().takeOverLedger(list);
    const auto released = qScopeGuard([] { OwnedProcessRegistry::shared().releaseLedger(); });
    // pip obeys SIGTERM and is reaped at once; the child it started (a build back-end) does not.
    setup.setCue(QStringLiteral("pip-mode"), "child-ignores-term");
    auto installer = setup.makeInstaller();
    installer->install();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(setup.cueFile(QStringLiteral("pip-child"))); }, 90000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !installer->logTail().isEmpty(); }, 30000));
    const qint64 pip = readPid(setup.cueFile(QStringLiteral("pip-pid")));
    const qint64 child = readPid(setup.cueFile(QStringLiteral("pip-child")));
    ASSERT_TRUE(processAlive(pip));
    ASSERT_TRUE(processAlive(child));
    // In the list of the run's tools, which the next start ends after a run killed outright.
    const QByteArray listed =
        "\ngroup " + QByteArray::number(pip) + ' ' + QByteArray::number(*OwnedProcessLedger::startTimeOf(pid_t(pip)));
    EXPECT_TRUE(test::readFile(list).contains(listed));

    const Phase during = installer->phase();
    const QStringList logTail = installer->logTail();
    const qsizetype phaseReports = setup.phases.size();
    EXPECT_EQ(during, Phase::installing(Step::components));
    EXPECT_EQ(logTail, QStringList(QStringLiteral("Collecting pymobiledevice3")));
    installer->install();
    installer->refresh();
    EXPECT_EQ(installer->phase(), during);
    EXPECT_EQ(installer->logTail(), logTail);
    EXPECT_EQ(setup.phases.size(), phaseReports);
    EXPECT_EQ(setup.server.requestCount(), 1);

    installer->cancel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !installer->isInstalling(); }, 30000));
    EXPECT_EQ(installer->phase(), Phase::notInstalled());
    // The whole process group was asked to end, the tool's own child included.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !processAlive(pip) && !processAlive(child); }, 10000));
    EXPECT_EQ(stagingFolders(setup.parent()), QStringList());
    EXPECT_FALSE(setup.current());
}

// As at quit: no event loop resumes the pipeline, yet its tool ends at once, even one ignoring SIGTERM; so does
// what a tool cancelled just before started and that ignores SIGTERM, though the tool obeyed and is gone.
TEST(RuntimeInstaller, DestroyedMidInstallEndsTheToolAndCleansUp)
{
    for (const bool cancelledFirst : {false, true}) {
        SCOPED_TRACE(cancelledFirst);
        InstallBench setup;
        setup.setCue(QStringLiteral("pip-mode"), cancelledFirst ? "child-ignores-term" : "ignore-term");
        auto installer = setup.makeInstaller();
        installer->install();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return QFileInfo::exists(setup.cueFile(QStringLiteral("pip-child"))); }, 90000));
        const qint64 pip = readPid(setup.cueFile(QStringLiteral("pip-pid")));
        const qint64 child = readPid(setup.cueFile(QStringLiteral("pip-child")));
        if (cancelledFirst) {
            installer->cancel();
            ASSERT_TRUE(QTest::qWaitFor([&] { return !installer->isInstalling(); }, 30000));
        }
        installer.reset();
        EXPECT_TRUE(stagingFolders(setup.parent()).isEmpty());
        EXPECT_TRUE(test::eventually(
            [&] { return !QFileInfo::exists(u"/proc/" + QString::number(pip)) && !processAlive(child); },
            std::chrono::seconds(3)));
        QCoreApplication::sendPostedEvents();
        EXPECT_FALSE(setup.current());
    }
}

TEST(RuntimeInstaller, CancellingAReinstallKeepsTheWorkingRuntime)
{
    struct Case {
        const char* name;
        std::function<void(InstallBench&)> arrange;
        std::function<bool(InstallBench&)> reached;
    };
    const QList<Case> cases = {
        {"during the download",
         [](InstallBench& s) { s.server.setReply("GET", archivePath.toUtf8(), archiveReply(s.archive, false, 30000)); },
         [](InstallBench& s) { return s.server.requestCount() >= 2; }},
        {"during the component install", [](InstallBench& s) { s.setCue(QStringLiteral("pip-mode"), "sleep"); },
         [](InstallBench& s) { return QFileInfo::exists(s.cueFile(QStringLiteral("pip-child"))); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InstallBench setup;
        ASSERT_EQ(setup.installAndWait(), Phase::installed(QStringLiteral("10.10.3")));
        c.arrange(setup);
        auto installer = setup.makeInstaller();
        installer->refresh();
        installer->install();
        ASSERT_TRUE(QTest::qWaitFor([&] { return c.reached(setup); }, 90000));
        installer->cancel();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !installer->isInstalling(); }, 30000));
        EXPECT_EQ(installer->phase(), Phase::installed(QStringLiteral("10.10.3")));
        EXPECT_TRUE(setup.current());
        EXPECT_EQ(stagingFolders(setup.parent()), QStringList());
    }
}

TEST(RuntimeInstaller, AVersionProbeThatNeverAnswersFailsAfterItsTimeLimit)
{
    InstallBench setup;
    // Long enough for the stand-in to get to its hang on a busy machine, where it can take a second to start
    // and say what it says first: a probe slower than the limit to start is not one that never answers.
    setup.configuration.versionProbeTimeLimit = std::chrono::seconds(5);
    setup.setCue(QStringLiteral("version-mode"), "hang");
    auto installer = setup.makeInstaller();
    installer->install();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !installer->isInstalling(); }, 90000));
    EXPECT_EQ(installer->phase(), Phase::failed(QStringLiteral("Installation failed (pymobiledevice3).\n\n"
                                                               "INFO reading the package")));
    // The probe and what it started are gone, and nothing vouches for the new files.
    const qint64 probe = readPid(setup.cueFile(QStringLiteral("helper-pid")));
    ASSERT_GT(probe, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !processAlive(probe); }, 10000));
    EXPECT_FALSE(setup.current());
    EXPECT_EQ(stagingFolders(setup.parent()), QStringList());
}

// A quit ends the event loop, so the pipeline never gets to unwind: the staging
// folder must go with the installer itself. One left by a crash goes at the next start.
TEST(RuntimeInstaller, StagingFoldersGoAtQuitAndLeftoversAtStart)
{
    InstallBench setup;
    setup.server.setReply("GET", archivePath.toUtf8(), archiveReply(setup.archive, false, 30000));
    auto installer = setup.makeInstaller();
    installer->install();
    ASSERT_TRUE(setup.server.waitForRequests(1, 30000));
    ASSERT_EQ(stagingFolders(setup.parent()).size(), 1);
    ASSERT_TRUE(QFileInfo::exists(setup.parent() + u'/' + stagingFolders(setup.parent()).first() + u"/python.tar.gz"));
    installer.reset();
    // No event loop from here on, as after a quit.
    EXPECT_TRUE(test::eventually([&] { return QDir(setup.parent()).isEmpty(); }));

    const QString crashed = setup.parent() + u"/Runtime.staging-0DD1E5A0-0000-4000-8000-000000000000";
    const QString halfDeleted = setup.parent() + u"/Runtime.removing-0DD1E5A0-0000-4000-8000-000000000001";
    test::writeFile(crashed + u"/python/bin/python3", "left by a crash");
    test::writeFile(halfDeleted + u"/lib/os.py", "left by a quit");
    RuntimeInstaller atStart(setup.configuration);
    EXPECT_TRUE(test::eventually([&] { return QDir(setup.parent()).isEmpty(); }));
    EXPECT_EQ(atStart.phase(), Phase::checking());
}

// Deleting a runtime of thousands of files takes as long as the disk needs: the
// old one is moved aside at once and deleted on a worker while the window goes on.
TEST(RuntimeInstaller, TheReplacedRuntimeIsDeletedOnAWorker)
{
    InstallBench setup;
    ASSERT_EQ(setup.installAndWait(), Phase::installed(QStringLiteral("10.10.3")));
    test::writeFile(setup.root() + u"/python/marker", "earlier runtime");

    QThreadPool removals;
    removals.setMaxThreadCount(1);
    QSemaphore release;
    removals.start([&release] { release.acquire(); });
    setup.configuration.removalPool = &removals;
    ASSERT_EQ(setup.installAndWait(), Phase::installed(QStringLiteral("10.10.3")));
    EXPECT_FALSE(QFileInfo::exists(setup.root() + u"/python/marker"));
    // The worker is busy: the earlier runtime waits beside the runtime folder.
    const QStringList aside = QDir(setup.parent()).entryList({QStringLiteral("Runtime.removing-*")}, QDir::Dirs);
    bool earlierAside = false;
    for (const QString& name : aside)
        earlierAside = earlierAside || QFileInfo::exists(setup.parent() + u'/' + name + u"/marker");
    EXPECT_TRUE(earlierAside) << aside.join(u' ').toStdString();

    release.release();
    removals.waitForDone();
    EXPECT_EQ(QDir(setup.parent()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList(QStringLiteral("Runtime")));
}

TEST(RuntimeInstaller, ADownloadOfUnknownSizeShowsTheBytesReceived)
{
    InstallBench setup;
    setup.configuration.build.expectedBytes = std::nullopt;
    setup.server.setReply("GET", archivePath.toUtf8(), archiveReply(setup.archive, true));
    ASSERT_EQ(setup.installAndWait(), Phase::installed(QStringLiteral("10.10.3")));
    QList<Phase> downloading;
    for (const Phase& phase : std::as_const(setup.phases)) {
        if (phase.kind == Phase::Kind::installing && phase.step == Step::download)
            downloading.append(phase);
    }
    ASSERT_GE(downloading.size(), 2);
    EXPECT_EQ(downloading.first(), Phase::downloading(std::nullopt, 0));
    EXPECT_EQ(downloading.last(), Phase::installing(Step::download, 1.0));
    // Until the end, whatever the server said, the bar shows activity and the bytes so far.
    qint64 received = 0;
    for (qsizetype i = 0; i + 1 < downloading.size(); ++i) {
        const Phase& phase = downloading.at(i);
        if (phase.progress)
            continue;
        ASSERT_TRUE(phase.receivedBytes.has_value());
        EXPECT_GE(*phase.receivedBytes, received);
        received = *phase.receivedBytes;
    }

    EXPECT_EQ(RuntimeInstallError::downloadTooLarge(PythonBuild::unknownSizeCapBytes).description(),
              QStringLiteral("The download was stopped at 69 MB: the file is larger than the add-on component can "
                             "be, and its exact size isn’t known for this computer."));
}

TEST(RuntimeInstaller, Sha256HexReadsTheWholeFileInPieces)
{
    test::TempDir dir;
    QByteArray large(3 * 1024 * 1024 + 5, Qt::Uninitialized);
    for (qsizetype i = 0; i < large.size(); ++i)
        large[i] = static_cast<char>((i * 7 + i / 1024) & 0xff);
    const struct {
        const char* name;
        QByteArray content;
        QString digest;
    } cases[] = {
        {"empty", QByteArray(), QStringLiteral("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855")},
        {"abc", QByteArrayLiteral("abc"),
         QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad")},
        {"several pieces", large,
         QString::fromLatin1(QCryptographicHash::hash(large, QCryptographicHash::Sha256).toHex())},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.file(QString::fromLatin1(c.name));
        ASSERT_TRUE(test::writeFile(path, c.content));
        EXPECT_EQ(RuntimeInstaller::sha256Hex(path), c.digest);
    }
    EXPECT_THROW(RuntimeInstaller::sha256Hex(dir.file(QStringLiteral("absent"))), RuntimeFileError);
}

TEST(RuntimeInstaller, PinnedArchiveKeepsItsEncodedPlusAndAFullDigest)
{
    const PythonBuild build = PythonBuild::pinned();
    EXPECT_TRUE(build.url.toEncoded().contains("cpython-3.12.14%2B20260929-")) << build.url.toEncoded().constData();
    EXPECT_EQ(build.sha256.size(), 64);
    EXPECT_TRUE(build.url.isValid());
}
