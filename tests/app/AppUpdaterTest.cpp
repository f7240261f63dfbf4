#include "app/AppUpdater.h"

#include "app/UpdateFeed.h"
#include "support/FakeHttpServer.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <gtest/gtest.h>

namespace ostrevin {

struct AppUpdaterTestAccess {
    /// Checks a loopback feed, which isAvailable() would never let through.
    static void check(AppUpdater& updater, const QUrl& feed) { updater.fetch(feed); }
};

} // namespace ostrevin

using namespace ostrevin;
using Kind = AppUpdater::Result::Kind;

namespace {

QByteArray feed(const QList<std::pair<QByteArray, QByteArray>>& items)
{
    QByteArray xml =
        R"(<?xml version="1.0"?><rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle"><channel><title>Ostrevin</title>)";
    for (const auto& [version, link] : items)
        xml += "<item><title>Release</title><link>" + link + "</link><sparkle:version>" + version +
               "</sparkle:version></item>";
    return xml + "</channel></rss>";
}

/// Answers with a long feed one byte every 100 ms: never idle long enough for an
/// idle time-out, never done.
struct TricklingServer {
    TricklingServer()
    {
        server.listen(QHostAddress::LocalHost);
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            QTcpSocket* socket = server.nextPendingConnection();
            auto* drip = new QTimer(socket);
            QObject::connect(drip, &QTimer::timeout, socket, [socket] { socket->write(" "); });
            QObject::connect(socket, &QTcpSocket::readyRead, drip, [socket, drip] {
                socket->readAll();
                if (!drip->isActive())
                    socket->write("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n<");
                drip->start(100);
            });
        });
    }

    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/appcast.xml").arg(server.serverPort())); }

    QTcpServer server;
};

} // namespace

TEST(AppUpdater, OnlyAnExactHttpsFeedOffersUpdates)
{
    const std::pair<const char*, bool> cases[] = {
        {"https://ostrevin.example/appcast.xml", true},   {"", false},
        {"http://ostrevin.example/appcast.xml", false},   {"HTTPS://ostrevin.example/appcast.xml", false},
        {" https://ostrevin.example/appcast.xml", false}, {"https://", false},
    };
    QNetworkAccessManager network;
    for (const auto& [feedText, available] : cases) {
        SCOPED_TRACE(feedText);
        AppUpdater::Configuration configuration;
        configuration.feed = QString::fromUtf8(feedText);
        AppUpdater updater(configuration, &network);
        EXPECT_EQ(updater.isAvailable(), available);
        updater.start();
        EXPECT_EQ(updater.canCheckForUpdates(), available);
    }
}

TEST(AppUpdater, VersionsCompareNumericallyByComponent)
{
    struct Case {
        const char* left;
        const char* right;
        int expected;
    };
    const Case cases[] = {
        {"1.10", "1.9", 1},
        {"1.0", "1", 0},
        {"0.1.0", "0.1", 0},
        {"2", "10", -1},
        {"1.2.3", "1.2.4", -1},
        {"1.2rc1", "1.2", 0},
        {"18446744073709551615", "1", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.left) + " vs " + c.right);
        EXPECT_EQ(UpdateFeed::compareVersions(QString::fromUtf8(c.left), QString::fromUtf8(c.right)), c.expected);
        EXPECT_EQ(UpdateFeed::compareVersions(QString::fromUtf8(c.right), QString::fromUtf8(c.left)), -c.expected);
    }
}

