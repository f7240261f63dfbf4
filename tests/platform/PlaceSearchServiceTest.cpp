#include "BuildConfig.h"
#include "PhotonReplies.h"
#include "platform/PhotonPlaceSearchService.h"
#include "support/FakeHttpServer.h"
#include "support/QtPrinters.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QTest>
#include <QUrlQuery>
#include <gtest/gtest.h>

using namespace ostrevin;
using test::FakeHttpReply;
using test::FakeHttpServer;

namespace {

using Answer = std::optional<QList<PlaceCandidate>>;

Answer searchFor(PlaceSearchService& service, const PlaceSearchQuery& query)
{
    QFuture<Answer> future = service.search(query);
    if (!QTest::qWaitFor([&] { return future.isFinished(); }, 30000))
        ADD_FAILURE() << "the search did not finish";
    return future.isFinished() ? future.result() : Answer();
}

PlaceCandidate place(const char* name, const char* title, const char* subtitle, double latitude, double longitude)
{
    return {QString::fromUtf8(name), QString::fromUtf8(title), QString::fromUtf8(subtitle), latitude, longitude};
}

} // namespace

TEST(PhotonPlaceSearchService, DecodesPointsStrictlyAndTurnsEveryBadAnswerIntoNone)
{
    struct Case {
        const char* name;
        FakeHttpReply reply;
        Answer expected;
    };
    const Case cases[] = {
        {"name, street and city; [lon, lat] order", FakeHttpReply::json(R"({"type":"FeatureCollection","features":[
             {"type":"Feature","geometry":{"type":"Point","coordinates":[2.2945,48.8584]},
              "properties":{"name":" Tour Eiffel ","city":"Paris","country":"France"}},
             {"geometry":{"type":"Point","coordinates":[14.41,50.08]},
              "properties":{"street":"Celetná","housenumber":"12","city":"Praha","country":"Česko"}},
             {"geometry":{"type":"Point","coordinates":[2.35,48.85]},"properties":{"name":"Paris","city":"Paris","country":"France"}}]})"),
         QList{place("Tour Eiffel", "Tour Eiffel", "Paris, France", 48.8584, 2.2945),
               place("", "Celetná 12", "Praha, Česko", 50.08, 14.41), place("Paris", "Paris", "France", 48.85, 2.35)}},
        {"features without a usable point or any title are left out", FakeHttpReply::json(R"({"features":[
             {"geometry":{"type":"Point","coordinates":["2","48"]},"properties":{"name":"text numbers"}},
             {"geometry":{"type":"Point","coordinates":[2]},"properties":{"name":"one number"}},
             {"geometry":{"type":"Point","coordinates":[200,48]},"properties":{"name":"out of range"}},
             {"geometry":{"type":"LineString","coordinates":[2,48]},"properties":{"name":"a line"}},
             {"properties":{"name":"no geometry"}},
             {"geometry":{"type":"Point","coordinates":[1,2]},"properties":{}},
             {"geometry":{"type":"Point","coordinates":[-0.1278,51.5074]},"properties":{"name":"London"}}]})"),
         QList{place("London", "London", "", 51.5074, -0.1278)}},
        {"no feature", FakeHttpReply::json(R"({"type":"FeatureCollection","features":[]})"), QList<PlaceCandidate>{}},
        {"HTML from a proxy", FakeHttpReply::text("<html><body>502 Bad Gateway</body></html>"), std::nullopt},
        {"object without features", FakeHttpReply::json(R"({"message":"ok"})"), std::nullopt},
        {"features not a list", FakeHttpReply::json(R"({"features":{}})"), std::nullopt},
        {"Photon's error answer", FakeHttpReply::json(R"({"message":"unsupported language"})", 400), std::nullopt},
        {"connection closed", FakeHttpReply::closed(), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHttpServer server;
        server.setReply("GET", "/photon/api", c.reply);
        QNetworkAccessManager network;
        network.setProxy(QNetworkProxy::NoProxy);
        PhotonPlaceSearchService service(network, server.url(QStringLiteral("/photon/")));

        EXPECT_EQ(searchFor(service, {QStringLiteral("Paris"), 5, {}, {}}), c.expected);
    }
}

