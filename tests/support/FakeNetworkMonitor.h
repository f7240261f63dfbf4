#pragma once

#include "platform/NetworkMonitor.h"

#include <atomic>

namespace ostrevin::test {

/// A monitor the test drives. report() may be called from any thread, as the
/// system's monitors report from theirs; while stopped, reports are dropped.
class FakeNetworkMonitor final : public NetworkMonitor {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FakeNetworkMonitor)

public:
    /// initiallyOnline: what start() reports.
    explicit FakeNetworkMonitor(bool initiallyOnline = true, QObject* parent = nullptr)
        : NetworkMonitor(parent), m_initiallyOnline(initiallyOnline)
    {
    }

    void start() override
    {
        m_running = true;
        ++m_starts;
        emit reachabilityReported(m_initiallyOnline);
    }
    void stop() override { m_running = false; }

    void report(bool online)
    {
        if (m_running)
            emit reachabilityReported(online);
    }

    bool isRunning() const { return m_running; }
    int starts() const { return m_starts; }

private:
    bool m_initiallyOnline;
    std::atomic<bool> m_running = false;
    std::atomic<int> m_starts = 0;
};

} // namespace ostrevin::test
