#include "process/ChildProcess.h"
#include "process/OwnedProcessRegistry.h"
#include "support/Eventually.h"
#include "support/FakeTool.h"
#include "support/TempDir.h"

#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace ostrevin;
using namespace std::chrono_literals;

namespace {

/// A tool that leaves a grandchild which holds none of our pipes.
struct ToolWithGrandchild {
    test::TempDir dir;
    test::FakeTool tool{dir.path(), QStringLiteral("helper")};

    /// leaderSleeps 0: the leader exits by itself at once.
    ToolWithGrandchild(bool grandchildIgnoresSigterm, double leaderSleeps)
    {
        tool.writesPidFile().leavesDetachedGrandchild(60, grandchildIgnoresSigterm);
        if (leaderSleeps > 0)
            tool.sleeps(leaderSleeps);
        tool.write();
    }

    std::shared_ptr<ChildProcess> launch() const { return ChildProcess::launch(tool.path(), {}); }

    bool grandchildStarted() const { return tool.recordedGrandchildPid().has_value(); }
    bool groupIsGone(pid_t leader) const
    {
        return test::eventually([&] { return test::liveProcessesInGroup(leader).isEmpty(); });
    }
};

} // namespace

TEST(ChildProcessGroup, MembersDoNotOutliveALeaderThatExitedByItself)
{
    // The leader exits 0 and its pipes close; only the group kill can end the rest.
    for (const bool dropLastOwner : {false, true}) {
        SCOPED_TRACE(dropLastOwner ? "last owner released" : "finished");
        ToolWithGrandchild setup(false, 0);
        std::shared_ptr<ChildProcess> child = setup.launch();
        const pid_t leader = child->processIdentifier();
        ASSERT_TRUE(child->waitForExit(ChildProcess::Clock::now() + 10s));
        ASSERT_TRUE(test::eventually([&] { return setup.grandchildStarted(); }));
        ASSERT_TRUE(child->waitForStreamEnd(ChildProcess::Stream::standardOutput, ChildProcess::Clock::now() + 10s));
        if (dropLastOwner)
            child.reset();
        else
            child->finish();
        EXPECT_TRUE(setup.groupIsGone(leader));
    }
}

TEST(ChildProcessGroup, QuitEndsAMemberThatIgnoresSigtermAfterItsLeaderObeyedIt)
{
    // The leader dies of SIGTERM within the grace; its held process object still
    // lives (a controller holds it), so nothing else would end the member.
    ToolWithGrandchild setup(true, 30);
    const std::shared_ptr<ChildProcess> child = setup.launch();
    OwnedProcessRegistry& registry = OwnedProcessRegistry::shared();
    registry.registerProcess(child, OwnedProcessPurpose::simulation);
    ASSERT_TRUE(test::eventually([&] { return setup.grandchildStarted() && setup.tool.recordedPid(); }));

    registry.terminateAllOwnedProcesses();
    EXPECT_EQ(child->terminationSignal(), SIGTERM);
    EXPECT_TRUE(setup.groupIsGone(child->processIdentifier()));
    EXPECT_TRUE(registry.records().empty());
}

namespace {

const ChildProcess* lateProcess = nullptr;

// What the reactor thread does when a tool ends during exit: the registry must
// still be there, even after every static object was destroyed.
void unregisterLate()
{
    OwnedProcessRegistry::shared().unregister(lateProcess);
    // Only the other record is left.
    std::_Exit(OwnedProcessRegistry::shared().records().size() == 1 ? 0 : 3);
}

} // namespace

TEST(ChildProcessGroupDeathTest, TheRegistryOutlivesTheStaticObjectsDestroyedAtExit)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // Registered before the registry exists, so it runs after the
            // registry's destructor would have.
            std::atexit(&unregisterLate);
            static std::shared_ptr<ChildProcess> child = ChildProcess::launch(QStringLiteral("/bin/true"), {});
            lateProcess = child.get();
            OwnedProcessRegistry::shared().registerProcess(child, OwnedProcessPurpose::command);
            OwnedProcessRegistry::shared().registerProcess(ChildProcess::launch(QStringLiteral("/bin/true"), {}),
                                                           OwnedProcessPurpose::command);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}
