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
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

namespace ostrevin {

namespace {

constexpr char comeForward[] = "come-forward\n";
constexpr char cameForward[] = "ok\n";
constexpr int retryIntervalMs = 100;
constexpr int acceptRetryIntervalMs = 250;
// Whatever connects and says nothing costs a descriptor for as long as it stays: a
// few such are kept, each only briefly, and the kernel keeps a few more waiting.
constexpr int heardAtOnce = 4;
constexpr int waitingToBeHeard = 4;
constexpr int silenceMs = 1000;
// However many wait, the window's events come in between.
constexpr int acceptsPerTurn = 16;

/// Whether the peer's request is there to read already (left unread).
bool asksAlready(int descriptor)
{
    char said[sizeof comeForward - 1];
    return ::recv(descriptor, said, sizeof said, MSG_PEEK | MSG_DONTWAIT) == static_cast<ssize_t>(sizeof said) &&
           std::memcmp(said, comeForward, sizeof said) == 0;
}

} // namespace

SingleInstance::SingleInstance(const QString& dataDirectory, QObject* parent)
    : QObject(parent), m_dataLock{QDir(dataDirectory).filePath(AppPaths::lockFileName())}
{
    m_serverName = serverName(dataDirectory, &m_noServer);
    if (m_serverName) {
        m_socketLock.path = *m_serverName + u".lock";
        m_socket.path = *m_serverName;
    }
    QDir().mkpath(dataDirectory);
    connect(&m_launches, &QSocketNotifier::activated, this, &SingleInstance::acceptLaunch);
    m_acceptRetry.setInterval(acceptRetryIntervalMs);
    m_acceptRetry.setSingleShot(true);
    connect(&m_acceptRetry, &QTimer::timeout, this, &SingleInstance::acceptLaunch);
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
    // The socket goes while its lock is still held: no later copy can have put its
    // own there since, unless someone removed the lock file too.
    m_launches.setEnabled(false);
    m_acceptRetry.stop();
    for (QLocalSocket* launch : std::exchange(m_heard, {}))
        delete launch;
    release(m_socket);
    release(m_socketLock);
    release(m_dataLock);
}

void SingleInstance::release(OwnFile& file)
{
    if (file.descriptor < 0)
        return;
    // A user may have removed the file (a stale lock, as they take it) and a later
    // copy put its own in its place: that one stays. A lock file goes while still
    // held, so that no launch can take a lock on it any more.
    const QByteArray path = QFile::encodeName(file.path);
    struct stat named {};
    if (::lstat(path.constData(), &named) == 0 && named.st_dev == file.device && named.st_ino == file.inode)
        ::unlink(path.constData());
    ::close(file.descriptor);
    file.descriptor = -1;
}

std::optional<QString> SingleInstance::serverName(const QString& dataDirectory, QString* problem)
{
    const QByteArray key = QFileInfo(dataDirectory).absoluteFilePath().toUtf8();
    const QString name =
        u"ostrevin-" + QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(16));
    QString folder = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    // Whoever else can write in the runtime folder could hold the socket's lock there
    // and answer in this copy's place: every launch would end as handed over, with no
    // copy running.
    const std::optional<QString> runtimeNotOwn =
        folder.isEmpty() ? std::nullopt : PrivateTempFolder::notOwnOnly(folder);
    if (runtimeNotOwn)
        qCWarning(lcApp) << "copies do not meet in the runtime folder:" << *runtimeNotOwn;
    if (folder.isEmpty() || runtimeNotOwn) {
        // The temporary folder is everyone's: in a folder of this user's own, no other
        // user can listen where later launches look, nor hold the lock beside it.
        const PrivateTempFolder own = PrivateTempFolder::fromTmpdir();
        if (const std::optional<QString> unusable = own.prepare()) {
            if (problem)
                *problem = *unusable;
            return std::nullopt;
        }
        folder = own.path();
    }
    return QDir(folder).filePath(name);
}

