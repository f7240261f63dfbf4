#include "views/place/PlaceSearchModel.h"

#include "platform/FixedPlaceSearchService.h"
#include "platform/PhotonPlaceSearchService.h"
#include "routedata/LocationValidationError.h"
#include "routedata/RoutePlanningError.h"
#include "support/AwaitTask.h"
#include "support/FakeHttpServer.h"
#include "support/QtPrinters.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace ostrevin;
using test::FakeHttpReply;
using test::FakeHttpServer;

namespace {

QByteArray features(int count, const char* stem = "Paris")
{
    QByteArray list;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            list += ',';
        list += R"({"geometry":{"type":"Point","coordinates":[2.35,48.85]},"properties":{"name":")" + QByteArray(stem) +
                QByteArray::number(i) + R"(","country":"France"}})";
    }
    return R"({"features":[)" + list + "]}";
}

class PlaceSearchModelTest : public ::testing::Test {
protected:
    PlaceSearchModelTest()
    {
        network.setProxy(QNetworkProxy::NoProxy);
        server.setReply("GET", "/api", FakeHttpReply::json(features(8)));
        model.setTypingPause(std::chrono::milliseconds(0));
    }

    QStringList ids() const
    {
        QStringList list;
        for (const PlaceSuggestion& suggestion : model.suggestions())
            list << suggestion.id;
        return list;
    }

    /// Types text and waits until the service's answer (if one is due) is in.
    void type(const QString& text)
    {
        const int before = server.requestCount();
        QSignalSpy changed(&model, &PlaceSearchModel::suggestionsChanged);
        model.update(text);
        if (server.requestCount() > before || QTest::qWaitFor([&] { return server.requestCount() > before; }, 200))
            static_cast<void>(QTest::qWaitFor([&] { return !changed.isEmpty(); }, 10000));
    }

    test::TaskOutcome<RoutePoint> submit(const QString& text, CancelToken token = {})
    {
        return test::awaitTask(model.resolve(text, token));
    }

    FakeHttpServer server;
    QNetworkAccessManager network;
    PhotonPlaceSearchService service{network, server.url()};
    PlaceSearchModel model{service};
};

} // namespace

TEST_F(PlaceSearchModelTest, TypedCoordinatesGiveOneSuggestionAndOnlyOrdinaryTextIsSent)
{
    struct Case {
        const char* text;
        QStringList ids;
        bool sent;
    };
    const Case cases[] = {
        {"  48.8584, 2.2945  ", {QStringLiteral("coordinates:48.85840, 2.29450")}, false},
        {"48.8584 N 2.2945 W", {QStringLiteral("coordinates:48.85840, -2.29450")}, false},
        {"95, 10", {}, false},
        {"91, 0", {}, false},
        {"   ", {}, false},
        {"", {}, false},
        {"NaN, 5", {}, true}, // not a number: ordinary text
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const int before = server.requestCount();
        model.update(QString::fromUtf8(c.text));
        if (c.sent) {
            EXPECT_TRUE(server.waitForRequests(before + 1));
        } else {
            EXPECT_EQ(ids(), c.ids);
            EXPECT_EQ(server.requestCount(), before);
        }
    }
    model.update(QString(10000, u'1'));
    EXPECT_TRUE(model.suggestions().isEmpty());
    model.update(QStringLiteral("48.8584, 2.2945"));
    EXPECT_EQ(model.suggestions().first().subtitle, QStringLiteral("Coordinates"));
    EXPECT_TRUE(model.suggestions().first().isCoordinates());
    EXPECT_EQ(server.requestCount(), 1);
    // Ordinary text is asked for once the typing rests; no beginning of coordinates ever is.
    const QString street = QStringLiteral("Street -33.86");
    FixedPlaceSearchService places{{{street, street, {}, -33.86, 151.21}}};
    PlaceSearchModel typing(places);
    typing.update(street);
    QCoreApplication::processEvents();
    EXPECT_TRUE(typing.suggestions().isEmpty()) << "asked before the typing rests";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !typing.suggestions().isEmpty(); }, 5000));
    typing.setTypingPause(std::chrono::milliseconds(0)); // typed slowly, every letter ends a pause
    for (const char* typed : {"-", "-33", "-33.", "-33.86", "-33.86 S", "-33.86 S; 151", "-33.86 S; 151.21 E"}) {
        typing.update(QString::fromUtf8(typed));
        QCoreApplication::processEvents();
        EXPECT_NE(typing.suggestions().value(0).title, street) << typed;
    }
}

