#include "platform/WriteQueue.h"

#include <condition_variable>
#include <deque>
#include <mutex>

namespace ostrevin {

struct WriteQueue::State {
    std::mutex mutex;
    std::condition_variable posted;
    std::condition_variable drained;
    std::deque<std::function<void()>> jobs;
    bool running = false;
    bool closing = false;

    bool idle() const { return jobs.empty() && !running; }

    void run()
    {
        std::unique_lock lock(mutex);
        for (;;) {
            posted.wait(lock, [this] { return closing || !jobs.empty(); });
            if (jobs.empty())
                return;
            std::function<void()> job = std::move(jobs.front());
            jobs.pop_front();
            running = true;
            lock.unlock();
            job();
            // What the job holds is released before anyone hears it is done.
            job = nullptr;
            lock.lock();
            running = false;
            if (jobs.empty())
                drained.notify_all();
        }
    }
};

WriteQueue::WriteQueue() : m_state(std::make_shared<State>())
{
}

WriteQueue::~WriteQueue()
{
    bool idle = false;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->closing = true;
        idle = m_state->idle();
    }
    m_state->posted.notify_all();
    if (!m_thread.joinable())
        return;
    // An idle thread ends at once; a busy one (or this one, when a job held
    // the queue's owner) keeps the state alive until its last job is done.
    if (idle && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
    else
        m_thread.detach();
}

void WriteQueue::post(std::function<void()> job)
{
    {
        std::lock_guard lock(m_state->mutex);
        m_state->jobs.push_back(std::move(job));
    }
    // Started with the first write: most stores are only read.
    if (!m_thread.joinable())
        m_thread = std::thread([state = m_state] { state->run(); });
    m_state->posted.notify_one();
}

bool WriteQueue::waitForDone(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_state->mutex);
    const auto done = [this] { return m_state->idle(); };
    if (timeout == std::chrono::milliseconds::max()) {
        m_state->drained.wait(lock, done);
        return true;
    }
    return m_state->drained.wait_for(lock, timeout, done);
}

} // namespace ostrevin
