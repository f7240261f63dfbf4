#include "process/OwnedProcessLedger.h"

#include "process/ChildProcess.h"
#include "support/TempDir.h"

#include <QFile>
#include <functional>
#include <gtest/gtest.h>
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
