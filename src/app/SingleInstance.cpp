#include "app/SingleInstance.h"

#include "app/AppLog.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>

namespace ostrevin {

namespace {

constexpr char comeForward[] = "come-forward\n";
constexpr char cameForward[] = "ok\n";
constexpr int retryIntervalMs = 100;

} // namespace

SingleInstance::SingleInstance(const QString& dataDirectory, QObject* parent)
    : QObject(parent), m_serverName(serverName(dataDirectory)),
      m_lock(QDir(dataDirectory).filePath(QStringLiteral("ostrevin.lock")))
{
    QDir().mkpath(dataDirectory);
    // Age says nothing here: the lock is stale only when its owner is gone.
    m_lock.setStaleLockTime(0);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptLaunch);
    m_retry.setInterval(retryIntervalMs);
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &SingleInstance::tryToReachRunningCopy);
}

SingleInstance::~SingleInstance() = default;

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

bool SingleInstance::claim()
{
    // tryLock() takes over a lock whose process is gone.
    if (!m_lock.tryLock(0))
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
