#include "async/WorkerPool.h"

#include "async/CancelSource.h"

#include <QCoro/QCoroFuture>
#include <QException>
#include <QTest>
#include <atomic>
#include <condition_variable>
#include <gtest/gtest.h>
#include <latch>
#include <memory>
#include <mutex>
#include <thread>

using namespace ostrevin;
using namespace std::chrono_literals;

namespace {

// A typed error as the device layer defines them.
class ToolError : public QException {
public:
    ToolError(int code, QString text) : m_code(code), m_text(std::move(text)) {}
    void raise() const override { throw *this; }
    ToolError* clone() const override { return new ToolError(*this); }
    int code() const { return m_code; }
    QString description() const { return m_text; }

private:
    int m_code;
    QString m_text;
};

// Blocks until a stop is requested; answers how it ended.
QString waitForStop(std::stop_token stop)
{
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    const bool stopped = wake.wait_for(lock, stop, 60s, [] { return false; }) || stop.stop_requested();
    return stopped ? QStringLiteral("stopped") : QStringLiteral("timed out");
}

struct Outcome {
    bool done = false;
    int code = 0;
    QString description;
    QString other;
    bool resumedOnGuiThread = false;
};

QCoro::Task<> awaitTool(WorkerPool& pool, std::shared_ptr<Outcome> outcome)
{
    try {
        co_await pool.run([](std::stop_token) -> int { throw ToolError(7, QStringLiteral("The iPhone is locked.")); });
        outcome->other = QStringLiteral("no error");
    } catch (const ToolError& error) {
        outcome->code = error.code();
        outcome->description = error.description();
    } catch (const std::exception& error) {
        outcome->other = QString::fromUtf8(error.what());
    }
    outcome->resumedOnGuiThread = QThread::currentThread() == qApp->thread();
    outcome->done = true;
}

} // namespace

TEST(WorkerPool, ATypedErrorReachesTheAwaitOnTheGuiThreadAsTheSameType)
{
    WorkerPool pool;
    auto outcome = std::make_shared<Outcome>();
    awaitTool(pool, outcome);
    ASSERT_TRUE(QTest::qWaitFor([&] { return outcome->done; }, 30000));
    EXPECT_EQ(outcome->other, QString());
    EXPECT_EQ(outcome->code, 7);
    EXPECT_EQ(outcome->description, QStringLiteral("The iPhone is locked."));
    EXPECT_TRUE(outcome->resumedOnGuiThread);
}

TEST(WorkerPool, TheTokenTheFutureAndThePoolsEndEachRequestAStop)
{
    auto pool = std::make_unique<WorkerPool>();
    CancelSource source;
    QFuture<QString> byToken = pool->run(source.token(), waitForStop);
    std::atomic<bool> futureStopped = false;
    QFuture<void> byFuture = pool->run([&](std::stop_token stop) { futureStopped = waitForStop(stop) == u"stopped"; });
    std::atomic<bool> atShutdown = false;
    pool->run([&](std::stop_token stop) { atShutdown = waitForStop(stop) == u"stopped"; });

    source.cancel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return byToken.isFinished(); }, 30000));
    EXPECT_EQ(byToken.result(), QStringLiteral("stopped"));

    // A cancelled future carries no result; the operation must still have been told.
    byFuture.cancel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !byFuture.isRunning(); }, 30000));
    EXPECT_TRUE(futureStopped.load());

    pool.reset();
    EXPECT_TRUE(atShutdown.load());
}

TEST(WorkerPool, RunsAtLeastEightOperationsAtOnce)
{
    WorkerPool pool(2);
    EXPECT_GE(pool.maxThreadCount(), WorkerPool::minimumThreads);
    std::latch allStarted(WorkerPool::minimumThreads);
    std::atomic<int> met = 0;
    for (int i = 0; i < WorkerPool::minimumThreads; ++i) {
        pool.run([&](std::stop_token) {
            allStarted.count_down();
            // Counts only when every operation runs at the same time.
            const auto deadline = std::chrono::steady_clock::now() + 60s;
            while (!allStarted.try_wait() && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(1ms);
            if (allStarted.try_wait())
                ++met;
        });
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return met.load() == WorkerPool::minimumThreads; }, 90000));
}
