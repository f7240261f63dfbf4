#pragma once

#include <QObject>

namespace ostrevin {

/// Tells whether the machine can reach the internet. After start() it reports the
/// current state once and then every change the system reports (repeats
/// included: receivers compare with what they know). The report may come from
/// another thread; connect with a receiver context so it arrives on the receiver's.
class NetworkMonitor : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NetworkMonitor)

public:
    using QObject::QObject;
    ~NetworkMonitor() override = default;

    virtual void start() = 0;
    /// No reports after this returns (on the monitor's thread).
    virtual void stop() = 0;

signals:
    void reachabilityReported(bool online);
};

} // namespace ostrevin
