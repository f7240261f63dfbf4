// One copy per user: the real program started twice over the same data folder.
#include "app/SingleInstance.h"

#include "ProgramMachine.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ostrevin;
using namespace ostrevin::test;

namespace {

/// The program, started with the machine's environment, its error output collected.
struct Copy {
    explicit Copy(const Machine& machine) : Copy(machine.environment()) {}
    explicit Copy(const QProcessEnvironment& environment)
    {
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(OSTREVIN_APP_BINARY), {});
    }
    ~Copy()
    {
        if (process.state() == QProcess::NotRunning)
            return;
        ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
        if (!process.waitForFinished(20000))
            process.kill();
        process.waitForFinished(5000);
    }

    QString errors()
    {
        collected += QString::fromUtf8(process.readAllStandardError());
        return collected;
    }
    bool says(const QString& text, int timeoutMs = 30000)
    {
        return QTest::qWaitFor([&] { return errors().contains(text); }, timeoutMs);
    }

    QProcess process;
    QString collected;
};

const QString listening = QStringLiteral("the only copy");
// As its own line, not the end of the line that says it listens.
const QString broughtForward = QStringLiteral(": a later launch brings this window forward");

/// Where the program started on the machine meets later launches.
QString socketPathOn(const Machine& machine)
{
    return QDir(machine.dir.file(QStringLiteral("runtime")))
        .filePath(QFileInfo(SingleInstance::serverName(machine.paths().dataDirectory()).value()).fileName());
}

/// A later launch ends at once, having brought the running copy forward.
void expectHandOver(Copy& running, const QProcessEnvironment& environment)
{
    const qsizetype before = running.errors().count(broughtForward);
    Copy later(environment);
    ASSERT_TRUE(later.process.waitForFinished(30000)) << later.errors().toStdString();
    EXPECT_EQ(later.process.exitCode(), 0) << later.errors().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return running.errors().count(broughtForward) > before; }, 10000))
        << running.errors().toStdString();
}

/// Until its window is up the program starts threads, and a thread that cannot
/// make its event loop's descriptor ends the program: the copy is left to settle
/// before it runs out of them.
bool settles(pid_t pid)
{
    const QString process = QStringLiteral("/proc/%1/").arg(pid);
#ifdef OSTREVIN_ALARM_TONES_MODULE_FILE
    // Its tone module is the last thing it loads once the window is up.
    const QByteArray module = QFileInfo(QStringLiteral(OSTREVIN_ALARM_TONES_MODULE_FILE)).fileName().toUtf8();
    QFile maps(process + u"maps");
    const bool up = QTest::qWaitFor(
        [&] {
            maps.close();
            return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(module);
        },
        30000);
    if (!up)
        return false;
#endif
    QStringList threads;
    QElapsedTimer unchanged;
    return QTest::qWaitFor(
        [&] {
            const QStringList now = QDir(process + u"task").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
            if (now != threads || !unchanged.isValid()) {
                threads = now;
                unchanged.start();
            }
            return unchanged.elapsed() >= 500;
        },
        30000);
}

} // namespace

