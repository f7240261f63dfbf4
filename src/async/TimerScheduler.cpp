#include "async/TimerScheduler.h"

#include "async/ReadyFuture.h"

#include <QPromise>
#include <QTimerEvent>
#include <algorithm>

namespace ostrevin {

struct TimerScheduler::Sleep {
    QPromise<bool> promise;
    int timerId = 0;
    CancelRegistration cancelled;
};

TimerScheduler::TimerScheduler(QObject* parent) : QObject(parent)
{
}

TimerScheduler::~TimerScheduler()
{
    // Unregister every callback first (waiting for one running on another thread),
    // so none can queue work for this object once it is gone.
    for (auto& [id, sleep] : m_sleeps)
        sleep->cancelled.reset();
    while (!m_sleeps.empty())
        finish(m_sleeps.begin()->first, SleepEnd::cancelled);
}

QFuture<bool> TimerScheduler::sleep(std::chrono::milliseconds duration, const CancelToken& token)
{
    if (token.isCancelled())
        return readyFuture(false);

    const quint64 id = m_nextId++;
    auto sleep = std::make_unique<Sleep>();
    sleep->promise.start();
    QFuture<bool> future = sleep->promise.future();

    sleep->timerId = startTimer(std::max(duration, std::chrono::milliseconds(0)), Qt::PreciseTimer);
    m_byTimer.emplace(sleep->timerId, id);

    Sleep* raw = sleep.get();
    m_sleeps.emplace(id, std::move(sleep));
    // Registered last: a token cancelled in the meantime calls back right here,
    // and the queued finish then finds the entry.
    raw->cancelled = token.onCancel([this, id] {
        QMetaObject::invokeMethod(
            this, [this, id] { finish(id, SleepEnd::cancelled); }, Qt::QueuedConnection);
    });
    return future;
}

void TimerScheduler::timerEvent(QTimerEvent* event)
{
    const auto it = m_byTimer.find(event->timerId());
    if (it == m_byTimer.end()) {
        QObject::timerEvent(event);
        return;
    }
    finish(it->second, SleepEnd::elapsed);
}

void TimerScheduler::finish(quint64 id, SleepEnd end)
{
    auto it = m_sleeps.find(id);
    if (it == m_sleeps.end())
        return;
    std::unique_ptr<Sleep> sleep = std::move(it->second);
    m_sleeps.erase(it);
    m_byTimer.erase(sleep->timerId);
    killTimer(sleep->timerId);
    sleep->promise.addResult(end == SleepEnd::elapsed);
    sleep->promise.finish();
    // Dropping the registration here is safe: this runs on the scheduler's thread,
    // never inside the cancellation callback itself.
}

} // namespace ostrevin
