#include "devicebridge/DeviceLocationController.h"
#include "devicebridge/DeviceLocationError.h"
#include "process/CancellationError.h"
#include "process/OwnedProcessRegistry.h"
#include "support/FakeTool.h"
#include "support/TempDir.h"

#include <array>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <random>
#include <thread>

using namespace ostrevin;
using namespace std::chrono_literals;

namespace {

bool eventually(const std::function<bool()>& condition)
{
    const auto end = std::chrono::steady_clock::now() + 15s;
    while (std::chrono::steady_clock::now() < end && !condition())
        std::this_thread::sleep_for(20ms);
    return condition();
}

} // namespace

// Many short runs with random time-outs and cancellations, several controllers
// at once: afterwards no descriptor, child or registry record may be left.
TEST(ProcessStress, TwoThousandRunsLeaveNothingBehind)
{
    test::TempDir dir;
    test::FakeTool quick(dir.path(), QStringLiteral("quick"));
    quick.printsToStandardOutput("ok\n");
    test::FakeTool failing(dir.path(), QStringLiteral("failing"));
    failing.printsToStandardError("nope\n").exitsWith(2);
    test::FakeTool slow(dir.path(), QStringLiteral("slow"));
    slow.sleeps(0.3);
    test::FakeTool stubborn(dir.path(), QStringLiteral("stubborn"));
    stubborn.ignoresSigterm().sleeps(0.3);
    const std::array<QString, 4> tools{quick.write(), failing.write(), slow.write(), stubborn.write()};

    LocationHelper helper;
    helper.kind = LocationHelper::Kind::iDeviceSetLocation;
    helper.deviceIdentifier = QStringLiteral("00008030-AAAA");
    {
        // The reactor's own descriptors exist from the first run on.
        DeviceLocationController warmUp;
        helper.executableURL = QUrl::fromLocalFile(tools[0]);
        warmUp.runHelperAction(helper, HelperAction::clear(), 15);
    }
    const int descriptorsBefore = test::openDescriptorCount();

    constexpr int threads = 8;
    constexpr int runsPerThread = 250;
    std::atomic<int> succeeded{0}, failed{0}, cancelled{0}, unexpected{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            DeviceLocationController controller;
            std::mt19937 random(static_cast<unsigned>(1000 + t));
            std::uniform_int_distribution<int> percent(0, 99);
            for (int i = 0; i < runsPerThread; ++i) {
                const int roll = percent(random);
                // Mostly quick runs; some time out, some are cancelled at a random moment.
                const int toolIndex = roll < 55 ? 0 : roll < 75 ? 1 : roll < 98 ? 2 : 3;
                const bool cancel = percent(random) < 25;
                const double timeout = percent(random) < 50 ? 0.05 : 5.0;
                LocationHelper runHelper = helper;
                runHelper.executableURL = QUrl::fromLocalFile(tools[static_cast<std::size_t>(toolIndex)]);
                std::stop_source stop;
                std::jthread canceller;
                if (cancel) {
                    const auto delay = std::chrono::milliseconds(percent(random) % 40);
                    canceller = std::jthread([stop, delay]() mutable {
                        std::this_thread::sleep_for(delay);
                        stop.request_stop();
                    });
                }
                try {
                    controller.runHelperAction(runHelper, HelperAction::clear(), timeout, stop.get_token());
                    ++succeeded;
                } catch (const CancellationError&) {
                    ++cancelled;
                } catch (const DeviceLocationError&) {
                    ++failed;
                } catch (...) {
                    ++unexpected;
                }
            }
        });
    }
    for (auto& worker : workers)
        worker.join();

    EXPECT_EQ(succeeded + failed + cancelled, threads * runsPerThread);
    EXPECT_EQ(unexpected, 0);
    EXPECT_GT(succeeded, 0);
    EXPECT_GT(failed, 0);
    EXPECT_GT(cancelled, 0);
    EXPECT_TRUE(OwnedProcessRegistry::shared().records().empty());
    EXPECT_TRUE(eventually([] { return test::childrenOfThisProcess().isEmpty(); }))
        << test::childrenOfThisProcess().size() << " children left";
    EXPECT_TRUE(eventually([&] { return test::openDescriptorCount() == descriptorsBefore; }))
        << test::openDescriptorCount() << " descriptors open, " << descriptorsBefore << " before";
}
