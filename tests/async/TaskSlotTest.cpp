#include "async/TaskSlot.h"

#include "support/ManualClock.h"

#include <QCoro/QCoroFuture>
#include <QFuture>
#include <gtest/gtest.h>
#include <memory>

using namespace ostrevin;
using namespace std::chrono_literals;

namespace {

struct Progress {
    int wakes = 0;
    bool ended = false;
    bool sawCancel = false;
};

// The shape of the owners' loops: sleep, re-check, repeat.
QCoro::Task<> loop(test::ManualClock& clock, std::shared_ptr<Progress> progress, CancelToken token)
{
    while (!token.isCancelled()) {
        const bool elapsed = co_await clock.sleep(2s, token);
        if (!elapsed || token.isCancelled()) {
            progress->sawCancel = true;
            break;
        }
        ++progress->wakes;
    }
    progress->ended = true;
}

} // namespace

TEST(TaskSlot, ReplaceCancelsTheRunningTaskAndWhenFinishedFollowsTheCurrentOne)
{
    test::ManualClock clock;
    TaskSlot slot;
    EXPECT_TRUE(slot.whenFinished().isFinished());

    auto first = std::make_shared<Progress>();
    const CancelToken firstToken = slot.replace();
    slot.adopt(loop(clock, first, firstToken));
    const QFuture<void> firstDone = slot.whenFinished();
    clock.advance(5s);
    EXPECT_EQ(first->wakes, 2);
    EXPECT_TRUE(slot.isRunning());
    EXPECT_FALSE(firstDone.isFinished());

    auto second = std::make_shared<Progress>();
    const CancelToken secondToken = slot.replace();
    EXPECT_TRUE(firstToken.isCancelled());
    EXPECT_FALSE(secondToken.isCancelled());
    slot.adopt(loop(clock, second, secondToken));
    test::ManualClock::runPostedEvents();
    EXPECT_TRUE(first->ended);
    EXPECT_TRUE(first->sawCancel);
    EXPECT_TRUE(firstDone.isFinished());
    EXPECT_TRUE(slot.isRunning());

    const QFuture<void> secondDone = slot.cancel();
    EXPECT_FALSE(slot.isRunning());
    test::ManualClock::runPostedEvents();
    EXPECT_TRUE(second->ended);
    EXPECT_TRUE(secondDone.isFinished());
    EXPECT_EQ(clock.pendingSleeps(), 0);
}

TEST(TaskSlot, DestroyingTheSlotCancelsItsTaskWhichEndsOnItsOwn)
{
    test::ManualClock clock;
    auto progress = std::make_shared<Progress>();
    QFuture<void> done;
    {
        TaskSlot slot;
        slot.adopt(loop(clock, progress, slot.replace()));
        done = slot.whenFinished();
    }
    test::ManualClock::runPostedEvents();
    EXPECT_TRUE(progress->ended);
    EXPECT_TRUE(done.isFinished());
}