TEST_F(PlaceSearchModelTest, AnswersGiveAtMostFiveSuggestionsWithPositionalIds)
{
    type(QStringLiteral("Par"));
    EXPECT_EQ(ids(), (QStringList{QStringLiteral("0:Paris0:France"), QStringLiteral("1:Paris1:France"),
                                  QStringLiteral("2:Paris2:France"), QStringLiteral("3:Paris3:France"),
                                  QStringLiteral("4:Paris4:France")}));

    server.setReply("GET", "/api", FakeHttpReply::text("<html>busy</html>", 503));
    type(QStringLiteral("Pari"));
    EXPECT_TRUE(model.suggestions().isEmpty()) << "a failed search empties the list";
}

TEST_F(PlaceSearchModelTest, StaleAndAbandonedAnswersLeaveTheListAlone)
{
    struct Case {
        const char* name;
        std::function<void(PlaceSearchModel&)> after;
        QStringList ids;
    };
    const Case cases[] = {
        {"text became coordinates",
         [](PlaceSearchModel& m) { m.update(QStringLiteral("48.1, 11.5")); },
         {QStringLiteral("coordinates:48.10000, 11.50000")}},
        {"text emptied", [](PlaceSearchModel& m) { m.update(QStringLiteral("  ")); }, {}},
        {"model cleared", [](PlaceSearchModel& m) { m.clear(); }, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHttpReply slow = FakeHttpReply::json(features(2));
        slow.delayMs = 300;
        server.setReply("GET", "/api", slow);
        const int before = server.requestCount();
        model.update(QStringLiteral("Par"));
        ASSERT_TRUE(server.waitForRequests(before + 1));
        c.after(model);
        QTest::qWait(500); // the late answer arrives and must be dropped
        EXPECT_EQ(ids(), c.ids);
    }

    // A newer text wins even when the older answer comes last.
    FakeHttpReply slow = FakeHttpReply::json(features(1, "Old"));
    slow.delayMs = 400;
    server.setReplies("GET", "/api", {slow, FakeHttpReply::json(features(1, "New"))});
    const int sent = server.requestCount();
    model.update(QStringLiteral("Ol"));
    ASSERT_TRUE(server.waitForRequests(sent + 1));
    model.update(QStringLiteral("Ne"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !model.suggestions().isEmpty(); }, 10000));
    QTest::qWait(500);
    EXPECT_EQ(ids(), QStringList{QStringLiteral("0:New0:France")});
}