TEST(SingleInstance, ASecondLaunchBringsTheFirstForwardAndEndsACrashedCopyDoesNotBlock)
{
    for (const bool usableDataFolder : {true, false}) {
        SCOPED_TRACE(usableDataFolder ? "a data folder" : "a file where the data folder goes");
        Machine machine;
        const QString data = machine.paths().dataDirectory();
        // An older data folder is moved in before the lock makes the data folder.
        ASSERT_TRUE(usableDataFolder ? writeFile(machine.dir.file(QStringLiteral("data/Tovrel/history.json")), "[]\n")
                                     : writeFile(data, "not a folder"));
        // Launched together: whichever comes second finds the other.
        auto first = std::make_unique<Copy>(machine);
        auto second = std::make_unique<Copy>(machine);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return first->process.state() == QProcess::NotRunning ||
                       second->process.state() == QProcess::NotRunning;
            },
            30000))
            << first->errors().toStdString() << second->errors().toStdString();
        if (first->process.state() == QProcess::NotRunning)
            std::swap(first, second);
        ASSERT_TRUE(first->says(listening)) << first->errors().toStdString();
        if (usableDataFolder) {
            EXPECT_EQ(readFile(QDir(data).filePath(QStringLiteral("history.json"))), "[]\n");
        }

        {
            SCOPED_TRACE("a second launch while the first runs");
            EXPECT_EQ(second->process.exitStatus(), QProcess::NormalExit);
            EXPECT_EQ(second->process.exitCode(), 0) << second->errors().toStdString();
            EXPECT_FALSE(second->errors().contains(listening)) << second->errors().toStdString();
            EXPECT_TRUE(first->says(broughtForward)) << first->errors().toStdString();
            EXPECT_EQ(first->process.state(), QProcess::Running);
        }

        {
            SCOPED_TRACE("a copy that crashed leaves its lock and socket behind");
            const qint64 crashed = first->process.processId();
            ASSERT_EQ(::kill(static_cast<pid_t>(crashed), SIGKILL), 0);
            ASSERT_TRUE(first->process.waitForFinished(10000));
            first.reset();
            ASSERT_TRUE(QFile::exists(socketPathOn(machine)));
            ASSERT_EQ(QFile::exists(QDir(data).filePath(QStringLiteral("ostrevin.lock"))), usableDataFolder);

            Copy next(machine);
            EXPECT_TRUE(next.says(listening)) << next.errors().toStdString();
            EXPECT_EQ(next.process.state(), QProcess::Running);
            // And it answers the launch after it in turn.
            expectHandOver(next, machine.environment());
        }

        // The crashed copy's start-up check ends by itself; nothing is left running.
        if (const std::optional<qint64> check = machine.tool.lastPid(Command::UsbmuxList)) {
            EXPECT_TRUE(waitForProcessGone(*check, 20000));
        }
    }
}

TEST(SingleInstance, TheLockEndsWithItsHolderAndExcludesQtLockFilesOfEarlierVersions)
{
    TempDir dir;
    const QString data = dir.file(QStringLiteral("data"));
    const QString lockFile = QDir(data).filePath(QStringLiteral("ostrevin.lock"));
    {
        SingleInstance first(data);
        ASSERT_TRUE(first.claim());
        SingleInstance second(data);
        EXPECT_FALSE(second.claim());
        // An earlier version's copy, launched now, finds the lock taken.
        QLockFile earlier(lockFile);
        EXPECT_FALSE(earlier.tryLock(0));
    }
    // Gone with the copy that quit, as an earlier version's lock file goes.
    EXPECT_FALSE(QFile::exists(lockFile));
    {
        // Released with its holder: nothing is left to take over.
        SingleInstance next(data);
        ASSERT_TRUE(next.claim());
    }
    // A copy of an earlier version holds its lock file while this one starts.
    QLockFile earlier(lockFile);
    ASSERT_TRUE(earlier.tryLock(0));
    SingleInstance blocked(data);
    EXPECT_FALSE(blocked.claim());
    earlier.unlock();
    SingleInstance after(data);
    EXPECT_TRUE(after.claim());
    // A data folder that cannot hold the lock is no other copy, but one listening
    // on its socket without the socket's lock (an earlier version) is.
    const QString file = dir.file(QStringLiteral("file"));
    ASSERT_TRUE(writeFile(file, "not a folder"));
    EXPECT_TRUE(SingleInstance(file).claim());
    QLocalServer earlierVersion;
    ASSERT_TRUE(earlierVersion.listen(SingleInstance::serverName(file).value()));
    EXPECT_FALSE(SingleInstance(file).claim());
}

