#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QThread;

namespace ostrevin::test {

/// One scripted answer of FakeHttpServer.
struct FakeHttpReply {
    int status = 200;
    /// Extra headers; Content-Length is added unless closeDelimited is set.
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;
    /// Milliseconds between receiving the request and answering (or closing).
    int delayMs = 0;
    /// Close the connection without writing anything (after delayMs). Qt's HTTP
    /// client then tries once more on a new connection, which takes the next reply.
    bool closeWithoutReply = false;
    /// Send no Content-Length and close the connection after the body.
    bool closeDelimited = false;
    /// When above 0, the body goes out in pieces of this many bytes, one every
    /// pieceDelayMs, as a slow link delivers it.
    qsizetype pieceBytes = 0;
    int pieceDelayMs = 0;

    static FakeHttpReply json(QByteArray body, int status = 200);
    static FakeHttpReply text(QByteArray body, int status = 200);
    static FakeHttpReply redirect(const QUrl& location, int status = 302);
    static FakeHttpReply closed(int delayMs = 0);
};

/// One request as the server received it.
struct FakeHttpRequest {
    QByteArray method;
    /// The request target: path with its query, e.g. "/start-tunnel?udid=A%2BB".
    QByteArray target;
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;

    /// The path without the query.
    QByteArray path() const;
    /// The first header of that name (case-insensitive), or empty.
    QByteArray header(const QByteArray& name) const;
};

/// An HTTP/1.1 server on 127.0.0.1 with scripted replies, for tests.
///
/// It listens on a port of its own choosing and answers from its own thread, so it
/// also answers while the code under test blocks the test's thread (or a worker) in
/// a synchronous GET. Replies are scripted per method and path: a path with a query
/// ("/x?a=1") matches only that exact target, a path without one matches any query.
/// Several replies for one route are used in turn, the last one repeating. Requests
/// without a scripted reply get a 404. Every request is recorded, also the ones the
/// server then drops.
///
///     FakeHttpServer server;
///     server.setReply("GET", "/", FakeHttpReply::json(R"({"A":[]})"));
///     server.dropFirst(3);              // "comes up" on the fourth request
///     client.setBaseUrl(server.url());
///     ...
///     EXPECT_EQ(server.requestCount(), 4);
class FakeHttpServer {
public:
    FakeHttpServer();
    ~FakeHttpServer();
    FakeHttpServer(const FakeHttpServer&) = delete;
    FakeHttpServer& operator=(const FakeHttpServer&) = delete;

    quint16 port() const { return m_port; }
    /// "http://127.0.0.1:<port>" followed by path.
    QUrl url(const QString& path = {}) const;

    /// Replaces the replies of method + path with this one.
    void setReply(const QByteArray& method, const QByteArray& path, const FakeHttpReply& reply);
    /// Replaces the replies of method + path with this sequence (the last one repeats).
    void setReplies(const QByteArray& method, const QByteArray& path, const QList<FakeHttpReply>& replies);
    /// Answers a request before the scripted replies, or lets it through with nullopt:
    /// how a fake refuses what the real server refuses on every path. Runs on the
    /// server's thread.
    using RequestCheck = std::function<std::optional<FakeHttpReply>(const FakeHttpRequest&)>;
    void setRequestCheck(RequestCheck check);
    /// The next n requests, whatever their route, are recorded and answered with
    /// 503: the service "comes up" after n probes. (A closed connection would not do
    /// for counting probes: Qt's HTTP client sends a request again once when the
    /// connection closes without a reply, so it would be recorded twice.)
    void dropFirst(int n);

    /// Stops accepting connections: clients see "connection refused". Open
    /// connections are closed.
    void stopListening();
    /// Listens again on the same port.
    bool resumeListening();

    QList<FakeHttpRequest> requests() const;
    int requestCount() const;
    /// The requests to path, whatever their query.
    int requestCount(const QByteArray& path) const;
    /// Processes the caller's events until at least n requests arrived or the time is up.
    bool waitForRequests(int n, int timeoutMs = 10000) const;

    struct Shared;

private:
    class Worker;

    std::shared_ptr<Shared> m_shared;
    QThread* m_thread = nullptr;
    Worker* m_worker = nullptr;
    quint16 m_port = 0;
};

} // namespace ostrevin::test
