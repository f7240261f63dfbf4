#include "async/CancelSource.h"

#include <atomic>
#include <barrier>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace ostrevin;

TEST(CancelToken, CallbacksRunOnceAndLateRegistrationsRunAtOnce)
{
    CancelSource source;
    const CancelToken token = source.token();
    int first = 0;
    int dropped = 0;
    auto keep = token.onCancel([&] { ++first; });
    {
        auto gone = token.onCancel([&] { ++dropped; });
    }
    CancelSource copy = source;

    EXPECT_TRUE(copy.cancel());
    EXPECT_FALSE(source.cancel());
    EXPECT_TRUE(token.isCancelled());
    EXPECT_EQ(first, 1);
    EXPECT_EQ(dropped, 0);

    const auto caller = std::this_thread::get_id();
    std::thread::id ranOn;
    auto late = token.onCancel([&] { ranOn = std::this_thread::get_id(); });
    EXPECT_EQ(ranOn, caller);

    EXPECT_FALSE(CancelToken().isCancelled());
    EXPECT_FALSE(CancelToken().canBeCancelled());
}

TEST(CancelToken, ConcurrentCancelAndRegistrationRunEachCallbackExactlyOnce)
{
    constexpr int registrars = 6;
    constexpr int perThread = 200;
    for (int round = 0; round < 20; ++round) {
        CancelSource source;
        std::vector<std::atomic<int>> calls(registrars * perThread);
        std::vector<std::vector<CancelRegistration>> kept(registrars);
        std::barrier start(registrars + 2);
        std::vector<std::thread> threads;
        for (int t = 0; t < registrars; ++t) {
            threads.emplace_back([&, t] {
                start.arrive_and_wait();
                for (int i = 0; i < perThread; ++i) {
                    auto& counter = calls[t * perThread + i];
                    kept[t].push_back(source.token().onCancel([&counter] { ++counter; }));
                }
            });
        }
        std::atomic<int> winners = 0;
        threads.emplace_back([&] {
            start.arrive_and_wait();
            winners += source.cancel() ? 1 : 0;
        });
        start.arrive_and_wait();
        winners += source.cancel() ? 1 : 0;
        for (auto& thread : threads)
            thread.join();

        EXPECT_EQ(winners.load(), 1);
        for (const auto& counter : calls)
            ASSERT_EQ(counter.load(), 1) << "round " << round;
    }
}

TEST(CancelToken, DroppingARegistrationWaitsForItsCallbackOnAnotherThread)
{
    CancelSource source;
    std::atomic<bool> entered = false;
    std::atomic<bool> finished = false;
    auto registration = std::make_unique<CancelRegistration>(source.token().onCancel([&] {
        entered = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        finished = true;
    }));
    std::thread canceller([&] { source.cancel(); });
    while (!entered)
        std::this_thread::yield();
    registration.reset();
    // The callback may still have been touching state owned by the caller.
    EXPECT_TRUE(finished.load());
    canceller.join();
}
