#pragma once

#include <QElapsedTimer>
#include <QLocalServer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>

class QLocalSocket;

namespace ostrevin {

/// One Ostrevin per user: two copies would drive the same iPhone and overwrite
/// each other's saved lists. The first copy holds a lock in the data folder and
/// listens on a local socket; a later launch finds the lock taken, asks the
/// running copy through the socket to bring its window forward, and ends.
///
/// The lock is the system's lock on a file, which ends with the process that holds
/// it however that process ends: a copy that crashed blocks nothing, and nothing
/// is written or flushed to disk to take it. Earlier versions' lock files (Qt's)
/// take the same system lock, so either kind of copy sees the other, and the file
/// goes with the copy that quits, as theirs does.
class SingleInstance final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleInstance)

public:
    /// How long a later launch keeps trying to reach a running copy that is still
    /// starting (it holds the lock but does not listen yet).
    static constexpr int handOverTimeoutMs = 10000;

    explicit SingleInstance(const QString& dataDirectory, QObject* parent = nullptr);
    ~SingleInstance() override;

    /// Takes the lock and listens for later launches; false only when another copy
    /// holds it (a lock that cannot be taken at all is a warning). Call once.
    bool claim();
    /// Asks the copy that holds the lock to come forward; handOverFinished()
    /// follows, with whether it answered.
    void askRunningCopyToComeForward();

    /// Where copies using this data folder meet: one socket per data folder, in
    /// the user's runtime folder (a socket path has a short length limit).
    static QString serverName(const QString& dataDirectory);

signals:
    /// A later launch asked this copy to show its window.
    void comeForwardRequested();
    void handOverFinished(bool answered);

private:
    void acceptLaunch();
    void tryToReachRunningCopy();
    enum class HandOver { answered, unanswered };
    void finishHandOver(HandOver outcome);

    enum class Lock { taken, heldByAnother, unavailable };
    /// Holds the system's lock on the lock file until this object goes.
    Lock takeLock();

    QString m_serverName;
    QString m_lockFile;
    int m_lockDescriptor = -1;
    QLocalServer m_server;
    QPointer<QLocalSocket> m_client;
    QTimer m_retry;
    QElapsedTimer m_handOverStarted;
    bool m_handOverDone = false;
};

} // namespace ostrevin
