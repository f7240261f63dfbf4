#include "async/TaskSlot.h"

#include "async/ReadyFuture.h"

#include <QPromise>
#include <QtDebug>
#include <exception>

namespace ostrevin {

struct TaskSlot::Run {
    QPromise<void> finished;
    bool done = false;
};

TaskSlot::~TaskSlot()
{
    m_source.cancel();
}

CancelToken TaskSlot::replace()
{
    m_source.cancel();
    m_source = CancelSource();
    m_run.reset();
    return m_source.token();
}

void TaskSlot::adopt(QCoro::Task<> task)
{
    auto run = std::make_shared<Run>();
    run->finished.start();
    m_run = run;
    // The tracking coroutine owns the task and the record, never the slot, so the
    // slot may go away first.
    track(std::move(task), std::move(run));
}

QFuture<void> TaskSlot::cancel()
{
    QFuture<void> finished = whenFinished();
    m_source.cancel();
    m_run.reset();
    return finished;
}

bool TaskSlot::isRunning() const
{
    return m_run && !m_run->done;
}

QFuture<void> TaskSlot::whenFinished() const
{
    if (!m_run)
        return readyFuture();
    return m_run->finished.future();
}

QCoro::Task<> TaskSlot::track(QCoro::Task<> task, std::shared_ptr<Run> run)
{
    try {
        co_await task;
    } catch (const std::exception& e) {
        // The owners' coroutines handle their own failures; one that escapes is a bug.
        qCritical("A background task ended with an uncaught error: %s", e.what());
    } catch (...) {
        qCritical("A background task ended with an uncaught error");
    }
    run->done = true;
    run->finished.finish();
}

} // namespace ostrevin
