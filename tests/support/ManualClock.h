#pragma once

#include "async/Clock.h"
#include "async/Scheduler.h"

#include <QPromise>
#include <list>
#include <memory>
#include <mutex>

namespace ostrevin::test {

/// A clock and scheduler that move only when the test says so.
///
///     ManualClock clock;
///     auto loop = watchLoop(owner, clock, token);
///     clock.advance(2s);   // wakes the sleeps due by then, in due order
///
/// advance() wakes the due sleeps one due time after the other and lets the woken
/// coroutines run (processing posted events) before the next, so a coroutine that
/// sleeps again within the span is woken in the same call. Both clocks move by the
/// same amount; setWallTime() moves the wall clock alone (a user changing the date).
class ManualClock final : public Clock, public Scheduler {
public:
    /// Starts at 2026-01-01 00:00:00 UTC and an arbitrary steady time.
    ManualClock();
    ~ManualClock() override;

    SteadyTime steadyNow() const override;
    QDateTime wallNow() const override;
    /// Cancellation may come from any thread; it finishes the sleep at once.
    QFuture<bool> sleep(std::chrono::milliseconds duration, const CancelToken& token) override;

    void advance(std::chrono::milliseconds span);
    void setWallTime(const QDateTime& utc);
    /// Sleeps neither elapsed nor cancelled.
    int pendingSleeps() const;

    /// Delivers posted events (future watchers, queued calls, deferred deletes) a few
    /// rounds, enough for a woken coroutine to reach its next suspension.
    static void runPostedEvents();

private:
    struct Sleep {
        SteadyTime due;
        QPromise<bool> promise;
        bool done = false;
        CancelRegistration cancelled;
    };
    static void finishLocked(Sleep& sleep, bool elapsed);

    mutable std::mutex m_mutex;
    SteadyTime m_steady;
    QDateTime m_wall;
    std::list<std::shared_ptr<Sleep>> m_sleeps;
};

} // namespace ostrevin::test
