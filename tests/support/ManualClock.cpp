#include "support/ManualClock.h"

#include "async/ReadyFuture.h"

#include <QCoreApplication>
#include <QEvent>
#include <algorithm>

namespace ostrevin::test {

ManualClock::ManualClock()
    : m_steady(std::chrono::hours(1000)), m_wall(QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC))
{
}

ManualClock::~ManualClock()
{
    std::list<std::shared_ptr<Sleep>> sleeps;
    {
        std::lock_guard lock(m_mutex);
        sleeps.swap(m_sleeps);
    }
    // Unregister outside the lock: a callback running on another thread needs it.
    for (auto& sleep : sleeps)
        sleep->cancelled.reset();
    std::lock_guard lock(m_mutex);
    for (auto& sleep : sleeps)
        finishLocked(*sleep, false);
}

Clock::SteadyTime ManualClock::steadyNow() const
{
    std::lock_guard lock(m_mutex);
    return m_steady;
}

QDateTime ManualClock::wallNow() const
{
    std::lock_guard lock(m_mutex);
    return m_wall;
}

QFuture<bool> ManualClock::sleep(std::chrono::milliseconds duration, const CancelToken& token)
{
    if (token.isCancelled())
        return readyFuture(false);
    auto sleep = std::make_shared<Sleep>();
    sleep->promise.start();
    QFuture<bool> future = sleep->promise.future();
    {
        std::lock_guard lock(m_mutex);
        sleep->due = m_steady + std::max(duration, std::chrono::milliseconds(0));
        m_sleeps.push_back(sleep);
    }
    std::weak_ptr<Sleep> weak = sleep;
    sleep->cancelled = token.onCancel([this, weak] {
        std::lock_guard lock(m_mutex);
        if (auto alive = weak.lock())
            finishLocked(*alive, false);
    });
    return future;
}

void ManualClock::advance(std::chrono::milliseconds span)
{
    SteadyTime target;
    {
        std::lock_guard lock(m_mutex);
        target = m_steady + span;
    }
    for (;;) {
        std::shared_ptr<Sleep> next;
        {
            std::lock_guard lock(m_mutex);
            m_sleeps.remove_if([](const auto& s) { return s->done; });
            // The earliest due time wins; among equal ones the first registered.
            for (const auto& s : m_sleeps) {
                if (s->due <= target && (!next || s->due < next->due))
                    next = s;
            }
            if (!next)
                break;
            m_wall =
                m_wall.addMSecs(std::chrono::duration_cast<std::chrono::milliseconds>(next->due - m_steady).count());
            m_steady = std::max(m_steady, next->due);
            finishLocked(*next, true);
        }
        next->cancelled.reset();
        runPostedEvents();
    }
    {
        std::lock_guard lock(m_mutex);
        m_wall = m_wall.addMSecs(std::chrono::duration_cast<std::chrono::milliseconds>(target - m_steady).count());
        m_steady = target;
    }
    runPostedEvents();
}

void ManualClock::setWallTime(const QDateTime& utc)
{
    std::lock_guard lock(m_mutex);
    m_wall = utc;
}

int ManualClock::pendingSleeps() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(std::count_if(m_sleeps.begin(), m_sleeps.end(), [](const auto& s) { return !s->done; }));
}

void ManualClock::runPostedEvents()
{
    for (int round = 0; round < 8; ++round) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

void ManualClock::finishLocked(Sleep& sleep, bool elapsed)
{
    if (sleep.done)
        return;
    sleep.done = true;
    sleep.promise.addResult(elapsed);
    sleep.promise.finish();
}

} // namespace ostrevin::test