TEST(AppUpdater, TheNewestItemDecidesAndOnlyAnHttpsPageIsOffered)
{
    struct Case {
        const char* name;
        QByteArray xml;
        Kind kind;
        QString version;
    };
    const Case cases[] = {
        {"newer release", feed({{"0.2.0", "https://ostrevin.example/0.2"}, {"0.1.5", "https://ostrevin.example/old"}}),
         Kind::available, QStringLiteral("0.2.0")},
        {"newest is not first", feed({{"0.1.5", "https://e.example/a"}, {"0.3", "https://e.example/b"}}),
         Kind::available, QStringLiteral("0.3")},
        {"same version", feed({{"0.1.0", "https://e.example/a"}}), Kind::upToDate, {}},
        {"older only", feed({{"0.0.9", "https://e.example/a"}}), Kind::upToDate, {}},
        {"newer with a plain-http page", feed({{"9.0", "http://e.example/a"}}), Kind::failed, {}},
        {"newer with a script page", feed({{"9.0", "javascript:alert(1)"}}), Kind::failed, {}},
        {"items without versions", feed({{"beta", "https://e.example/a"}}), Kind::failed, {}},
        {"not XML", QByteArrayLiteral("<rss><channel><item>"), Kind::failed, {}},
        {"empty", QByteArray(), Kind::failed, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const AppUpdater::Result result = AppUpdater::evaluate(c.xml, QStringLiteral("0.1"));
        EXPECT_EQ(result.kind, c.kind);
        EXPECT_EQ(result.version, c.version);
        EXPECT_EQ(result.page.isEmpty(), c.kind != Kind::available);
        EXPECT_EQ(result.message.isEmpty(), c.kind != Kind::failed);
    }
}

TEST(AppUpdater, ACheckFetchesWithoutBlockingAndEndsOnErrorsAndTimeOuts)
{
    test::FakeHttpServer server;
    const QByteArray good = feed({{"0.2.0", "https://ostrevin.example/0.2"}});
    test::FakeHttpReply slow = test::FakeHttpReply::text(good);
    slow.delayMs = 3000;
    server.setReply("GET", "/good.xml", test::FakeHttpReply::text(good));
    server.setReply("GET", "/missing.xml", test::FakeHttpReply::text("gone", 404));
    server.setReply("GET", "/slow.xml", slow);
    server.setReply("GET", "/huge.xml", test::FakeHttpReply::text(QByteArray(64 * 1024, 'x')));
    TricklingServer trickling;
    struct Case {
        QUrl url;
        Kind kind;
    };
    const Case cases[] = {
        {server.url(QStringLiteral("/good.xml")), Kind::available},
        {server.url(QStringLiteral("/missing.xml")), Kind::failed},
        {server.url(QStringLiteral("/slow.xml")), Kind::failed},
        {server.url(QStringLiteral("/huge.xml")), Kind::failed},
        {trickling.url(), Kind::failed},
    };
    QNetworkAccessManager network;
    network.setProxy(QNetworkProxy::NoProxy);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url.toString().toStdString());
        AppUpdater::Configuration configuration;
        // Were the second check let through, it would only meet a closed local port.
        configuration.feed = QStringLiteral("https://127.0.0.1:1/appcast.xml");
        configuration.currentVersion = QStringLiteral("0.1.0");
        configuration.timeout = std::chrono::milliseconds(500);
        configuration.maximumFeedBytes = 16 * 1024;
        AppUpdater updater(configuration, &network);
        updater.start();
        QSignalSpy finished(&updater, &AppUpdater::checkFinished);
        AppUpdaterTestAccess::check(updater, c.url);
        // A second check while one runs is not started.
        EXPECT_FALSE(updater.canCheckForUpdates());
        updater.checkForUpdates();
        ASSERT_TRUE(finished.wait(10000));
        EXPECT_EQ(finished.count(), 1);
        EXPECT_EQ(finished.first().first().value<AppUpdater::Result>().kind, c.kind);
        EXPECT_TRUE(updater.canCheckForUpdates());
    }
}

