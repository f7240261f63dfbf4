#include "app/SingleInstance.h"

#include "app/AppLog.h"
#include "platform/AppPaths.h"
#include "platform/PrivateTempFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrevin {

namespace {

constexpr char comeForward[] = "come-forward\n";
constexpr char cameForward[] = "ok\n";
constexpr int retryIntervalMs = 100;

} // namespace

SingleInstance::SingleInstance(const QString& dataDirectory, QObject* parent)
    : QObject(parent), m_dataLock{QDir(dataDirectory).filePath(AppPaths::lockFileName())}
{
    m_serverName = serverName(dataDirectory, &m_noServer);
    if (m_serverName)
        m_socketLock.path = *m_serverName + u".lock";
    QDir().mkpath(dataDirectory);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptLaunch);
    m_retry.setInterval(retryIntervalMs);
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &SingleInstance::tryToReachRunningCopy);
    // Whatever listens may take the request and never answer (someone else's
    // listener): the launch still ends.
    m_handOverDeadline.setInterval(handOverTimeoutMs);
    m_handOverDeadline.setSingleShot(true);
    connect(&m_handOverDeadline, &QTimer::timeout, this, [this] { finishHandOver(HandOver::unanswered); });
}

SingleInstance::~SingleInstance()
{
    // Closing removes the socket file: while the locks are still held it is this
    // copy's, and not yet that of a copy launched as this one quits.
    m_server.close();
    release(m_socketLock);
    release(m_dataLock);
}

void SingleInstance::release(LockFile& lock)
{
    if (lock.descriptor < 0)
        return;
    // Removed while still held, so that no launch can take a lock on it any more.
    ::unlink(QFile::encodeName(lock.path).constData());
    ::close(lock.descriptor);
    lock.descriptor = -1;
}

std::optional<QString> SingleInstance::serverName(const QString& dataDirectory, QString* problem)
{
    const QByteArray key = QFileInfo(dataDirectory).absoluteFilePath().toUtf8();
    const QString name =
        u"ostrevin-" + QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(16));
    QString folder = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        // The temporary folder is everyone's: in a folder of this user's own, no other
        // user can listen where later launches look, nor hold the lock beside it.
        const PrivateTempFolder own = PrivateTempFolder::fromEnvironment();
        if (const std::optional<QString> unusable = own.prepare()) {
            if (problem)
                *problem = *unusable;
            return std::nullopt;
        }
        folder = own.path();
    }
    return QDir(folder).filePath(name);
}

SingleInstance::Lock SingleInstance::takeLock(LockFile& lock)
{
    const QByteArray path = QFile::encodeName(lock.path);
    // A copy that quits removes the file while it lets go: a lock taken on the file
    // it removed keeps out nobody, and the name is tried again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        // Close-on-exec: no tool this copy starts may hold the lock on after it.
        const int descriptor = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (descriptor < 0) {
            qCWarning(lcApp) << "the lock" << lock.path << "cannot be opened:" << qt_error_string(errno);
            return Lock::unavailable;
        }
        if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(descriptor);
            if (error == EWOULDBLOCK)
                return Lock::heldByAnother;
            // A file system without locks (an NFS home mounted nolock).
            qCWarning(lcApp) << "the lock" << lock.path << "cannot be taken:" << qt_error_string(error);
            return Lock::unavailable;
        }
        struct stat held {};
        struct stat named {};
        if (::fstat(descriptor, &held) == 0 && ::stat(path.constData(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino) {
            lock.descriptor = descriptor;
            return Lock::taken;
        }
        ::close(descriptor);
    }
    // Removed under this copy three times over: other copies are starting and quitting.
    return Lock::heldByAnother;
}

bool SingleInstance::runningCopyListens() const
{
    // A local socket connects or is refused at once: no wait, no event loop.
    QLocalSocket probe;
    probe.connectToServer(*m_serverName);
    return probe.state() != QLocalSocket::UnconnectedState;
}

