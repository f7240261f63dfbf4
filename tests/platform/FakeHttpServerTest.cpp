#include "support/FakeHttpServer.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

using namespace ostrevin::test;

namespace {

struct Fetched {
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    int status = 0;
    QByteArray body;
    QUrl finalUrl;
};

// A blocking request on the calling thread, the way the device code asks the tunnel service.
Fetched fetch(const QUrl& url, const QByteArray& method = "GET", const QByteArray& body = {})
{
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = manager.sendCustomRequest(request, method, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    Fetched result;
    result.error = reply->error();
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = reply->readAll();
    result.finalUrl = reply->url();
    delete reply;
    return result;
}

} // namespace

TEST(FakeHttpServer, AnswersScriptedRoutesInTurnAndRecordsRequests)
{
    FakeHttpServer server;
    server.setReplies("GET", "/list", {FakeHttpReply::json("[1]"), FakeHttpReply::json("[2]")});
    server.setReply("GET", "/list?udid=A%2BB", FakeHttpReply::text("exact", 201));
    server.setReply("POST", "/upload", FakeHttpReply::text("stored"));

    EXPECT_EQ(fetch(server.url(QStringLiteral("/list"))).body, "[1]");
    EXPECT_EQ(fetch(server.url(QStringLiteral("/list?x=1"))).body, "[2]");
    EXPECT_EQ(fetch(server.url(QStringLiteral("/list"))).body, "[2]");
    const Fetched exact = fetch(QUrl(server.url().toString() + QStringLiteral("/list?udid=A%2BB")));
    EXPECT_EQ(exact.status, 201);
    EXPECT_EQ(fetch(server.url(QStringLiteral("/upload")), "POST", "payload").body, "stored");
    EXPECT_EQ(fetch(server.url(QStringLiteral("/missing"))).status, 404);

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 6);
    EXPECT_EQ(requests.at(1).target, "/list?x=1");
    EXPECT_EQ(requests.at(1).path(), "/list");
    EXPECT_EQ(requests.at(3).target, "/list?udid=A%2BB");
    EXPECT_EQ(requests.at(4).method, "POST");
    EXPECT_EQ(requests.at(4).body, "payload");
    EXPECT_EQ(requests.at(4).header("content-length"), "7");
}

TEST(FakeHttpServer, ComesUpAfterDroppedProbesAndRefusesWhenStopped)
{
    FakeHttpServer server;
    server.setReply("GET", "/", FakeHttpReply::json("{}"));
    server.dropFirst(2);
    EXPECT_EQ(fetch(server.url(QStringLiteral("/"))).status, 503);
    EXPECT_EQ(fetch(server.url(QStringLiteral("/"))).status, 503);
    EXPECT_EQ(fetch(server.url(QStringLiteral("/"))).body, "{}");
    EXPECT_EQ(server.requestCount(), 3);

    server.setReplies("GET", "/flaky", {FakeHttpReply::closed(), FakeHttpReply::closed(), FakeHttpReply::json("[]")});
    EXPECT_NE(fetch(server.url(QStringLiteral("/flaky"))).error, QNetworkReply::NoError);
    EXPECT_EQ(fetch(server.url(QStringLiteral("/flaky"))).body, "[]");

    server.stopListening();
    EXPECT_EQ(fetch(server.url(QStringLiteral("/"))).error, QNetworkReply::ConnectionRefusedError);
    ASSERT_TRUE(server.resumeListening());
    EXPECT_EQ(fetch(server.url(QStringLiteral("/"))).body, "{}");
}

TEST(FakeHttpServer, ServesLargeRedirectedAndCloseDelimitedBodies)
{
    FakeHttpServer server;
    QByteArray archive(30 * 1024 * 1024, '\0');
    for (qsizetype i = 0; i < archive.size(); i += 4096)
        archive[i] = char(i / 4096);
    FakeHttpReply big;
    big.body = archive;
    server.setReply("GET", "/archive.tar.gz", big);
    server.setReply("GET", "/latest", FakeHttpReply::redirect(server.url(QStringLiteral("/archive.tar.gz"))));
    FakeHttpReply streamed = FakeHttpReply::text("until the end");
    streamed.closeDelimited = true;
    server.setReply("GET", "/stream", streamed);

    const Fetched redirected = fetch(server.url(QStringLiteral("/latest")));
    EXPECT_EQ(redirected.error, QNetworkReply::NoError);
    EXPECT_EQ(redirected.finalUrl.path(), QStringLiteral("/archive.tar.gz"));
    EXPECT_TRUE(redirected.body == archive);
    EXPECT_EQ(fetch(server.url(QStringLiteral("/stream"))).body, "until the end");
}

TEST(FakeHttpServer, AnswersWhileAWorkerThreadBlocksAndDelaysReplies)
{
    FakeHttpServer server;
    FakeHttpReply slow = FakeHttpReply::json("{\"late\":true}");
    slow.delayMs = 300;
    server.setReply("GET", "/slow", slow);

    Fetched result;
    QThread* worker = QThread::create([&] { result = fetch(server.url(QStringLiteral("/slow"))); });
    worker->start();
    ASSERT_TRUE(worker->wait(20000));
    delete worker;
    EXPECT_EQ(result.body, "{\"late\":true}");
}
