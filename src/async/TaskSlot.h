#pragma once

#include "async/CancelSource.h"

#include <QCoro/QCoroTask>
#include <QFuture>
#include <memory>

namespace ostrevin {

/// Holds one background coroutine of an owner (the watch loop, a lookup, ...).
/// QCoro tasks cannot be cancelled, so each run gets a token: replace() cancels
/// the previous run and hands out the token for the next, and the coroutine
/// checks it after every co_await.
///
///     CancelToken token = m_watchSlot.replace();
///     m_watchSlot.adopt(watchLoop(QPointer(this), point, token));
///
/// Destroying the slot cancels its run; the coroutine itself finishes on its own
/// (it must not touch the slot). Use on one thread.
class TaskSlot {
public:
    TaskSlot() = default;
    TaskSlot(const TaskSlot&) = delete;
    TaskSlot& operator=(const TaskSlot&) = delete;
    ~TaskSlot();

    /// Cancels the current run and returns the token of the next one.
    CancelToken replace();
    /// Keeps track of the coroutine started with the token of the last replace().
    void adopt(QCoro::Task<> task);
    /// Cancels the current run (if any) and empties the slot. Returns when that
    /// run finishes, like whenFinished() before the call.
    QFuture<void> cancel();

    /// A run was adopted and has not finished yet (cancelled or not).
    bool isRunning() const;
    /// Finishes when the adopted run finishes; already finished when there is none.
    QFuture<void> whenFinished() const;

private:
    struct Run;
    static QCoro::Task<> track(QCoro::Task<> task, std::shared_ptr<Run> run);

    CancelSource m_source;
    std::shared_ptr<Run> m_run;
};

} // namespace ostrevin
