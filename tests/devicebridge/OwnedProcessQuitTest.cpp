#include "devicebridge/DeviceLocationController.h"
#include "devicebridge/DeviceLocationError.h"
#include "process/OwnedProcessRegistry.h"
#include "support/FakeTool.h"
#include "support/TempDir.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <thread>

using namespace ostrevin;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

bool eventually(const std::function<bool()>& condition)
{
    const auto end = Clock::now() + 10s;
    while (Clock::now() < end && !condition())
        std::this_thread::sleep_for(10ms);
    return condition();
}

} // namespace

TEST(OwnedProcessRegistry, QuitEndsEveryRunningToolWithinItsBound)
{
    OwnedProcessRegistry& registry = OwnedProcessRegistry::shared();
    const auto idle = Clock::now();
    registry.terminateAllOwnedProcesses();
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - idle).count(), 0.5);

    test::TempDir dir;
    test::FakeTool stubborn(dir.path(), QStringLiteral("stubborn"));
    stubborn.writesPidFile().ignoresSigterm().sleeps(60);
    test::FakeTool polite(dir.path(), QStringLiteral("polite"));
    polite.writesPidFile().sleeps(60);
    const QList<test::FakeTool*> tools{&stubborn, &polite};

    // One controller each: their command locks would otherwise queue the runs.
    DeviceLocationController first;
    DeviceLocationController second;
    QList<DeviceLocationController*> controllers{&first, &second};
    std::vector<std::thread> workers;
    std::vector<int> failures(2, 0);
    for (int i = 0; i < 2; ++i) {
        const QString path = tools[i]->write();
        workers.emplace_back([&, i, path] {
            ProcessCancellationState cancellation;
            try {
                controllers[i]->executeLocked(QUrl::fromLocalFile(path), {}, 120, QUuid::createUuid(), cancellation,
                                              DeviceLocationController::ProcessTracking::asActiveProcess);
            } catch (const DeviceLocationError&) {
                failures[i] = 1;
            }
        });
    }
    ASSERT_TRUE(
        eventually([&] { return registry.records().size() == 2 && stubborn.recordedPid() && polite.recordedPid(); }));

    const auto start = Clock::now();
    registry.terminateAllOwnedProcesses();
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    // SIGKILL follows 0.8 s after SIGTERM; each process may take up to 1.6 s.
    EXPECT_GE(elapsed, 0.8);
    EXPECT_LT(elapsed, 10.0);
    EXPECT_TRUE(registry.records().empty());
    for (auto& worker : workers)
        worker.join();
    EXPECT_EQ(failures, (std::vector<int>{1, 1}));
    for (const test::FakeTool* tool : tools)
        // Members die a moment after their signal, each on its own.
        EXPECT_TRUE(eventually([&] { return test::liveProcessesInGroup(*tool->recordedPid()).isEmpty(); }));
    EXPECT_TRUE(eventually([] { return test::childrenOfThisProcess().isEmpty(); }));
}
