#pragma once

#include "async/CancelToken.h"

#include <QException>
#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QPromise>
#include <QRunnable>
#include <QThread>
#include <QThreadPool>
#include <exception>
#include <memory>
#include <mutex>
#include <set>
#include <stop_token>
#include <type_traits>

namespace ostrevin {

/// The threads that run blocking device work. Each operation is a synchronous
/// function taking a std::stop_token; it is returned as a QFuture that a coroutine
/// on the GUI thread co_awaits. A stop is requested when the caller's token is
/// cancelled, when the future is cancelled, or when the pool is destroyed; the
/// operation decides how to wind down.
///
/// A typed error (derived from QException) thrown by the operation reaches the
/// co_await as the same type. Cancel through the token, not the future, when the
/// future is awaited: a cancelled QFuture carries no result.
///
/// The pool is dedicated so that long operations (a privileged start can hold the
/// device lock for minutes) never starve Qt's global pool.
class WorkerPool : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WorkerPool)

public:
    static constexpr int minimumThreads = 8;

    /// threads: at least minimumThreads.
    explicit WorkerPool(int threads = minimumThreads, QObject* parent = nullptr);
    /// Requests a stop of every operation and waits for them to return.
    ~WorkerPool() override;

    int maxThreadCount() const { return m_pool.maxThreadCount(); }

    /// Runs operation(std::stop_token) on a worker thread.
    template <typename Operation>
    auto run(const CancelToken& token, Operation operation)
        -> QFuture<std::invoke_result_t<Operation&, std::stop_token>>;

    template <typename Operation> auto run(Operation operation) { return run(CancelToken(), std::move(operation)); }

private:
    // The stop state of one operation, shared by the runnable, the future's
    // watcher and the pool (for its shutdown).
    struct Job {
        std::stop_source stop;
    };

    template <typename Result, typename Operation> class Runnable;

    void watchCancellation(const QFuture<void>& future, const std::shared_ptr<Job>& job);
    void enqueue(QRunnable* runnable, const std::shared_ptr<Job>& job);
    void release(const std::shared_ptr<Job>& job);

    QThreadPool m_pool;
    std::mutex m_mutex;
    std::set<std::shared_ptr<Job>> m_jobs;
    bool m_closing = false;
};

template <typename Result, typename Operation> class WorkerPool::Runnable final : public QRunnable {
public:
    Runnable(WorkerPool* pool, std::shared_ptr<Job> job, CancelToken token, Operation operation,
             std::shared_ptr<QPromise<Result>> promise)
        : m_pool(pool), m_job(std::move(job)), m_token(std::move(token)), m_operation(std::move(operation)),
          m_promise(std::move(promise))
    {
    }

    void run() override
    {
        {
            // The caller's token reaches the operation only while it runs.
            std::stop_callback link(m_token.stopToken(), [job = m_job.get()] { job->stop.request_stop(); });
            try {
                if constexpr (std::is_void_v<Result>) {
                    m_operation(m_job->stop.get_token());
                } else {
                    m_promise->addResult(m_operation(m_job->stop.get_token()));
                }
            } catch (const QException& error) {
                m_promise->setException(error);
            } catch (...) {
                m_promise->setException(std::current_exception());
            }
        }
        m_promise->finish();
        m_pool->release(m_job);
    }

private:
    WorkerPool* m_pool;
    std::shared_ptr<Job> m_job;
    CancelToken m_token;
    Operation m_operation;
    std::shared_ptr<QPromise<Result>> m_promise;
};

template <typename Operation>
auto WorkerPool::run(const CancelToken& token, Operation operation)
    -> QFuture<std::invoke_result_t<Operation&, std::stop_token>>
{
    using Result = std::invoke_result_t<Operation&, std::stop_token>;
    auto promise = std::make_shared<QPromise<Result>>();
    promise->start();
    QFuture<Result> future = promise->future();
    auto job = std::make_shared<Job>();
    watchCancellation(QFuture<void>(future), job);
    enqueue(new Runnable<Result, Operation>(this, job, token, std::move(operation), std::move(promise)), job);
    return future;
}

} // namespace ostrevin
