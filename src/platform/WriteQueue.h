#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace ostrevin {

/// Runs writes on a thread of its own, one at a time, in the order they were
/// posted, so the thread that posts them never waits on the disk.
/// A queue that goes while writes remain does not wait for them: its thread
/// finishes them on its own (a hung disk must not hold the owner forever), so
/// an owner that wants them done waits first, within its bound.
/// Posted to and waited on from one thread; a job may hold the queue's owner.
class WriteQueue {
public:
    /// How long an owner that goes waits for its writes (as quit does for the
    /// data files): past it the disk is taken to hang.
    static constexpr std::chrono::milliseconds ownerBound{3000};

    WriteQueue();
    ~WriteQueue();
    WriteQueue(const WriteQueue&) = delete;
    WriteQueue& operator=(const WriteQueue&) = delete;

    /// job must not throw; it runs after every job posted before it.
    void post(std::function<void()> job);
    /// Blocks until every job posted so far has run, at most timeout
    /// (milliseconds::max(): without a bound); false when some still wait or run.
    bool waitForDone(std::chrono::milliseconds timeout);

private:
    struct State;
    /// Shared with the thread, which may outlive the queue.
    std::shared_ptr<State> m_state;
    std::thread m_thread;
};

} // namespace ostrevin