TEST(SingleInstance, TheHolderOfTheDataLockStartsBesideASocketLockItCannotOpenAndTakesThePathOver)
{
    // A folder stands in for a lock file this copy may neither open nor remove (as
    // root too), and a listener for whatever else was left on the path.
    Machine machine;
    const QString socketPath = socketPathOn(machine);
    QLocalServer listener;
    ASSERT_TRUE(listener.listen(socketPath));
    ASSERT_TRUE(QDir().mkpath(socketPath + u".lock/theirs"));

    // It takes the path over, and a later launch reaches it there.
    Copy copy(machine);
    ASSERT_TRUE(copy.says(listening)) << copy.errors().toStdString();
    expectHandOver(copy, machine.environment());
    EXPECT_EQ(copy.process.state(), QProcess::Running) << copy.errors().toStdString();
}

TEST(SingleInstance, AfterAUserRemovesTheRunningCopysDataLockALaunchHandsOverAndTheQuitLeavesLaterFiles)
{
    for (const bool wholeFolder : {false, true}) {
        SCOPED_TRACE(wholeFolder ? "the data folder removed" : "its lock file removed as a stale lock");
        Machine machine;
        const QString data = machine.paths().dataDirectory();
        const QString dataLock = QDir(data).filePath(QStringLiteral("ostrevin.lock"));
        const QString socketPath = socketPathOn(machine);
        Copy first(machine);
        ASSERT_TRUE(first.says(listening)) << first.errors().toStdString();
        ASSERT_TRUE(wholeFolder ? QDir(data).removeRecursively() : QFile::remove(dataLock));

        Copy second(machine);
        ASSERT_TRUE(second.process.waitForFinished(30000)) << second.errors().toStdString();
        EXPECT_EQ(second.process.exitCode(), 0) << second.errors().toStdString();
        EXPECT_TRUE(first.says(broughtForward)) << first.errors().toStdString();

        // A later copy's files where the first copy's were, as after a clean-up of
        // every file while the first runs.
        const QString socketLock = socketPath + u".lock";
        ASSERT_TRUE(!QFile::exists(dataLock) && writeFile(dataLock, ""));
        ASSERT_TRUE(QFile::remove(socketLock) && writeFile(socketLock, ""));
        ASSERT_TRUE(QFile::remove(socketPath));
        QLocalServer laterSocket;
        ASSERT_TRUE(laterSocket.listen(socketPath));
        ASSERT_EQ(::kill(static_cast<pid_t>(first.process.processId()), SIGTERM), 0);
        ASSERT_TRUE(first.process.waitForFinished(20000));
        EXPECT_EQ(first.process.exitCode(), 0) << first.errors().toStdString();
        for (const QString& path : {dataLock, socketLock, socketPath})
            EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
    }
}

TEST(SingleInstance, WithoutAFolderOfTheUsersOwnForTheSocketTheDataLockAloneKeepsASecondCopyOut)
{
    Machine machine;
    QProcessEnvironment environment = machine.environment();
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    // A link where the user's own temporary folder goes: as root, the one way to
    // make it unusable.
    const QString shared = machine.dir.file(QStringLiteral("tmp"));
    const QString own = QStringLiteral("ostrevin-%1").arg(::geteuid());
    ASSERT_TRUE(QFile::link(machine.dir.file(QStringLiteral("home")), QDir(shared).filePath(own)));

    Copy first(environment);
    ASSERT_TRUE(first.says(listening)) << first.errors().toStdString();
    EXPECT_TRUE(first.errors().contains(QStringLiteral("later launches cannot reach it")))
        << first.errors().toStdString();
    QElapsedTimer launched;
    launched.start();
    Copy second(environment);
    ASSERT_TRUE(second.process.waitForFinished(SingleInstance::handOverTimeoutMs + 20000));
    EXPECT_LT(launched.elapsed(), SingleInstance::handOverTimeoutMs) << second.errors().toStdString();
    EXPECT_EQ(second.process.exitCode(), 1) << second.errors().toStdString();
    EXPECT_FALSE(second.errors().contains(listening)) << second.errors().toStdString();
    EXPECT_EQ(first.process.state(), QProcess::Running);
    // Nothing of the copies' where another user could listen or hold a lock.
    EXPECT_EQ(QDir(shared).entryList({QStringLiteral("ostrevin-*")}, QDir::AllEntries | QDir::System).join(u' '), own);
}