TEST(PhotonPlaceSearchService, HouseNumbersFollowTheCountryAndEachPlaceIsListedOnce)
{
    using test::PhotonFeature;
    struct Case {
        const char* name;
        QList<PhotonFeature> features;
        QStringList rows; // "title / subtitle"
    };
    const PhotonFeature parisCity{.longitude = 2.3483915,
                                  .latitude = 48.8534951,
                                  .osmType = "R",
                                  .osmId = 7444,
                                  .osmValue = "city",
                                  .type = "city",
                                  .name = "Paris",
                                  .state = "Île-de-France",
                                  .country = "France",
                                  .countrycode = "FR"};
    PhotonFeature parisCounty = parisCity;
    parisCounty.osmId = 71525;
    parisCounty.osmKey = "boundary";
    parisCounty.osmValue = "administrative";
    parisCounty.type = "county";
    PhotonFeature parisNode = parisCity;
    parisNode.osmType = "N";
    parisNode.osmId = 17807753;
    parisNode.longitude += 0.000005; // half a metre away
    PhotonFeature parisAgain = parisCity;
    parisAgain.longitude = 2.35; // the same relation from another index
    PhotonFeature parisTexas{.longitude = -95.5555,
                             .latitude = 33.6609,
                             .osmType = "R",
                             .osmId = 6590,
                             .osmValue = "town",
                             .type = "city",
                             .name = "Paris",
                             .state = "Texas",
                             .country = "United States",
                             .countrycode = "US"};
    qint64 nextId = 1000;
    const auto house = [&nextId](const char* number, const char* street, const char* city, const char* country,
                                 const char* code) {
        return PhotonFeature{.longitude = 14.41,
                             .latitude = 50.08,
                             .osmId = ++nextId,
                             .housenumber = number,
                             .street = street,
                             .city = city,
                             .country = country,
                             .countrycode = code};
    };
    const Case cases[] = {
        {"Paris",
         {parisCity, parisCounty, parisNode, parisAgain, parisTexas},
         {QStringLiteral("Paris / France"), QStringLiteral("Paris / United States")}},
        {"number first",
         {house("10", "Avenue Gambetta", "Paris", "France", "FR"),
          house("1600", "Pennsylvania Avenue Northwest", "Washington", "United States", "US"),
          house("10", "Downing Street", "London", "United Kingdom", "GB"),
          house("24", "Sussex Drive", "Ottawa", "Canada", "ca")},
         {QStringLiteral("10 Avenue Gambetta / Paris, France"),
          QStringLiteral("1600 Pennsylvania Avenue Northwest / Washington, United States"),
          QStringLiteral("10 Downing Street / London, United Kingdom"),
          QStringLiteral("24 Sussex Drive / Ottawa, Canada")}},
        {"number after the street",
         {house("12", "Karlova", "Praha", "Česko", "CZ"),
          house("77", "Unter den Linden", "Berlin", "Deutschland", "DE"), house("3", "Nameless", "", "", "")},
         {QStringLiteral("Karlova 12 / Praha, Česko"), QStringLiteral("Unter den Linden 77 / Berlin, Deutschland"),
          QStringLiteral("Nameless 3 / ")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHttpServer server;
        server.setReply("GET", "/api", FakeHttpReply::json(test::photonReply(c.features)));
        QNetworkAccessManager network;
        network.setProxy(QNetworkProxy::NoProxy);
        PhotonPlaceSearchService service(network, server.url());

        const Answer answer = searchFor(service, {QStringLiteral("paris"), 5, {}, {}});
        ASSERT_TRUE(answer);
        QStringList rows;
        for (const PlaceCandidate& candidate : *answer)
            rows << candidate.title + u" / " + candidate.subtitle;
        EXPECT_EQ(rows, c.rows);
    }
}

TEST(PhotonPlaceSearchService, SendsTheTextBiasLanguageAndLimitAndIntroducesItself)
{
    struct Case {
        const char* name;
        PlaceSearchQuery query;
        QList<std::pair<const char*, const char*>> expectedItems;
        QStringList absentItems;
    };
    const Case cases[] = {
        {"suggestions near the map's centre, in German",
         {QStringLiteral("a+b & c"), 5, std::pair{50.0755, 14.4378}, QStringLiteral("de_DE")},
         {{"q", "a+b & c"}, {"limit", "5"}, {"lat", "50.07550"}, {"lon", "14.43780"}, {"lang", "de"}},
         {}},
        {"best match for submitted text; a language Photon lacks is left out",
         {QStringLiteral("  Berlin "), 1, std::nullopt, QStringLiteral("cs_CZ")},
         {{"q", "Berlin"}, {"limit", "1"}},
         {QStringLiteral("lat"), QStringLiteral("lon"), QStringLiteral("lang")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHttpServer server;
        server.setReply("GET", "/api", FakeHttpReply::json(R"({"features":[]})"));
        QNetworkAccessManager network;
        network.setProxy(QNetworkProxy::NoProxy);
        PhotonPlaceSearchService service(network, server.url());

        EXPECT_EQ(searchFor(service, c.query), Answer(QList<PlaceCandidate>{}));

        ASSERT_EQ(server.requestCount(), 1);
        const auto request = server.requests().first();
        const QUrlQuery query(QUrl(QString::fromLatin1(request.target)));
        for (const auto& [key, value] : c.expectedItems)
            EXPECT_EQ(query.queryItemValue(QString::fromLatin1(key), QUrl::FullyDecoded), QString::fromUtf8(value))
                << key;
        for (const QString& key : c.absentItems)
            EXPECT_FALSE(query.hasQueryItem(key)) << key.toStdString();
        EXPECT_EQ(request.header("User-Agent"), QByteArray("Ostrevin/") + BuildConfig::version);
    }
}

TEST(PhotonPlaceSearchService, AStopAbandonsARequestThatNeverAnswersAndEmptyTextSendsNothing)
{
    FakeHttpServer server;
    FakeHttpReply never = FakeHttpReply::json(R"({"features":[]})");
    never.delayMs = 60000;
    server.setReply("GET", "/api", never);
    QNetworkAccessManager network;
    network.setProxy(QNetworkProxy::NoProxy);
    PhotonPlaceSearchService service(network, server.url());

    std::stop_source stop;
    QFuture<Answer> future = service.search({QStringLiteral("Rome"), 5, {}, {}}, stop.get_token());
    ASSERT_TRUE(server.waitForRequests(1));
    EXPECT_FALSE(future.isFinished());
    stop.request_stop();
    EXPECT_TRUE(QTest::qWaitFor([&] { return future.isFinished(); }, 5000));
    EXPECT_EQ(future.result(), std::nullopt);

    for (const char* blank : {"", "   "}) {
        QFuture<Answer> empty = service.search({QString::fromLatin1(blank), 5, {}, {}});
        ASSERT_TRUE(empty.isFinished());
        EXPECT_EQ(empty.result(), std::nullopt);
    }
    EXPECT_EQ(server.requestCount(), 1);
}
