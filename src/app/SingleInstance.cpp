#include "app/SingleInstance.h"

#include "app/AppLog.h"
#include "platform/AppPaths.h"

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
    : QObject(parent), m_serverName(serverName(dataDirectory)),
      m_lockFile(QDir(dataDirectory).filePath(AppPaths::lockFileName()))
{
    QDir().mkpath(dataDirectory);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptLaunch);
    m_retry.setInterval(retryIntervalMs);
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &SingleInstance::tryToReachRunningCopy);
}

SingleInstance::~SingleInstance()
{
    if (m_lockDescriptor < 0)
        return;
    // Removed while still held, so that no launch can take a lock on it any more.
    ::unlink(QFile::encodeName(m_lockFile).constData());
    ::close(m_lockDescriptor);
}

QString SingleInstance::serverName(const QString& dataDirectory)
{
    const QByteArray key = QFileInfo(dataDirectory).absoluteFilePath().toUtf8();
    const QString name =
        u"ostrevin-" + QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(16));
    QString folder = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::tempPath();
    return QDir(folder).filePath(name);
}

SingleInstance::Lock SingleInstance::takeLock()
{
    const QByteArray path = QFile::encodeName(m_lockFile);
    // A copy that quits removes the file while it lets go: a lock taken on the file
    // it removed keeps out nobody, and the name is tried again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        // Close-on-exec: no tool this copy starts may hold the lock on after it.
        const int descriptor = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (descriptor < 0) {
            qCWarning(lcApp) << "the lock" << m_lockFile
                             << "cannot be opened, so a second copy is not kept out:" << qt_error_string(errno);
            return Lock::unavailable;
        }
        if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            if (error == EWOULDBLOCK) {
                ::close(descriptor);
                return Lock::heldByAnother;
            }
            // A file system without locks (an NFS home mounted nolock): refusing to
            // start would shut the user out for good.
            qCWarning(lcApp) << "the lock" << m_lockFile
                             << "cannot be taken, so a second copy is not kept out:" << qt_error_string(error);
            m_lockDescriptor = descriptor;
            return Lock::taken;
        }
        struct stat held {};
        struct stat named {};
        if (::fstat(descriptor, &held) == 0 && ::stat(path.constData(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino) {
            m_lockDescriptor = descriptor;
            return Lock::taken;
        }
        ::close(descriptor);
    }
    // Removed under this copy three times over: other copies are starting and quitting.
    return Lock::heldByAnother;
}

bool SingleInstance::claim()
{
    // Only another copy's lock keeps this one from starting. A data folder that
    // cannot hold the lock (a file in its place, a folder left by a run under sudo,
    // a read-only home) would otherwise keep the user out with no word of why; the
    // store tells what is wrong with the folder once the window is up.
    if (takeLock() == Lock::heldByAnother)
        return false;
    // A crashed copy leaves its socket file behind, and listen() fails on it.
    QLocalServer::removeServer(m_serverName);
    if (!m_server.listen(m_serverName))
        qCWarning(lcApp) << "later launches cannot reach this copy:" << m_server.errorString();
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
    m_handOverStarted.start();
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
        if (m_handOverStarted.elapsed() < handOverTimeoutMs)
            m_retry.start();
        else
            finishHandOver(HandOver::unanswered);
    });
    socket->connectToServer(m_serverName);
}

void SingleInstance::finishHandOver(HandOver outcome)
{
    const bool answered = outcome == HandOver::answered;
    if (m_handOverDone)
        return;
    m_handOverDone = true;
    m_retry.stop();
    if (m_client)
        m_client->disconnectFromServer();
    emit handOverFinished(answered);
}

} // namespace ostrevin