TEST(SingleInstance, ALaunchOverAFolderWithoutTheLockGivesUpOnAListenerThatDoesNotAnswer)
{
    Machine machine;
    ASSERT_TRUE(writeFile(machine.paths().dataDirectory(), "not a folder"));
    // Someone else's listener where the running copy would be: it takes the
    // request and never answers.
    QLocalServer listener;
    ASSERT_TRUE(listener.listen(socketPathOn(machine)));

    Copy launch(machine);
    ASSERT_TRUE(launch.process.waitForFinished(SingleInstance::handOverTimeoutMs + 20000))
        << launch.errors().toStdString();
    EXPECT_EQ(launch.process.exitCode(), 1) << launch.errors().toStdString();
    EXPECT_TRUE(launch.errors().contains(QStringLiteral("does not answer"))) << launch.errors().toStdString();
    EXPECT_FALSE(launch.errors().contains(listening)) << launch.errors().toStdString();
}

TEST(SingleInstance, WithoutARuntimeFolderCopiesMeetInAFolderOfTheUsersOwn)
{
    // Each case runs in a process of its own.
    TempDir dir;
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(dir.path()));
    // Not the shared folder, where another user could listen in this copy's place.
    const QString folder =
        QFileInfo(SingleInstance::serverName(dir.file(QStringLiteral("data"))).value()).absolutePath();
    EXPECT_NE(folder, dir.path());
    struct stat info {};
    ASSERT_EQ(::lstat(QFile::encodeName(folder).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(info.st_uid, ::geteuid());
}

TEST(SingleInstance, ARuntimeFolderThatIsNotTheUsersOwnIsPassedOverForTheirOwnTemporaryFolder)
{
    for (const bool link : {false, true}) {
        SCOPED_TRACE(link ? "a link to the runtime folder" : "a runtime folder everyone can write in");
        Machine machine;
        QProcessEnvironment environment = machine.environment();
        const QString runtime = machine.dir.file(QStringLiteral("runtime"));
        if (link) {
            ASSERT_TRUE(QFile::link(runtime, runtime + u"-link"));
            environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime + u"-link");
        } else {
            ASSERT_EQ(::chmod(QFile::encodeName(runtime).constData(), 0777), 0);
        }
        // Another user's program holds the socket's lock there and answers as a copy would.
        QLockFile theirLock(socketPathOn(machine) + u".lock");
        ASSERT_TRUE(theirLock.tryLock(0));
        QLocalServer theirs;
        ASSERT_TRUE(theirs.listen(socketPathOn(machine)));
        QObject::connect(&theirs, &QLocalServer::newConnection, &theirs,
                         [&theirs] { theirs.nextPendingConnection()->write("ok\n"); });

        Copy first(environment);
        ASSERT_TRUE(first.says(listening)) << first.errors().toStdString();
        expectHandOver(first, environment);
    }
}