TEST(AppUpdater, AnAppcastIsReadByItsShortVersionAndTheChannelLink)
{
    // Shaped as appcast generators write them: the build number in sparkle:version,
    // the version people see in sparkle:shortVersionString, often no item link.
    const auto appcast = [](const QByteArray& channelLink, const QByteArray& items) -> QByteArray {
        return R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle" xmlns:dc="http://purl.org/dc/elements/1.1/">
  <channel>
    <title>Ostrevin</title>
)" + (channelLink.isEmpty() ? QByteArray() : "    <link>" + channelLink + "</link>\n") +
               R"(    <description>Most recent changes with links to updates.</description>
    <language>en</language>
    <image><url>https://ostrevin.example/icon.png</url><title>Ostrevin</title><link>http://ostrevin.example/</link></image>
)" + items + R"(
  </channel>
</rss>
)";
    };
    const auto item = [](const QByteArray& build, const QByteArray& shortVersion,
                         const QByteArray& link) -> QByteArray {
        QByteArray xml = "    <item>\n      <title>Version " + shortVersion + "</title>\n";
        if (!link.isEmpty())
            xml += "      <link>" + link + "</link>\n";
        xml += "      <sparkle:releaseNotesLink>https://ostrevin.example/notes.html</sparkle:releaseNotesLink>\n"
               "      <pubDate>Mon, 30 Nov 2026 10:00:00 +0000</pubDate>\n"
               "      <sparkle:version>" +
               build + "</sparkle:version>\n";
        if (!shortVersion.isEmpty())
            xml += "      <sparkle:shortVersionString>" + shortVersion + "</sparkle:shortVersionString>\n";
        return xml + "      <sparkle:minimumSystemVersion>10.15</sparkle:minimumSystemVersion>\n"
                     "      <enclosure url=\"https://ostrevin.example/download/Ostrevin.dmg\" length=\"24719133\" "
                     "type=\"application/octet-stream\" "
                     "sparkle:edSignature="
                     "\"7cLALFUHSwvEJWSkV8aMreoBe4fhRa4FncC5NoThKxwThL6FDR7hTiPJh1fo2uagnPogisnQsgFgq6mGkt2RBw==\"/>\n"
                     "    </item>\n";
    };
    const QByteArray releases = "https://ostrevin.example/releases";
    struct Case {
        const char* name;
        QByteArray xml;
        Kind kind;
        QString version;
        QString page;
    };
    const Case cases[] = {
        {"a build number does not make the same version newer",
         appcast(releases, item("2041", "0.1.0", {})),
         Kind::upToDate,
         {},
         {}},
        {"newer short version, the channel's page",
         appcast(releases, item("2041", "0.2.0", {}) + item("1990", "0.1.0", {})), Kind::available,
         QStringLiteral("0.2.0"), QString::fromLatin1(releases)},
        {"the item's own page wins", appcast(releases, item("2041", "0.2.0", "https://ostrevin.example/0.2.0")),
         Kind::available, QStringLiteral("0.2.0"), QStringLiteral("https://ostrevin.example/0.2.0")},
        {"versions in the enclosure",
         appcast(releases, "<item><title>0.3</title><enclosure url=\"https://ostrevin.example/o.dmg\" "
                           "sparkle:version=\"2200\" sparkle:shortVersionString=\"0.3\" length=\"1\" "
                           "type=\"application/octet-stream\"/></item>"),
         Kind::available, QStringLiteral("0.3"), QString::fromLatin1(releases)},
        {"a dotted build version alone still counts", appcast({}, item("0.2.1", {}, "https://ostrevin.example/n")),
         Kind::available, QStringLiteral("0.2.1"), QStringLiteral("https://ostrevin.example/n")},
        {"an older release with a page is all there is to offer",
         appcast({}, item("2041", "0.2.0", {}) + item("1990", "0.1.0", "https://ostrevin.example/0.1.0")),
         Kind::upToDate,
         {},
         {}},
    };
    test::FakeHttpServer server;
    QNetworkAccessManager network;
    network.setProxy(QNetworkProxy::NoProxy);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.setReply("GET", "/appcast.xml", test::FakeHttpReply::text(c.xml));
        AppUpdater::Configuration configuration;
        configuration.feed = QStringLiteral("https://127.0.0.1:1/appcast.xml");
        configuration.currentVersion = QStringLiteral("0.1.0");
        AppUpdater updater(configuration, &network);
        updater.start();
        QSignalSpy finished(&updater, &AppUpdater::checkFinished);
        AppUpdaterTestAccess::check(updater, server.url(QStringLiteral("/appcast.xml")));
        ASSERT_TRUE(finished.wait(10000));
        const auto result = finished.first().first().value<AppUpdater::Result>();
        EXPECT_EQ(result.kind, c.kind) << result.message.toStdString();
        EXPECT_EQ(result.version, c.version);
        EXPECT_EQ(result.page.toString(), c.page);
    }
}
