#include "async/WorkerPool.h"

#include <algorithm>

namespace ostrevin {

WorkerPool::WorkerPool(int threads, QObject* parent) : QObject(parent)
{
    m_pool.setObjectName(QStringLiteral("ostrevin-workers"));
    m_pool.setMaxThreadCount(std::max(threads, minimumThreads));
}

WorkerPool::~WorkerPool()
{
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
        for (const auto& job : m_jobs)
            job->stop.request_stop();
    }
    m_pool.waitForDone();
}

void WorkerPool::watchCancellation(const QFuture<void>& future, const std::shared_ptr<Job>& job)
{
    // QFuture offers no callback on cancel() other than a watcher's signal, which
    // needs this thread's event loop; off that thread only the token can stop.
    if (QThread::currentThread() != thread())
        return;
    auto* watcher = new QFutureWatcher<void>(this);
    std::weak_ptr<Job> weak = job;
    connect(watcher, &QFutureWatcherBase::canceled, watcher, [weak] {
        if (auto alive = weak.lock())
            alive->stop.request_stop();
    });
    connect(watcher, &QFutureWatcherBase::finished, watcher, &QObject::deleteLater);
    watcher->setFuture(future);
}

void WorkerPool::enqueue(QRunnable* runnable, const std::shared_ptr<Job>& job)
{
    {
        std::lock_guard lock(m_mutex);
        m_jobs.insert(job);
        if (m_closing)
            job->stop.request_stop();
    }
    runnable->setAutoDelete(true);
    m_pool.start(runnable);
}

void WorkerPool::release(const std::shared_ptr<Job>& job)
{
    std::lock_guard lock(m_mutex);
    m_jobs.erase(job);
}

} // namespace ostrevin
