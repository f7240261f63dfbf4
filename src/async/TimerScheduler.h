#pragma once

#include "async/Scheduler.h"

#include <QObject>
#include <map>
#include <memory>

namespace ostrevin {

/// The real scheduler: one precise timer per sleep on the thread the scheduler
/// lives on. A cancellation from any thread is handed to that thread, so
/// timers and promises are only ever touched there.
class TimerScheduler final : public QObject, public Scheduler {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TimerScheduler)

public:
    explicit TimerScheduler(QObject* parent = nullptr);
    /// Pending sleeps finish with false.
    ~TimerScheduler() override;

    QFuture<bool> sleep(std::chrono::milliseconds duration, const CancelToken& token) override;

    /// Sleeps not yet finished.
    int pendingCount() const { return static_cast<int>(m_sleeps.size()); }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    struct Sleep;
    enum class SleepEnd { elapsed, cancelled };
    void finish(quint64 id, SleepEnd end);

    // Keyed by an id of our own: a queued cancellation may arrive after its timer
    // id was handed out again.
    std::map<quint64, std::unique_ptr<Sleep>> m_sleeps;
    std::map<int, quint64> m_byTimer;
    quint64 m_nextId = 1;
};

} // namespace ostrevin
