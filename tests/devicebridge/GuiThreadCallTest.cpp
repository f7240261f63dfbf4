#include "devicebridge/GuiThreadCall.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <memory>

using namespace ostrevin;

namespace {

// Spins the test thread's event loop until the future is ready (or 10 s pass).
template <typename T> bool processEventsUntilReady(std::future<T>& future)
{
    QDeadlineTimer deadline(10000);
    while (future.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents();
    }
    return true;
}

} // namespace

TEST(GuiThreadCall, RunsOnTheContextThreadAndWaitsForIt)
{
    QObject context;
    std::stop_source stop;
    std::atomic<QThread*> ranOn{nullptr};
    auto done = std::async(std::launch::async, [&] {
        return callOnThreadOf(
            &context, [&] { ranOn = QThread::currentThread(); }, stop.get_token());
    });
    ASSERT_TRUE(processEventsUntilReady(done));
    EXPECT_TRUE(done.get());
    EXPECT_EQ(ranOn.load(), QThread::currentThread());
}

TEST(GuiThreadCall, AnExceptionOfTheCallReachesTheWorker)
{
    QObject context;
    std::stop_source stop;
    auto done = std::async(std::launch::async, [&] {
        return callOnThreadOf(
            &context, [] { throw std::runtime_error("refused"); }, stop.get_token());
    });
    ASSERT_TRUE(processEventsUntilReady(done));
    EXPECT_THROW(done.get(), std::runtime_error);
}

// The GUI thread is busy (it does not process events): a stop request must free
// the worker, and the abandoned call must never run afterwards.
TEST(GuiThreadCall, AStopRequestEndsTheWaitAndTheCallNeverRuns)
{
    enum class Ending { StopWhileWaiting, StopBeforeCalling, ContextDestroyed };
    for (const Ending ending : {Ending::StopWhileWaiting, Ending::StopBeforeCalling, Ending::ContextDestroyed}) {
        auto context = std::make_unique<QObject>();
        std::stop_source stop;
        if (ending == Ending::StopBeforeCalling)
            stop.request_stop();
        std::atomic<bool> ran{false};
        auto done = std::async(std::launch::async, [&, target = context.get()] {
            return callOnThreadOf(
                target, [&] { ran = true; }, stop.get_token());
        });
        if (ending == Ending::StopWhileWaiting) {
            QThread::msleep(100);
            stop.request_stop();
        } else if (ending == Ending::ContextDestroyed) {
            QThread::msleep(100);
            context.reset();
        }
        ASSERT_EQ(done.wait_for(std::chrono::seconds(10)), std::future_status::ready) << int(ending);
        EXPECT_FALSE(done.get()) << int(ending);
        QCoreApplication::processEvents();
        EXPECT_FALSE(ran.load()) << int(ending);
    }
}
