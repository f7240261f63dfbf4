#include "BuildConfig.h"
#include "PhotonReplies.h"
#include "platform/PhotonReverseGeocoder.h"
#include "support/FakeHttpServer.h"
#include "support/QtPrinters.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QTest>
#include <QUrlQuery>
#include <gtest/gtest.h>
#include <memory>

using namespace ostrevin;
using test::FakeHttpReply;
using test::FakeHttpServer;

namespace {

std::optional<Placemark> lookUp(PhotonReverseGeocoder& geocoder, double latitude, double longitude)
{
    QFuture<std::optional<Placemark>> future = geocoder.reverseGeocode(latitude, longitude);
    if (!QTest::qWaitFor([&] { return future.isFinished(); }, 30000))
        ADD_FAILURE() << "the lookup did not finish";
    return future.isFinished() ? future.result() : std::nullopt;
}

} // namespace

TEST(PhotonReverseGeocoder, MapsTheFirstFeatureAndTurnsEveryFailureIntoNone)
{
    struct Case {
        const char* name;
        FakeHttpReply reply;
        std::optional<Placemark> expected;
    };
    const QString prague = QStringLiteral("Praha");
    const Case cases[] = {
        {"full answer, first feature wins", FakeHttpReply::json(R"({"type":"FeatureCollection","features":[
             {"type":"Feature","properties":{"name":"Karlův most","street":"Karlův most","housenumber":"1","city":"Praha"}},
             {"type":"Feature","properties":{"name":"Other"}}]})"),
         Placemark{QStringLiteral("Karlův most"), QStringLiteral("Karlův most 1"), prague}},
        {"a house keeps its number, in the country's order",
         FakeHttpReply::json(test::photonReply({{.longitude = 2.2876,
                                                 .latitude = 48.8497,
                                                 .osmId = 3758617301,
                                                 .housenumber = "10",
                                                 .street = "Avenue Gambetta",
                                                 .district = "Paris 20e Arrondissement",
                                                 .city = "Paris",
                                                 .postcode = "75020",
                                                 .state = "Île-de-France",
                                                 .country = "France",
                                                 .countrycode = "FR"}})),
         Placemark{std::nullopt, QStringLiteral("10 Avenue Gambetta"), QStringLiteral("Paris")}},
        {"a house in Prague",
         FakeHttpReply::json(test::photonReply({{.longitude = 14.4114,
                                                 .latitude = 50.0865,
                                                 .osmType = "W",
                                                 .osmId = 60283437,
                                                 .osmKey = "building",
                                                 .osmValue = "yes",
                                                 .housenumber = "12",
                                                 .street = "Karlova",
                                                 .city = "Praha",
                                                 .country = "Česko",
                                                 .countrycode = "CZ"}})),
         Placemark{std::nullopt, QStringLiteral("Karlova 12"), prague}},
        {"street and city only; non-text name ignored",
         FakeHttpReply::json(R"({"features":[{"properties":{"name":42,"street":"Celetná","city":"Praha"}}]})"),
         Placemark{std::nullopt, QStringLiteral("Celetná"), prague}},
        {"no feature", FakeHttpReply::json(R"({"type":"FeatureCollection","features":[]})"), std::nullopt},
        {"not JSON", FakeHttpReply::text("<html>busy</html>"), std::nullopt},
        {"server error", FakeHttpReply::json(R"({"features":[{"properties":{"name":"x"}}]})", 500), std::nullopt},
        {"connection closed", FakeHttpReply::closed(), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHttpServer server;
        server.setReply("GET", "/photon/reverse", c.reply);
        QNetworkAccessManager network;
        network.setProxy(QNetworkProxy::NoProxy);
        PhotonReverseGeocoder geocoder(network, server.url(QStringLiteral("/photon/")));

        EXPECT_EQ(lookUp(geocoder, 50.0865, 14.4114), c.expected);

        ASSERT_GE(server.requestCount(), 1);
        const auto request = server.requests().first();
        EXPECT_EQ(request.path(), QByteArray("/photon/reverse"));
        const QUrlQuery query(QUrl(QString::fromLatin1(request.target)));
        EXPECT_EQ(query.queryItemValue(QStringLiteral("lat")).toDouble(), 50.0865);
        EXPECT_EQ(query.queryItemValue(QStringLiteral("lon")).toDouble(), 14.4114);
        EXPECT_EQ(request.header("User-Agent"), QByteArray("Ostrevin/") + BuildConfig::version);
    }
}

TEST(PhotonReverseGeocoder, ALookupStillPendingWhenTheNetworkGoesAwayFinishesWithNone)
{
    FakeHttpServer server;
    FakeHttpReply slow = FakeHttpReply::json(R"({"features":[{"properties":{"name":"late"}}]})");
    slow.delayMs = 20000;
    server.setReply("GET", "/reverse", slow);
    auto network = std::make_unique<QNetworkAccessManager>();
    network->setProxy(QNetworkProxy::NoProxy);
    PhotonReverseGeocoder geocoder(*network, server.url());

    QFuture<std::optional<Placemark>> future = geocoder.reverseGeocode(1.0, 2.0);
    ASSERT_TRUE(server.waitForRequests(1));
    network.reset();

    ASSERT_TRUE(QTest::qWaitFor([&] { return future.isFinished(); }, 10000));
    EXPECT_FALSE(future.isCanceled());
    EXPECT_EQ(future.result(), std::nullopt);
}
