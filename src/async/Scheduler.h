#pragma once

#include "async/CancelToken.h"

#include <QFuture>
#include <chrono>

namespace ostrevin {

/// Sleeps for coroutines on the GUI thread: `co_await scheduler.sleep(2s, token)`.
/// Injected so tests can move time forward themselves.
class Scheduler {
public:
    Scheduler() = default;
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;
    virtual ~Scheduler() = default;

    /// A future that finishes with true once `duration` has passed, or with false as
    /// soon as `token` is cancelled or the scheduler is destroyed. It always carries
    /// a result and is never cancelled itself, so awaiting it is always safe. A token
    /// that is already cancelled gives a finished future (false) at once. Call it on
    /// the scheduler's thread.
    virtual QFuture<bool> sleep(std::chrono::milliseconds duration, const CancelToken& token) = 0;
};

} // namespace ostrevin
