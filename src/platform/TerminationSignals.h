#pragma once

#include <QObject>
#include <memory>

class QSocketNotifier;

namespace ostrevin {

/// Turns SIGTERM, SIGINT and SIGHUP into a signal on the GUI thread, so that a
/// logout, Ctrl+C in a terminal or `kill` ends the run through the same orderly
/// quit as the menu (the owned device tools are ended, nothing is reported as an
/// interruption). The handler only writes the signal number into a pipe; the
/// rest happens in the event loop. One instance per process; the previous
/// handlers come back when it is destroyed.
class TerminationSignals : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TerminationSignals)

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    /// False when the pipe or the handlers could not be set up (the default
    /// dispositions then stay, and such a signal ends the process at once).
    bool isActive() const { return m_active; }

signals:
    /// One emission per signal received, with its number.
    void received(int signalNumber);

private:
    void drain();

    bool m_active = false;
    int m_readEnd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace ostrevin
