#include "support/FakeHttpServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QHash>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <algorithm>

namespace ostrevin::test {

FakeHttpReply FakeHttpReply::json(QByteArray body, int status)
{
    FakeHttpReply reply;
    reply.status = status;
    reply.headers.append({QByteArray("Content-Type"), QByteArray("application/json")});
    reply.body = std::move(body);
    return reply;
}

FakeHttpReply FakeHttpReply::text(QByteArray body, int status)
{
    FakeHttpReply reply;
    reply.status = status;
    reply.headers.append({QByteArray("Content-Type"), QByteArray("text/plain")});
    reply.body = std::move(body);
    return reply;
}

FakeHttpReply FakeHttpReply::redirect(const QUrl& location, int status)
{
    FakeHttpReply reply;
    reply.status = status;
    reply.headers.append({QByteArray("Location"), location.toEncoded()});
    return reply;
}

FakeHttpReply FakeHttpReply::closed(int delayMs)
{
    FakeHttpReply reply;
    reply.closeWithoutReply = true;
    reply.delayMs = delayMs;
    return reply;
}

QByteArray FakeHttpRequest::path() const
{
    const qsizetype q = target.indexOf('?');
    return q < 0 ? target : target.left(q);
}

QByteArray FakeHttpRequest::header(const QByteArray& name) const
{
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

struct FakeHttpServer::Shared {
    mutable QMutex mutex;
    QHash<QByteArray, QList<FakeHttpReply>> routes;
    int dropRemaining = 0;
    QList<FakeHttpRequest> requests;
    FakeHttpServer::RequestCheck check;

    FakeHttpReply replyFor(const FakeHttpRequest& request)
    {
        QMutexLocker lock(&mutex);
        requests.append(request);
        if (dropRemaining > 0) {
            --dropRemaining;
            return FakeHttpReply::text("starting\n", 503);
        }
        if (check) {
            if (std::optional<FakeHttpReply> refusal = check(request))
                return *refusal;
        }
        const QByteArray exact = request.method + ' ' + request.target;
        const QByteArray anyQuery = request.method + ' ' + request.path();
        for (const QByteArray& key : {exact, anyQuery}) {
            auto it = routes.find(key);
            if (it == routes.end() || it->isEmpty())
                continue;
            return it->size() > 1 ? it->takeFirst() : it->first();
        }
        return FakeHttpReply::text("no scripted reply\n", 404);
    }
};

namespace {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 201:
        return "Created";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 307:
        return "Temporary Redirect";
    case 308:
        return "Permanent Redirect";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 409:
        return "Conflict";
    case 429:
        return "Too Many Requests";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

// Parses one complete request off the front of buffer; false while it is incomplete.
bool takeRequest(QByteArray& buffer, FakeHttpRequest& request)
{
    const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return false;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    FakeHttpRequest parsed;
    parsed.method = requestLine.value(0);
    parsed.target = requestLine.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            parsed.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    const qsizetype length = parsed.header("Content-Length").toLongLong();
    const qsizetype bodyStart = headerEnd + 4;
    if (buffer.size() - bodyStart < length)
        return false;
    parsed.body = buffer.mid(bodyStart, length);
    buffer.remove(0, bodyStart + length);
    request = std::move(parsed);
    return true;
}

} // namespace

class FakeHttpServer::Worker : public QObject {
public:
    explicit Worker(std::shared_ptr<Shared> shared) : m_shared(std::move(shared)) {}

    bool listen(quint16 port)
    {
        if (!m_server) {
            m_server = new QTcpServer(this);
            QObject::connect(m_server, &QTcpServer::newConnection, this, &Worker::acceptAll);
        }
        return m_server->listen(QHostAddress::LocalHost, port);
    }

    quint16 port() const { return m_server ? m_server->serverPort() : 0; }

    void stop()
    {
        if (m_server)
            m_server->close();
        const auto sockets = m_buffers.keys();
        for (QTcpSocket* socket : sockets)
            socket->abort();
    }

    void shutdown()
    {
        stop();
        qDeleteAll(children());
        m_server = nullptr;
        m_buffers.clear();
    }

private:
    void acceptAll()
    {
        while (QTcpSocket* socket = m_server->nextPendingConnection()) {
            socket->setParent(this);
            m_buffers.insert(socket, {});
            QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            QObject::connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                m_buffers.remove(socket);
                m_busy.remove(socket);
                socket->deleteLater();
            });
        }
    }