bool SingleInstance::claim()
{
    // Only another copy keeps this one from starting. A data folder that cannot
    // hold the lock (a file in its place, a folder left by a run under sudo, a
    // read-only home) would otherwise keep the user out with no word of why; the
    // store tells what is wrong with the folder once the window is up.
    const Lock data = takeLock(m_dataLock);
    if (data == Lock::heldByAnother)
        return false;
    if (!m_serverName) {
        // Rather than a socket in the shared temporary folder, where another user
        // could listen in this copy's place: the data folder's lock alone keeps
        // a second copy out.
        qCWarning(lcApp) << "the only copy, but later launches cannot reach it to bring it forward:" << m_noServer;
        return true;
    }
    // Taken by the data lock's holder too, and whoever else holds it is a running
    // copy (the folder is this user's own): a launch still finds this copy once the
    // data folder no longer tells, its lock file or the whole folder removed by hand,
    // or replaced by a file, while this copy runs.
    const bool lockedOut = takeLock(m_socketLock) == Lock::heldByAnother;
    // A copy that holds neither lock may be running (an earlier version over a data
    // folder without a lock): it is asked to come forward rather than have its
    // socket taken over.
    const bool unlockedCopyListens = !lockedOut && data != Lock::taken && runningCopyListens();
    if (unlockedCopyListens)
        qCWarning(lcApp) << "no lock keeps a second copy out, but a copy listens on" << *m_serverName;
    if (lockedOut || unlockedCopyListens) {
        release(m_socketLock);
        release(m_dataLock);
        return false;
    }
    // What is left on the path is a crashed copy's socket or someone else's, and
    // listen() fails on either.
    QLocalServer::removeServer(*m_serverName);
    if (!m_server.listen(*m_serverName))
        qCWarning(lcApp) << "later launches cannot reach this copy:" << *m_serverName << m_server.errorString();
    else
        qCInfo(lcApp) << "the only copy; a later launch brings this window forward";
    return true;
}

void SingleInstance::acceptLaunch()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            if (socket->readLine() != comeForward) {
                socket->abort();
                return;
            }
            qCInfo(lcApp) << "a later launch brings this window forward";
            emit comeForwardRequested();
            socket->write(cameForward);
            socket->disconnectFromServer();
        });
    }
}

void SingleInstance::askRunningCopyToComeForward()
{
    if (!m_serverName) {
        qCWarning(lcApp) << "a running copy holds the data folder's lock, and no socket reaches it:" << m_noServer;
        // Queued: the launch ends through the event loop it is about to enter.
        QMetaObject::invokeMethod(
            this, [this] { finishHandOver(HandOver::unanswered); }, Qt::QueuedConnection);
        return;
    }
    m_handOverDeadline.start();
    tryToReachRunningCopy();
}

void SingleInstance::tryToReachRunningCopy()
{
    if (m_handOverDone)
        return;
    auto* socket = new QLocalSocket(this);
    m_client = socket;
    connect(socket, &QLocalSocket::connected, socket, [socket] { socket->write(comeForward); });
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (socket->canReadLine() && socket->readLine() == cameForward)
            finishHandOver(HandOver::answered);
    });
    connect(socket, &QLocalSocket::errorOccurred, this, [this, socket] {
        socket->deleteLater();
        if (m_handOverDone)
            return;
        // The running copy may still be starting: it holds the lock before it listens.
        m_retry.start();
    });
    socket->connectToServer(*m_serverName);
}

void SingleInstance::finishHandOver(HandOver outcome)
{
    const bool answered = outcome == HandOver::answered;
    if (m_handOverDone)
        return;
    m_handOverDone = true;
    m_retry.stop();
    m_handOverDeadline.stop();
    if (m_client)
        m_client->disconnectFromServer();
    emit handOverFinished(answered);
}

} // namespace ostrevin
