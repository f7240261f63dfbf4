#include "process/OwnedProcessLedger.h"

#include "process/ChildProcess.h"
#include "process/ProcessStatus.h"
#include "support/Eventually.h"
#include "support/FakeTool.h"
#include "support/TempDir.h"

#include <QFile>
#include <QScopeGuard>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace ostrevin;
using namespace std::chrono_literals;

// The next start ends what a run that crashed left running, and nothing else: not
// the tools of a run that still lives, not a process that got a listed identifier
// since, not what was listed before the machine restarted.
TEST(OwnedProcessLedger, TheNextStartEndsOnlyTheGroupsOfARunThatIsGone)
{
    using Entry = OwnedProcessLedger::Entry;
    const QByteArray boot = test::readFile(QStringLiteral("/proc/sys/kernel/random/boot_id")).trimmed();
    const auto listed = [](const QByteArray& bootId, const Entry& group) -> QByteArray {
        // The run that wrote it is gone: no process has its identifier.
        return "boot " + bootId + "\nowner 999999999 1\ngroup " + QByteArray::number(group.processIdentifier) + ' ' +
               QByteArray::number(group.startTime) + '\n';
    };
    struct Case {
        const char* name;
        std::function<void(const OwnedProcessLedger&, const Entry&)> arrange;
        bool ends;
        bool keepsList;
    };
    const Case cases[] = {
        {"a run that crashed",
         [&](auto& ledger, auto& tool) { test::writeFile(ledger.filePath(), listed(boot, tool)); }, true, false},
        {"a run that still lives", [](auto& ledger, auto& tool) { ASSERT_TRUE(ledger.write({tool})); }, false, true},
        {"an identifier reused since",
         [&](auto& ledger, auto& tool) {
             test::writeFile(ledger.filePath(), listed(boot, {tool.processIdentifier, tool.startTime + 1}));
         },
         false, false},
        {"another boot",
         [&](auto& ledger, auto& tool) { test::writeFile(ledger.filePath(), listed("an-earlier-boot", tool)); }, false,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const OwnedProcessLedger ledger(dir.file(QStringLiteral("owned-processes")));
        const auto tool = ChildProcess::launch(QStringLiteral("/bin/sleep"), {QStringLiteral("30")});
        const Entry entry{tool->processIdentifier(),
                          OwnedProcessLedger::startTimeOf(tool->processIdentifier()).value()};
        c.arrange(ledger, entry);
        EXPECT_EQ(ledger.endLeftovers(200ms), c.ends ? 1 : 0);
        EXPECT_EQ(tool->waitForExit(ChildProcess::Clock::now() + (c.ends ? 2s : 0s)), c.ends);
        EXPECT_EQ(QFile::exists(ledger.filePath()), c.keepsList);
    }
}

// The user manager that adopts the tools of a run killed outright reaps each of them
// at once: a leader that obeys SIGTERM is gone before the SIGKILL, and the member of
// its group that ignores SIGTERM must go all the same.
TEST(OwnedProcessLedger, TheNextStartEndsAMemberIgnoringSigtermAfterItsLeaderIsReaped)
{
    test::TempDir dir;
    test::FakeTool tool(dir.path(), QStringLiteral("tool"));
    const QString memberFile = dir.file(QStringLiteral("member"));
    // The member names itself only once its trap is set.
    tool.runs(QString::fromUtf8("sh -c 'trap \"\" TERM; echo $$ > \"$1.part\" && mv -f \"$1.part\" \"$1\"; "
                                "exec sleep 60' sh " +
                                test::FakeTool::shellWord(QFile::encodeName(memberFile)) + " &\nwait"));
    const QByteArray program = QFile::encodeName(tool.write());
    posix_spawnattr_t attributes;
    ::posix_spawnattr_init(&attributes);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    char* argv[] = {const_cast<char*>(program.constData()), nullptr};
    pid_t leader = 0;
    ASSERT_EQ(::posix_spawn(&leader, program.constData(), nullptr, &attributes, argv, environ), 0);
    std::thread userManager([leader] { ::waitpid(leader, nullptr, 0); });
    const auto leftovers = qScopeGuard([&] {
        ::kill(-leader, SIGKILL);
        userManager.join();
    });
    ASSERT_TRUE(test::eventually([&] { return QFile::exists(memberFile); }));
    const auto member = static_cast<pid_t>(test::readFile(memberFile).trimmed().toInt());
    const std::optional<quint64> memberStart = OwnedProcessLedger::startTimeOf(member);

    const OwnedProcessLedger ledger(dir.file(QStringLiteral("owned-processes")));
    const QByteArray boot = test::readFile(QStringLiteral("/proc/sys/kernel/random/boot_id")).trimmed();
    test::writeFile(ledger.filePath(), "boot " + boot + "\nowner 999999999 1\ngroup " + QByteArray::number(leader) +
                                           ' ' + QByteArray::number(*OwnedProcessLedger::startTimeOf(leader)) + '\n');
    EXPECT_EQ(ledger.endLeftovers(200ms), 1);
    // Orphaned, the member is init's, which may leave it unreaped here.
    EXPECT_TRUE(test::eventually([&] {
        const std::optional<ProcessStatus> status = ProcessStatus::of(member);
        return !status || status->startTime != memberStart || status->hasExited();
    }));
}