    // Answers the requests in the socket's buffer one at a time, in order.
    void serve(QTcpSocket* socket)
    {
        if (!m_buffers.contains(socket))
            return;
        QByteArray& buffer = m_buffers[socket];
        buffer += socket->readAll();
        if (m_busy.contains(socket))
            return;
        FakeHttpRequest request;
        if (!takeRequest(buffer, request))
            return;
        const FakeHttpReply reply = m_shared->replyFor(request);
        m_busy.insert(socket);
        QPointer<QTcpSocket> guard(socket);
        auto answer = [this, guard, reply] {
            if (!guard)
                return;
            if (reply.pieceBytes > 0 && !reply.closeWithoutReply) {
                writeHead(guard.data(), reply);
                writePieces(guard, reply, 0);
                return;
            }
            m_busy.remove(guard.data());
            write(guard.data(), reply);
            if (guard && guard->state() == QAbstractSocket::ConnectedState)
                serve(guard.data());
        };
        if (reply.delayMs > 0)
            QTimer::singleShot(reply.delayMs, socket, answer);
        else
            answer();
    }

    // The body piece by piece; the socket takes its next request after the last.
    void writePieces(QPointer<QTcpSocket> guard, FakeHttpReply reply, qsizetype offset)
    {
        if (!guard)
            return;
        guard->write(reply.body.mid(offset, reply.pieceBytes));
        offset += reply.pieceBytes;
        if (offset < reply.body.size()) {
            QTimer::singleShot(reply.pieceDelayMs, guard.data(),
                               [this, guard, reply, offset] { writePieces(guard, reply, offset); });
            return;
        }
        m_busy.remove(guard.data());
        if (reply.closeDelimited)
            guard->disconnectFromHost();
        else if (guard->state() == QAbstractSocket::ConnectedState)
            serve(guard.data());
    }

    static void writeHead(QTcpSocket* socket, const FakeHttpReply& reply)
    {
        QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status) + "\r\n";
        for (const auto& [key, value] : reply.headers)
            head += key + ": " + value + "\r\n";
        if (reply.closeDelimited)
            head += "Connection: close\r\n";
        else
            head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
        head += "\r\n";
        socket->write(head);
    }

    static void write(QTcpSocket* socket, const FakeHttpReply& reply)
    {
        if (reply.closeWithoutReply) {
            socket->disconnectFromHost();
            return;
        }
        writeHead(socket, reply);
        socket->write(reply.body);
        if (reply.closeDelimited)
            socket->disconnectFromHost();
    }

    std::shared_ptr<Shared> m_shared;
    QTcpServer* m_server = nullptr;
    QHash<QTcpSocket*, QByteArray> m_buffers;
    QSet<QTcpSocket*> m_busy;
};

FakeHttpServer::FakeHttpServer() : m_shared(std::make_shared<Shared>())
{
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("FakeHttpServer"));
    m_thread->start();
    m_worker = new Worker(m_shared);
    m_worker->moveToThread(m_thread);
    QMetaObject::invokeMethod(
        m_worker,
        [this] {
            if (m_worker->listen(0))
                m_port = m_worker->port();
        },
        Qt::BlockingQueuedConnection);
    Q_ASSERT(m_port != 0);
}

FakeHttpServer::~FakeHttpServer()
{
    QMetaObject::invokeMethod(
        m_worker, [this] { m_worker->shutdown(); }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    delete m_worker;
    delete m_thread;
}

QUrl FakeHttpServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port) + path);
}

void FakeHttpServer::setReply(const QByteArray& method, const QByteArray& path, const FakeHttpReply& reply)
{
    setReplies(method, path, {reply});
}

void FakeHttpServer::setReplies(const QByteArray& method, const QByteArray& path, const QList<FakeHttpReply>& replies)
{
    QMutexLocker lock(&m_shared->mutex);
    m_shared->routes.insert(method + ' ' + path, replies);
}

void FakeHttpServer::setRequestCheck(RequestCheck check)
{
    QMutexLocker lock(&m_shared->mutex);
    m_shared->check = std::move(check);
}

void FakeHttpServer::dropFirst(int n)
{
    QMutexLocker lock(&m_shared->mutex);
    m_shared->dropRemaining = n;
}

void FakeHttpServer::stopListening()
{
    QMetaObject::invokeMethod(
        m_worker, [this] { m_worker->stop(); }, Qt::BlockingQueuedConnection);
}

bool FakeHttpServer::resumeListening()
{
    bool ok = false;
    QMetaObject::invokeMethod(
        m_worker, [this, &ok] { ok = m_worker->listen(m_port); }, Qt::BlockingQueuedConnection);
    return ok;
}

QList<FakeHttpRequest> FakeHttpServer::requests() const
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->requests;
}

int FakeHttpServer::requestCount() const
{
    QMutexLocker lock(&m_shared->mutex);
    return int(m_shared->requests.size());
}

int FakeHttpServer::requestCount(const QByteArray& path) const
{
    QMutexLocker lock(&m_shared->mutex);
    return int(std::ranges::count_if(m_shared->requests,
                                     [&path](const FakeHttpRequest& request) { return request.path() == path; }));
}

bool FakeHttpServer::waitForRequests(int n, int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    while (requestCount() < n) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

} // namespace ostrevin::test
