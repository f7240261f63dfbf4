#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <optional>
#include <sys/types.h>

class QLocalSocket;

namespace ostrevin {

/// One Ostrevin per user: two copies would drive the same iPhone and overwrite
/// each other's saved lists. The first copy holds a lock in the data folder and
/// listens on a local socket; a later launch finds the lock taken, asks the
/// running copy through the socket to bring its window forward, and ends.
///
/// The locks are the system's locks on files, which end with the process that
/// holds them however that process ends: a copy that crashed blocks nothing, and
/// nothing is written or flushed to disk to take them. Earlier versions' lock files
/// (Qt's) take the same system lock, so either kind of copy sees the other, and the
/// file goes with the copy that quits, as theirs does, while it is still the file
/// this copy locked. A second lock beside the socket decides which copy listens,
/// so that a data folder that cannot hold a lock, or whose lock file a user
/// removed, still lets in only one.
class SingleInstance final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleInstance)

public:
    /// How long a later launch keeps trying to reach a running copy that is still
    /// starting (it holds the lock but does not listen yet), and waits for its answer.
    static constexpr int handOverTimeoutMs = 10000;

    explicit SingleInstance(const QString& dataDirectory, QObject* parent = nullptr);
    ~SingleInstance() override;

    /// Takes the locks and listens for later launches; false when another copy holds
    /// the data folder's lock or the socket's, having let go of what it took. Only
    /// when the data folder's lock cannot be taken at all (a warning) does a copy
    /// listening on the socket without its lock keep this one out. Call once.
    bool claim();
    /// Asks the copy that holds the lock to come forward; handOverFinished()
    /// follows, with whether it answered.
    void askRunningCopyToComeForward();

    /// Where copies using this data folder meet: one socket per data folder, in
    /// the user's runtime folder (a socket path has a short length limit) when only
    /// they can enter it, else in a folder of the user's own in the temporary folder
    /// (made when missing).
    /// None, with why in problem, when the user has no such folder: copies then
    /// meet nowhere rather than where another user could listen.
    static std::optional<QString> serverName(const QString& dataDirectory, QString* problem = nullptr);

signals:
    /// A later launch asked this copy to show its window.
    void comeForwardRequested();
    void handOverFinished(bool answered);

private:
    void acceptLaunch();
    /// Answers a launch that asks in time; one that stays silent is dropped.
    void hear(QLocalSocket* socket);
    void tryToReachRunningCopy();
    enum class HandOver { answered, unanswered };
    void finishHandOver(HandOver outcome);

    /// A file this copy made or locked, open while it holds it, and which of the
    /// files the path may name over time is this copy's.
    struct OwnFile {
        QString path;
        int descriptor = -1;
        dev_t device = 0;
        ino_t inode = 0;
    };
    enum class Lock { taken, heldByAnother, unavailable };
    /// Holds the system's lock on the file until it is released.
    static Lock takeLock(OwnFile& lock);
    /// Closes the file, and removes it while the path still names it.
    static void release(OwnFile& file);
    bool runningCopyListens() const;
    /// The reason when later launches cannot reach this copy.
    std::optional<QString> listen();

    std::optional<QString> m_serverName;
    QString m_noServer;
    OwnFile m_dataLock;
    OwnFile m_socketLock;
    OwnFile m_socket;
    QSocketNotifier m_launches{QSocketNotifier::Read};
    QTimer m_acceptRetry;
    bool m_shortOfDescriptors = false;
    QList<QLocalSocket*> m_heard;
    QPointer<QLocalSocket> m_client;
    QTimer m_retry;
    QTimer m_handOverDeadline;
    bool m_handOverDone = false;
};

} // namespace ostrevin
