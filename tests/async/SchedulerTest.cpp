#include "async/CancelSource.h"
#include "async/TimerScheduler.h"
#include "support/ManualClock.h"
#include "support/QtPrinters.h"

#include <QCoro/QCoroFuture>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

using namespace ostrevin;
using namespace std::chrono_literals;

namespace {

struct Wake {
    QString name;
    bool elapsed;
    qint64 atMs; // steady time since the start of the test
};

struct Journal {
    Clock::SteadyTime start;
    std::vector<Wake> wakes;
};

QCoro::Task<> sleeper(Scheduler& scheduler, const Clock& clock, std::shared_ptr<Journal> journal, QString name,
                      std::chrono::milliseconds duration, int times, CancelToken token)
{
    for (int i = 0; i < times; ++i) {
        const bool elapsed = co_await scheduler.sleep(duration, token);
        journal->wakes.push_back(
            {name, elapsed,
             std::chrono::duration_cast<std::chrono::milliseconds>(clock.steadyNow() - journal->start).count()});
        if (!elapsed)
            co_return;
    }
}

QString order(const Journal& journal)
{
    QStringList names;
    for (const auto& wake : journal.wakes)
        names << wake.name + u'@' + QString::number(wake.atMs) + (wake.elapsed ? u"" : u"x");
    return names.join(u' ');
}

} // namespace

TEST(ManualClock, SleepsWakeInDueOrderAndCancelledOnesWakeFalseAtOnce)
{
    struct Case {
        const char* name;
        std::chrono::milliseconds advance;
        const char* expected;
    };
    // a: 3 s once; b: 2 s three times (sleeps again after each wake); c: 2 s once,
    // registered after b (same due time: registration order); d: 10 s, cancelled
    // at the first step.
    const Case cases[] = {
        {"one big step", 7s, "b@2000 c@2000 a@3000 b@4000 b@6000 d@7000x"},
        {"short of the first", 1999ms, "d@1999x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::ManualClock clock;
        auto journal = std::make_shared<Journal>();
        journal->start = clock.steadyNow();
        CancelSource keep;
        CancelSource dSource;
        sleeper(clock, clock, journal, QStringLiteral("a"), 3s, 1, keep.token());
        sleeper(clock, clock, journal, QStringLiteral("b"), 2s, 3, keep.token());
        sleeper(clock, clock, journal, QStringLiteral("c"), 2s, 1, keep.token());
        sleeper(clock, clock, journal, QStringLiteral("d"), 10s, 1, dSource.token());
        const QDateTime wallBefore = clock.wallNow();

        clock.advance(c.advance);
        dSource.cancel();
        test::ManualClock::runPostedEvents();

        EXPECT_EQ(order(*journal), QString::fromLatin1(c.expected));
        EXPECT_EQ(wallBefore.msecsTo(clock.wallNow()), c.advance.count());
        // The sleepers still waiting read the clock when they wake: end them
        // while it exists.
        keep.cancel();
        test::ManualClock::runPostedEvents();
        EXPECT_EQ(clock.pendingSleeps(), 0);
    }
}

TEST(ManualClock, AnAlreadyCancelledTokenSleepsNotAtAll)
{
    test::ManualClock clock;
    CancelSource source;
    source.cancel();
    const QFuture<bool> sleep = clock.sleep(5s, source.token());
    ASSERT_TRUE(sleep.isFinished());
    EXPECT_FALSE(sleep.result());
    EXPECT_EQ(clock.pendingSleeps(), 0);
}

TEST(TimerScheduler, ElapsesCancelsFromAnotherThreadAndFinishesPendingSleepsOnDestruction)
{
    auto scheduler = std::make_unique<TimerScheduler>();
    CancelSource source;
    const QFuture<bool> shortSleep = scheduler->sleep(20ms, source.token());
    const QFuture<bool> cancelled = scheduler->sleep(1h, source.token());
    const QFuture<bool> orphaned = scheduler->sleep(1h, CancelToken());

    ASSERT_TRUE(QTest::qWaitFor([&] { return shortSleep.isFinished(); }, 10000));
    EXPECT_TRUE(shortSleep.result());
    EXPECT_FALSE(cancelled.isFinished());

    std::thread([&] { source.cancel(); }).join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return cancelled.isFinished(); }, 10000));
    EXPECT_FALSE(cancelled.result());
    EXPECT_EQ(scheduler->pendingCount(), 1);

    scheduler.reset();
    ASSERT_TRUE(orphaned.isFinished());
    EXPECT_FALSE(orphaned.result());
}