TEST_F(PlaceSearchModelTest, SubmittedTextResolvesByPrecedence)
{
    struct Case {
        const char* name;
        const char* typed; // what the list answers (none: no suggestions)
        const char* submitted;
        QByteArray searchAnswer;
        std::optional<QString> name_; // the point's name; none: it throws addressNotFound
        int requests;                 // requests made by the submission itself
    };
    const Case cases[] = {
        {"coordinates", nullptr, " 48.8584, 2.2945 ", features(0), QStringLiteral("Selected place"), 0},
        {"the list answers this text", "Par", "Par", features(0), QStringLiteral("Paris0"), 0},
        {"the list answers other text: the text is searched", "Par", "Berlin",
         R"({"features":[{"geometry":{"type":"Point","coordinates":[13.4,52.5]},"properties":{"name":"Berlin"}}]})",
         QStringLiteral("Berlin"), 1},
        {"a nameless best match takes the typed text", nullptr, "Alexanderplatz 1",
         R"({"features":[{"geometry":{"type":"Point","coordinates":[13.4,52.5]},"properties":{"street":"Alexanderplatz"}}]})",
         QStringLiteral("Alexanderplatz 1"), 1},
        {"nothing found", nullptr, "Berlin", features(0), std::nullopt, 1},
        {"10,000 characters are not sent", nullptr, nullptr, features(1), std::nullopt, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        model.clear();
        server.setReply("GET", "/api", FakeHttpReply::json(features(3)));
        if (c.typed)
            type(QString::fromUtf8(c.typed));
        server.setReply("GET", "/api", FakeHttpReply::json(c.searchAnswer));
        const QString submitted = c.submitted ? QString::fromUtf8(c.submitted) : QString(10000, u'x');
        const int before = server.requestCount();

        const auto outcome = submit(submitted);

        ASSERT_TRUE(outcome.finished);
        EXPECT_EQ(server.requestCount() - before, c.requests);
        EXPECT_FALSE(model.isResolving());
        if (c.name_) {
            ASSERT_TRUE(outcome.value);
            EXPECT_EQ(outcome.value->name, *c.name_);
        } else {
            const auto error = outcome.errorAs<RoutePlanningError>();
            ASSERT_TRUE(error);
            EXPECT_EQ(error->address(), submitted.trimmed());
        }
    }

    // Submitted within the typing pause: searched once, and no suggestions asked for after.
    model.setTypingPause(std::chrono::milliseconds(50));
    model.update(QStringLiteral("Berlin"));
    const int before = server.requestCount();
    ASSERT_TRUE(submit(QStringLiteral("Berlin")).value);
    QTest::qWait(300);
    EXPECT_EQ(server.requestCount(), before + 1);
}

TEST_F(PlaceSearchModelTest, AFailingServiceIsReportedAsUnavailableNotAsAnAddressNotFound)
{
    const QString unavailable =
        QStringLiteral("The search service isn’t available right now. Check your internet connection and try again.");
    const QString notFound = QStringLiteral("The address “louvre” wasn’t found.");
    FakeHttpReply proxyPage = FakeHttpReply::text(
        "<html>\r\n<head><title>502 Bad Gateway</title></head>\r\n<body>\r\n<center><h1>502 Bad Gateway</h1>"
        "</center>\r\n<hr><center>nginx</center>\r\n</body>\r\n</html>\r\n",
        502);
    proxyPage.headers = {{"Content-Type", "text/html"}};
    struct Case {
        const char* name;
        std::optional<FakeHttpReply> reply; // none: the server refuses connections
        QString expected;
    };
    const Case cases[] = {
        {"nothing found", FakeHttpReply::json(R"({"features":[],"type":"FeatureCollection"})"), notFound},
        {"server error", FakeHttpReply::json(R"({"message":"Internal Server Error"})", 500), unavailable},
        {"proxy page", proxyPage, unavailable},
        {"service down", FakeHttpReply::text("starting\n", 503), unavailable},
        {"cut-off JSON", FakeHttpReply::json(R"({"features":[{"geometry":{"type":"Point",)"), unavailable},
        {"connection refused", std::nullopt, unavailable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHttpServer photon;
        PhotonPlaceSearchService failing{network, photon.url()};
        PlaceSearchModel searching{failing};
        if (c.reply)
            photon.setReply("GET", "/api", *c.reply);
        else
            photon.stopListening();

        const auto outcome = test::awaitTask(searching.resolve(QStringLiteral(" louvre "), {}));

        ASSERT_TRUE(outcome.finished);
        ASSERT_TRUE(outcome.error);
        EXPECT_EQ(PlaceSearchModel::errorDescription(outcome.error, QStringLiteral(" louvre ")), c.expected);
        EXPECT_FALSE(searching.isResolving());
    }
}

TEST_F(PlaceSearchModelTest, OutOfRangeCoordinatesAreRefusedWithTheirMessage)
{
    struct Case {
        const char* text;
        const char* message;
    };
    for (const Case& c : {Case{"91, 0", "Latitude must be between −90 and 90."},
                          Case{"45, 181", "Longitude must be between −180 and 180."}}) {
        const auto outcome = submit(QString::fromUtf8(c.text));
        ASSERT_TRUE(outcome.error) << c.text;
        EXPECT_EQ(PlaceSearchModel::errorDescription(outcome.error, QString::fromUtf8(c.text)),
                  QString::fromUtf8(c.message));
    }
    EXPECT_EQ(server.requestCount(), 0);
}

TEST_F(PlaceSearchModelTest, AnAbandonedSearchOfAServerThatNeverAnswersEndsWithoutASpinner)
{
    FakeHttpReply never = FakeHttpReply::json(features(1));
    never.delayMs = 60000;
    server.setReply("GET", "/api", never);
    CancelSource source;
    QSignalSpy resolving(&model, &PlaceSearchModel::isResolvingChanged);

    auto task = model.resolve(QStringLiteral("Somewhere"), source.token());
    ASSERT_TRUE(server.waitForRequests(1));
    EXPECT_TRUE(model.isResolving());
    source.cancel();
    const auto outcome = test::awaitTask(std::move(task), std::chrono::seconds(5));

    EXPECT_TRUE(outcome.finished);
    EXPECT_FALSE(model.isResolving());
    EXPECT_EQ(resolving.count(), 2);
}