SingleInstance::Lock SingleInstance::takeLock(OwnFile& lock)
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
            lock.device = held.st_dev;
            lock.inode = held.st_ino;
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
    if (const std::optional<QString> failure = listen())
        qCWarning(lcApp) << "later launches cannot reach this copy:" << *m_serverName << *failure;
    else
        qCInfo(lcApp) << "the only copy; a later launch brings this window forward";
    return true;
}

std::optional<QString> SingleInstance::listen()
{
    // Not QLocalServer: it removes whatever the path names when it closes, a later
    // copy's socket too once a user has removed this copy's lock files.
    const QByteArray path = QFile::encodeName(m_socket.path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (static_cast<std::size_t>(path.size()) >= sizeof(address.sun_path))
        return QStringLiteral("the path is too long for a socket");
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (descriptor < 0)
        return qt_error_string(errno);
    // What is left on the path is a crashed copy's socket or someone else's: this
    // copy holds the lock beside it.
    ::unlink(path.constData());
    struct stat bound {};
    if (::bind(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        ::lstat(path.constData(), &bound) != 0) {
        const QString error = qt_error_string(errno);
        ::close(descriptor);
        return error;
    }
    m_socket.descriptor = descriptor;
    m_socket.device = bound.st_dev;
    m_socket.inode = bound.st_ino;
    if (::chmod(path.constData(), 0600) != 0 || ::listen(descriptor, waitingToBeHeard) != 0) {
        const QString error = qt_error_string(errno);
        release(m_socket);
        return error;
    }
    m_launches.setSocket(descriptor);
    m_launches.setEnabled(true);
    return std::nullopt;
}

void SingleInstance::acceptLaunch()
{
    for (int accepted = 0; accepted < acceptsPerTurn; ++accepted) {
        const int descriptor = ::accept4(m_socket.descriptor, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (descriptor < 0) {
            const int error = errno;
            if (error == EINTR || error == ECONNABORTED)
                continue;
            if (error == EAGAIN || error == EWOULDBLOCK) {
                if (std::exchange(m_shortOfDescriptors, false))
                    qCInfo(lcApp) << "later launches reach this copy again";
                m_launches.setEnabled(true);
                return;
            }
            // Either way the launch stays queued and the notifier would fire for ever.
            m_launches.setEnabled(false);
            if (error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM) {
                // Descriptors or memory come free again as this copy or others close
                // what they hold: the launch waits for them, and the next with it.
                if (!std::exchange(m_shortOfDescriptors, true))
                    qCWarning(lcApp) << "a later launch waits until this copy can take it:" << qt_error_string(error);
                m_acceptRetry.start();
            } else {
                qCWarning(lcApp) << "later launches cannot reach this copy any more:" << qt_error_string(error);
            }
            return;
        }
        // A launch asks as soon as it is connected, and one dropped before it could
        // tries again: a crowd that says nothing costs no more than a few at a time.
        if (m_heard.size() >= heardAtOnce && !asksAlready(descriptor)) {
            ::close(descriptor);
            continue;
        }
        auto* socket = new QLocalSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            // Qt leaves a descriptor it could not take to its caller.
            delete socket;
            ::close(descriptor);
            continue;
        }
        hear(socket);
    }
    // More wait: they are taken at the next turn, after the window's events.
    m_launches.setEnabled(true);
}

void SingleInstance::hear(QLocalSocket* socket)
{
    m_heard.append(socket);
    const auto end = [this, socket] {
        if (m_heard.removeOne(socket))
            socket->deleteLater();
    };
    const auto drop = [socket, end] {
        socket->abort();
        end();
    };
    auto* silence = new QTimer(socket);
    silence->setSingleShot(true);
    connect(silence, &QTimer::timeout, socket, drop);
    silence->start(silenceMs);
    connect(socket, &QLocalSocket::disconnected, this, end);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, silence, drop] {
        if (!socket->canReadLine())
            return;
        silence->stop();
        if (socket->readLine() != comeForward) {
            drop();
            return;
        }
        qCInfo(lcApp) << "a later launch brings this window forward";
        emit comeForwardRequested();
        socket->write(cameForward);
        socket->disconnectFromServer();
    });
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