TEST(SingleInstance, ACopyThatRanOutOfDescriptorsAnswersTheLaunchesOnceItHasThemAgain)
{
    Machine machine;
    Copy first(machine);
    ASSERT_TRUE(first.says(listening)) << first.errors().toStdString();
    const auto pid = static_cast<pid_t>(first.process.processId());
    ASSERT_TRUE(settles(pid)) << first.errors().toStdString();
    // A table full up to its lowest free number: the next accept finds none. A limit
    // above a free number would let a client in on the last descriptor, and the
    // sanitizer's check of the accepted socket then finds none for itself. Clients
    // that stay connected take any number that comes free meanwhile.
    rlimit usual{};
    ASSERT_EQ(::prlimit(pid, RLIMIT_NOFILE, nullptr, &usual), 0);
    rlim_t lowestFree = 0;
    while (QFileInfo(QStringLiteral("/proc/%1/fd/%2").arg(pid).arg(lowestFree)).isSymLink())
        ++lowestFree;
    const rlimit exhausted{lowestFree, usual.rlim_max};
    ASSERT_EQ(::prlimit(pid, RLIMIT_NOFILE, &exhausted, nullptr), 0);
    std::vector<std::unique_ptr<QLocalSocket>> clients;
    const QRegularExpression refused(QStringLiteral("later launch.*Too many open files"));
    const bool ranOut = QTest::qWaitFor(
        [&] {
            if (first.errors().contains(refused))
                return true;
            if (clients.size() < 64) {
                clients.push_back(std::make_unique<QLocalSocket>());
                clients.back()->connectToServer(socketPathOn(machine));
            }
            return false;
        },
        30000);
    // A launch that comes while the running copy still cannot take it.
    Copy waiting(machine);
    ASSERT_EQ(::prlimit(pid, RLIMIT_NOFILE, &usual, nullptr), 0) << first.errors().toStdString();
    clients.clear();
    ASSERT_TRUE(ranOut) << first.errors().toStdString();

    ASSERT_TRUE(waiting.process.waitForFinished(30000)) << waiting.errors().toStdString();
    EXPECT_EQ(waiting.process.exitCode(), 0) << waiting.errors().toStdString();
    expectHandOver(first, machine.environment());
}

TEST(SingleInstance, ACrowdThatSaysNothingNeitherUsesUpTheRunningCopyNorKeepsALaunchOut)
{
    Machine machine;
    Copy first(machine);
    ASSERT_TRUE(first.says(listening)) << first.errors().toStdString();
    const auto pid = static_cast<pid_t>(first.process.processId());
    ASSERT_TRUE(settles(pid)) << first.errors().toStdString();
    // Room for fewer descriptors than the crowd has connections: kept, they would
    // leave the copy none, also for its tools.
    constexpr int crowdSize = 40;
    const auto open = static_cast<rlim_t>(QDir(QStringLiteral("/proc/%1/fd").arg(pid))
                                              .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                                              .size());
    rlimit usual{};
    ASSERT_EQ(::prlimit(pid, RLIMIT_NOFILE, nullptr, &usual), 0);
    const rlimit low{open + crowdSize / 2, usual.rlim_max};
    ASSERT_EQ(::prlimit(pid, RLIMIT_NOFILE, &low, nullptr), 0);

    // Each member connects again as soon as it is dropped, for as long as the crowd is there.
    std::vector<std::unique_ptr<QLocalSocket>> crowd;
    for (int member = 0; member < crowdSize; ++member)
        crowd.push_back(std::make_unique<QLocalSocket>());
    const auto keepCrowding = [&] {
        for (const auto& member : crowd) {
            if (member->state() == QLocalSocket::UnconnectedState)
                member->connectToServer(socketPathOn(machine));
        }
    };
    keepCrowding();
    QTest::qWait(500);
    {
        SCOPED_TRACE("a launch while the crowd is there");
        const qsizetype before = first.errors().count(broughtForward);
        Copy later(machine);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                keepCrowding();
                return later.process.state() == QProcess::NotRunning;
            },
            SingleInstance::handOverTimeoutMs + 20000))
            << later.errors().toStdString();
        EXPECT_EQ(later.process.exitCode(), 0) << later.errors().toStdString();
        EXPECT_TRUE(QTest::qWaitFor([&] { return first.errors().count(broughtForward) > before; }, 10000))
            << first.errors().toStdString();
    }
    {
        SCOPED_TRACE("a launch right after the crowd");
        crowd.clear();
        expectHandOver(first, machine.environment());
    }
    EXPECT_FALSE(first.errors().contains(QStringLiteral("Too many open files"))) << first.errors().toStdString();
    ASSERT_EQ(::kill(pid, SIGTERM), 0);
    ASSERT_TRUE(first.process.waitForFinished(20000));
    EXPECT_EQ(first.process.exitStatus(), QProcess::NormalExit) << first.errors().toStdString();
    EXPECT_EQ(first.process.exitCode(), 0) << first.errors().toStdString();
}
