#include "alerts/TelegramAlertService.h"

#include "BuildConfig.h"
#include "alerts/TelegramAlertError.h"
#include "async/CancelSource.h"
#include "platform/NetworkTransportError.h"
#include "support/AwaitTask.h"
#include "support/FakeHttpServer.h"
#include "support/FakeTelegramBotApi.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QTimer>
#include <gtest/gtest.h>
#include <variant>

using namespace ostrevin;
using namespace std::chrono_literals;
using test::FakeHttpReply;

namespace {

const QString token = QStringLiteral("123456789:AAE-x_Yz0");
const QByteArray sendPath = QByteArrayLiteral("/bot123456789:AAE-x_Yz0/sendMessage");
const QByteArray updatesPath = QByteArrayLiteral("/bot123456789:AAE-x_Yz0/getUpdates");
const QByteArray updatesTarget = updatesPath + QByteArrayLiteral("?limit=100&timeout=0");

struct Success {};
struct InvalidResponse {};
struct Api {
    QString reason;
};
/// What an operation is expected to end with.
using Expected = std::variant<Success, InvalidResponse, Api>;

QByteArray updatesBody(const QByteArray& updatesJson)
{
    return QByteArrayLiteral("{\"ok\":true,\"result\":[") + updatesJson + QByteArrayLiteral("]}");
}

QByteArray messageUpdate(int updateID, const QByteArray& member, qint64 chatID, const QByteArray& chatType,
                         const QByteArray& extra = {})
{
    return QByteArrayLiteral("{\"update_id\":") + QByteArray::number(updateID) + QByteArrayLiteral(",\"") + member +
           QByteArrayLiteral("\":{\"message_id\":1,\"chat\":{\"id\":") + QByteArray::number(chatID) +
           QByteArrayLiteral(",\"type\":\"") + chatType + QByteArrayLiteral("\"}") + extra + QByteArrayLiteral("}}");
}

QByteArray privateMessage(int updateID, qint64 chatID)
{
    return messageUpdate(updateID, "message", chatID, "private");
}

template <typename T> std::optional<NetworkTransportError::Kind> transportKind(const test::TaskOutcome<T>& outcome)
{
    if (const auto error = outcome.template errorAs<NetworkTransportError>())
        return error->kind();
    return std::nullopt;
}

/// A private message from chat 42 with the given text and date members (JSON fragments).
QByteArray reply42(const QByteArray& extra, const QByteArray& member = "message")
{
    return messageUpdate(7, member, 42, "private", extra);
}

class TelegramAlertServiceTest : public ::testing::Test {
protected:
    TelegramAlertServiceTest()
    {
        // The machine's proxy settings must not route loopback requests elsewhere.
        network.setProxy(QNetworkProxy::NoProxy);
    }

    TelegramAlertService serviceWithTimeout(std::chrono::milliseconds timeout)
    {
        return TelegramAlertService(&network, server.url(), timeout);
    }

    auto send(const QString& message, const TelegramAlertConfiguration& configuration)
    {
        return test::awaitTask(service.send(message, configuration));
    }

    test::TaskOutcome<QString> latestChat(const QString& botToken = token)
    {
        return test::awaitTask(service.latestPrivateChatID(botToken));
    }

    test::TaskOutcome<bool> acknowledged(const QString& chatID, const QDateTime& since, const QString& botToken = token)
    {
        return test::awaitTask(service.hasAcknowledgement(botToken, chatID, since));
    }

    template <typename T> static void expectOutcome(const test::TaskOutcome<T>& outcome, const Expected& expected)
    {
        ASSERT_TRUE(outcome.finished);
        if (std::holds_alternative<Success>(expected)) {
            EXPECT_TRUE(outcome.value.has_value()) << errorText(outcome);
            return;
        }
        const auto error = outcome.template errorAs<TelegramAlertError>();
        ASSERT_TRUE(error.has_value()) << "expected a TelegramAlertError";
        if (const auto* api = std::get_if<Api>(&expected))
            EXPECT_EQ(*error, TelegramAlertError::api(api->reason)) << error->description().toStdString();
        else
            EXPECT_EQ(*error, TelegramAlertError::invalidResponse()) << error->description().toStdString();
    }

    template <typename T> static std::string errorText(const test::TaskOutcome<T>& outcome)
    {
        if (const auto e = outcome.template errorAs<TelegramAlertError>())
            return e->description().toStdString();
        if (const auto e = outcome.template errorAs<NetworkTransportError>())
            return e->description().toStdString();
        return outcome.error ? "unknown error" : "";
    }

    test::FakeHttpServer server;
    QNetworkAccessManager network;
    TelegramAlertService service{&network, server.url()};
};

TEST_F(TelegramAlertServiceTest, SendPostsTrimmedChatAsStringAndMessageVerbatim)
{
    server.setReply("POST", sendPath, FakeHttpReply::json(R"({"ok":true,"result":{}})"));
    const QString message = QStringLiteral(" Location interrupted\nPraha – Karlův most \n");
    struct Case {
        QString chatID;
        QString sentChatID;
    };
    const Case cases[] = {
        {QStringLiteral(" -1001234567890\n"), QStringLiteral("-1001234567890")},
        {QStringLiteral("42"), QStringLiteral("42")},
        {QStringLiteral("@channel_name "), QStringLiteral("@channel_name")},
    };
    for (const Case& c : cases) {
        const auto outcome = send(message, {QStringLiteral("\t") + token + QStringLiteral(" \n"), c.chatID});
        EXPECT_TRUE(outcome.value.has_value()) << errorText(outcome);
    }

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const test::FakeHttpRequest& request = requests[i];
        EXPECT_EQ(request.method, "POST");
        EXPECT_EQ(request.target, sendPath);
        EXPECT_EQ(request.header("Content-Type"), "application/json");
        EXPECT_EQ(request.header("User-Agent"), QByteArray("Ostrevin/") + BuildConfig::version);
        const QJsonObject body = QJsonDocument::fromJson(request.body).object();
        EXPECT_EQ(body.size(), 3) << request.body.toStdString();
        EXPECT_TRUE(body.value(QStringLiteral("chat_id")).isString());
        EXPECT_EQ(body.value(QStringLiteral("chat_id")).toString(), cases[i].sentChatID);
        EXPECT_EQ(body.value(QStringLiteral("text")).toString(), message);
        EXPECT_TRUE(body.value(QStringLiteral("disable_notification")).isBool());
        EXPECT_FALSE(body.value(QStringLiteral("disable_notification")).toBool(true));
    }
}

TEST_F(TelegramAlertServiceTest, AShortQueueIsOneGetWithoutOffset)
{
    server.setReply("GET", updatesPath, FakeHttpReply::json(updatesBody(privateMessage(1, 5))));
    EXPECT_EQ(latestChat(QStringLiteral(" ") + token + QStringLiteral("\n")).value, QStringLiteral("5"));
    EXPECT_TRUE(acknowledged(QStringLiteral("5"), QDateTime::fromSecsSinceEpoch(0)).value.has_value());

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2);
    for (const test::FakeHttpRequest& request : requests) {
        EXPECT_EQ(request.method, "GET");
        EXPECT_EQ(request.target, updatesTarget);
        EXPECT_TRUE(request.body.isEmpty());
        EXPECT_EQ(request.header("User-Agent"), QByteArray("Ostrevin/") + BuildConfig::version);
    }
}

TEST_F(TelegramAlertServiceTest, UnusableSettingsFailBeforeAnyRequest)
{
    const QString blankTokens[] = {QString(), QStringLiteral("  \n\t")};
    // Anything that could change the request's path, query or host must stay out of the URL.
    const QString malformedTokens[] = {
        QStringLiteral("abc:def"),        QStringLiteral("123456:"),
        QStringLiteral(":AAE"),           QStringLiteral("123456AAE"),
        QStringLiteral("123456:AA/../x"), QStringLiteral("123456:AA?x=1"),
        QStringLiteral("123456:AA#x"),    QStringLiteral("123456:AA%2F"),
        QStringLiteral("123456:AA E"),    QStringLiteral("123456:AA\nE"),
        QStringLiteral("123:4:AA"),       QStringLiteral("１２３:AA"),
        QStringLiteral("123456:AAé"),     QStringLiteral("@evil.example/123:AA"),
    };
    QStringList tokens(std::begin(blankTokens), std::end(blankTokens));
    tokens.append(QStringList(std::begin(malformedTokens), std::end(malformedTokens)));

    for (const QString& badToken : tokens) {
        SCOPED_TRACE(badToken.toStdString());
        const auto invalid = TelegramAlertError::invalidConfiguration();
        EXPECT_EQ(send(QStringLiteral("hi"), {badToken, QStringLiteral("42")}).errorAs<TelegramAlertError>(), invalid);
        EXPECT_EQ(latestChat(badToken).errorAs<TelegramAlertError>(), invalid);
        EXPECT_EQ(
            acknowledged(QStringLiteral("42"), QDateTime::currentDateTimeUtc(), badToken).errorAs<TelegramAlertError>(),
            invalid);
    }
    for (const QString& chatID : {QString(), QStringLiteral(" \n")}) {
        EXPECT_EQ(send(QStringLiteral("hi"), {token, chatID}).errorAs<TelegramAlertError>(),
                  TelegramAlertError::invalidConfiguration());
    }
    EXPECT_EQ(server.requestCount(), 0);
    EXPECT_EQ(TelegramAlertError::invalidConfiguration().description(),
              QStringLiteral("Enter the Telegram bot token and chat ID."));
}

struct ReplyCase {
    const char* name;
    int status;
    QByteArray body;
    Expected sendExpected;
    Expected updatesExpected;
};

TEST_F(TelegramAlertServiceTest, RepliesAreJudgedByStatusAndStrictDecoding)
{
    const QByteArray someUpdates = R"("result":[)" + privateMessage(1, 42) + "]";
    const ReplyCase cases[] = {
        {"2xx ok", 200, R"({"ok":true,)" + someUpdates + "}", Success{}, Success{}},
        {"2xx ok ignores description", 200, R"({"ok":true,"description":"fine",)" + someUpdates + "}", Success{},
         Success{}},
        {"2xx ok, unknown members", 201, R"({"ok":true,"extra":[1,{"a":null}],)" + someUpdates + "}", Success{},
         Success{}},
        {"2xx not ok with description", 200, R"({"ok":false,"description":"Bad Request: chat not found","result":[]})",
         Api{QStringLiteral("Bad Request: chat not found")}, Api{QStringLiteral("Bad Request: chat not found")}},
        {"2xx not ok without description", 200, R"({"ok":false,"result":[]})", Api{QStringLiteral("sending failed")},
         Api{QStringLiteral("couldn’t load messages")}},
        {"2xx not ok, null description", 200, R"({"ok":false,"description":null,"result":[]})",
         Api{QStringLiteral("sending failed")}, Api{QStringLiteral("couldn’t load messages")}},
        {"2xx not ok without result", 200, R"({"ok":false,"description":"Conflict"})", Api{QStringLiteral("Conflict")},
         InvalidResponse{}},
        {"2xx ok without result", 200, R"({"ok":true})", Success{}, InvalidResponse{}},
        {"non-2xx with description", 400,
         R"({"ok":false,"error_code":400,"description":"Bad Request: chat not found"})",
         Api{QStringLiteral("Bad Request: chat not found")}, Api{QStringLiteral("Bad Request: chat not found")}},
        {"non-2xx with description and full updates", 401, R"({"ok":false,"description":"Unauthorized","result":[]})",
         Api{QStringLiteral("Unauthorized")}, Api{QStringLiteral("Unauthorized")}},
        {"non-2xx says ok", 403, R"({"ok":true,"description":"Forbidden: bot was blocked by the user"})",
         Api{QStringLiteral("Forbidden: bot was blocked by the user")},
         Api{QStringLiteral("Forbidden: bot was blocked by the user")}},
        {"error code as text", 400, R"({"ok":false,"error_code":"400","description":"Bad Request"})", InvalidResponse{},
         InvalidResponse{}},
        {"non-2xx without description", 500, R"({"ok":false,"result":[]})", InvalidResponse{}, InvalidResponse{}},
        {"non-2xx description without ok", 404, R"({"description":"Not Found"})", InvalidResponse{}, InvalidResponse{}},
        {"non-2xx html", 502, "<html><body>Bad Gateway</body></html>", InvalidResponse{}, InvalidResponse{}},
        {"redirect status", 304, {}, InvalidResponse{}, InvalidResponse{}},
        {"2xx html", 200, "<html>maintenance</html>", InvalidResponse{}, InvalidResponse{}},
        {"2xx empty body", 200, {}, InvalidResponse{}, InvalidResponse{}},
        {"2xx truncated json", 200, R"({"ok":true,"result":[)", InvalidResponse{}, InvalidResponse{}},
        {"2xx array", 200, "[true]", InvalidResponse{}, InvalidResponse{}},
        {"ok as string", 200, R"({"ok":"true","result":[]})", InvalidResponse{}, InvalidResponse{}},
        {"ok as number", 200, R"({"ok":1,"result":[]})", InvalidResponse{}, InvalidResponse{}},
        {"description as number", 200, R"({"ok":false,"description":400,"result":[]})", InvalidResponse{},
         InvalidResponse{}},
        {"non-2xx description as number", 400, R"({"ok":false,"description":400})", InvalidResponse{},
         InvalidResponse{}},
        {"result not an array", 200, R"({"ok":true,"result":{}})", Success{}, InvalidResponse{}},
        {"update_id missing", 200, R"({"ok":true,"result":[{"message":{"chat":{"id":1,"type":"private"}}}]})",
         Success{}, InvalidResponse{}},
        {"update_id as string", 200, R"({"ok":true,"result":[{"update_id":"1"}]})", Success{}, InvalidResponse{}},
        {"update_id fractional", 200, R"({"ok":true,"result":[{"update_id":1.5}]})", Success{}, InvalidResponse{}},
        {"message without chat", 200, R"({"ok":true,"result":[{"update_id":1,"message":{"text":"ok"}}]})", Success{},
         InvalidResponse{}},
        {"chat id as string", 200,
         R"({"ok":true,"result":[{"update_id":1,"message":{"chat":{"id":"42","type":"private"}}}]})", Success{},
         InvalidResponse{}},
        {"chat without type", 200, R"({"ok":true,"result":[{"update_id":1,"message":{"chat":{"id":42}}}]})", Success{},
         InvalidResponse{}},
        {"text as number", 200,
         R"({"ok":true,"result":[{"update_id":1,"message":{"chat":{"id":42,"type":"private"},"text":5}}]})", Success{},
         InvalidResponse{}},
        {"date as string", 200,
         R"({"ok":true,"result":[{"update_id":1,"message":{"chat":{"id":42,"type":"private"},"date":"1"}}]})",
         Success{}, InvalidResponse{}},
        {"edited message unreadable", 200,
         R"({"ok":true,"result":[)" + privateMessage(1, 42) + R"(,{"update_id":2,"edited_message":[]}]})", Success{},
         InvalidResponse{}},
        {"null members are absent", 200,
         R"({"ok":true,"description":null,"result":[{"update_id":1,"message":null,"edited_message":{"chat":{"id":42,"type":"private"},"text":null,"date":null}}]})",
         Success{}, Success{}},
    };
    for (const ReplyCase& c : cases) {
        SCOPED_TRACE(c.name);
        const FakeHttpReply reply = FakeHttpReply::json(c.body, c.status);
        server.setReply("POST", sendPath, reply);
        server.setReply("GET", updatesPath, reply);
        expectOutcome(send(QStringLiteral("hi"), {token, QStringLiteral("42")}), c.sendExpected);
        const auto chat = latestChat();
        expectOutcome(chat, c.updatesExpected);
        if (chat.value) {
            EXPECT_EQ(*chat.value, QStringLiteral("42"));
        }
    }
    EXPECT_EQ(server.requestCount(), 2 * static_cast<int>(std::size(cases)));
}

// The Bot API hands out at most 100 updates from the earliest unconfirmed one: a
// reply behind a long queue is reached only by reading on, page by page.
TEST_F(TelegramAlertServiceTest, TheReplyIsFoundHoweverManyUpdatesWaitBeforeIt)
{
    const QDateTime since = QDateTime::fromSecsSinceEpoch(1'765'000'000);
    const qint64 before = since.toSecsSinceEpoch() - 600;
    const qint64 after = since.toSecsSinceEpoch() + 20;
    struct Case {
        int waiting;
        bool replied;
        int requests;
        // Only pages that were read are confirmed: the last page read stays.
        int pendingAfter;
    };
    const Case cases[] = {
        {0, true, 1, 1}, {60, true, 1, 61}, {250, true, 3, 51}, {250, false, 3, 50}, {100, false, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.waiting << (c.replied ? " waiting, then ok" : " waiting, no reply"));
        test::FakeHttpServer bot;
        test::FakeTelegramBotApi queue(bot, token);
        queue.addMessages(c.waiting, 42, before);
        if (c.replied)
            queue.addMessage(42, QStringLiteral("ok"), after);
        const TelegramAlertService client(&network, bot.url());
        const auto outcome = test::awaitTask(client.hasAcknowledgement(token, QStringLiteral("42"), since));
        ASSERT_TRUE(outcome.value.has_value()) << errorText(outcome);
        EXPECT_EQ(*outcome.value, c.replied);
        EXPECT_EQ(bot.requestCount(), c.requests);
        EXPECT_EQ(queue.pending(), c.pendingAfter);
        EXPECT_EQ(queue.offsets().first(), std::nullopt);

        // The next poll finds the same reply again.
        if (c.replied) {
            const auto again = test::awaitTask(client.hasAcknowledgement(token, QStringLiteral("42"), since));
            EXPECT_EQ(again.value, std::optional<bool>(true));
        }
    }
}

TEST_F(TelegramAlertServiceTest, ChatDiscoveryReadsToTheEndOfTheQueue)
{
    test::FakeHttpServer bot;
    test::FakeTelegramBotApi queue(bot, token);
    queue.addMessages(230, 77, 1'765'000'000);
    queue.addMessage(2080950937, QStringLiteral("/start"), 1'765'000'100);
    queue.addMessage(-1001234, QStringLiteral("hi all"), 1'765'000'200, "group");
    const TelegramAlertService client(&network, bot.url());
    EXPECT_EQ(test::awaitTask(client.latestPrivateChatID(token)).value, QStringLiteral("2080950937"));
    EXPECT_EQ(bot.requestCount(), 3);
}

TEST_F(TelegramAlertServiceTest, RepliesMatchTheChatAsItIsSentTo)
{
    const QDateTime since = QDateTime::fromSecsSinceEpoch(1'765'000'000);
    const qint64 after = since.toSecsSinceEpoch() + 5;
    struct Case {
        const char* name;
        QString chatID;
        bool acknowledged;
    };
    const Case cases[] = {
        {"the ID with a space after it", QStringLiteral("2080950937 "), true},
        {"the ID with a line break around it", QStringLiteral("\n2080950937\n"), true},
        {"the channel's @name", QStringLiteral("@ostrevin_alerts"), true},
        {"the channel's @name in other letter case", QStringLiteral("@Ostrevin_Alerts"), true},
        {"another @name", QStringLiteral("@ostrevin"), false},
        {"a name without the @", QStringLiteral("ostrevin_alerts"), false},
        {"another ID", QStringLiteral("208095093"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::FakeHttpServer bot;
        test::FakeTelegramBotApi queue(bot, token);
        if (!c.chatID.contains(u'2'))
            queue.addChannelPost(-1001987654321, QStringLiteral("ostrevin_alerts"), QStringLiteral("/ok"), after);
        else
            queue.addMessage(2080950937, QStringLiteral("OK"), after);
        const TelegramAlertService client(&network, bot.url());
        EXPECT_EQ(test::awaitTask(client.hasAcknowledgement(token, c.chatID, since)).value,
                  std::optional<bool>(c.acknowledged));
    }
}

// What the Bot API says when it refuses to list updates is what the user needs to
// act on; a 429 also says how long to wait.
TEST_F(TelegramAlertServiceTest, RefusedUpdatesKeepTheirReason)
{
    struct Case {
        int status;
        QByteArray body;
        QString reason;
        std::optional<std::chrono::seconds> retryAfter;
    };
    const Case cases[] = {
        {401, R"({"ok":false,"error_code":401,"description":"Unauthorized"})", QStringLiteral("Unauthorized"), {}},
        {409,
         R"({"ok":false,"error_code":409,"description":"Conflict: terminated by other getUpdates request; make sure that only one bot instance is running"})",
         QStringLiteral(
             "Conflict: terminated by other getUpdates request; make sure that only one bot instance is running"),
         {}},
        {409,
         R"({"ok":false,"error_code":409,"description":"Conflict: can't use getUpdates method while webhook is active; use deleteWebhook to delete the webhook first"})",
         QStringLiteral("Conflict: can't use getUpdates method while webhook is active; use deleteWebhook to delete "
                        "the webhook first"),
         {}},
        {429,
         R"({"ok":false,"error_code":429,"description":"Too Many Requests: retry after 7","parameters":{"retry_after":7}})",
         QStringLiteral("Too Many Requests: retry after 7"), 7s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body.constData());
        server.setReply("GET", updatesPath, FakeHttpReply::json(c.body, c.status));
        const auto poll = acknowledged(QStringLiteral("42"), QDateTime::fromSecsSinceEpoch(0));
        EXPECT_EQ(poll.errorAs<TelegramAlertError>(), TelegramAlertError::api(c.reason, c.retryAfter));
        EXPECT_EQ(latestChat().errorAs<TelegramAlertError>(), TelegramAlertError::api(c.reason, c.retryAfter));
        if (const auto error = poll.errorAs<TelegramAlertError>()) {
            EXPECT_EQ(error->description(), u"Telegram: " + c.reason);
        }
    }
}

TEST_F(TelegramAlertServiceTest, ChatDiscoveryTakesTheLastPrivateMessageInReplyOrder)
{
    const Expected noChat = Api{QStringLiteral("Open the bot first and send it /start.")};
    struct Case {
        const char* name;
        QByteArray updates;
        Expected expected;
        QString chat;
    };
    const Case cases[] = {
        {"no updates", {}, noChat, {}},
        {"later private wins", privateMessage(1, 11) + "," + privateMessage(2, 22), Success{}, QStringLiteral("22")},
        {"reply order, not update_id order", privateMessage(9, 11) + "," + privateMessage(2, 22), Success{},
         QStringLiteral("22")},
        {"group after private does not count",
         privateMessage(1, 11) + "," + privateMessage(2, 22) + "," + messageUpdate(3, "message", -100200300, "group"),
         Success{}, QStringLiteral("22")},
        {"supergroup and channel only",
         messageUpdate(1, "message", -1001, "supergroup") + "," + messageUpdate(2, "message", -1002, "channel"),
         noChat,
         {}},
        {"edited private message alone counts",
         privateMessage(1, 11) + "," + messageUpdate(2, "edited_message", 33, "private"), Success{},
         QStringLiteral("33")},
        {"message decides over its edited message",
         privateMessage(1, 11) + R"(,{"update_id":2,"message":{"chat":{"id":-5,"type":"group"}},)" +
             R"("edited_message":{"chat":{"id":44,"type":"private"}}})",
         Success{}, QStringLiteral("11")},
        {"update without a message is skipped", privateMessage(1, 11) + R"(,{"update_id":2,"poll":{"id":"x"}})",
         Success{}, QStringLiteral("11")},
        {"type is case-sensitive", messageUpdate(1, "message", 12, "Private"), noChat, {}},
        {"negative and large ids as decimal text", privateMessage(1, 1234567890123) + "," + privateMessage(2, -77),
         Success{}, QStringLiteral("-77")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.setReply("GET", updatesPath, FakeHttpReply::json(updatesBody(c.updates)));
        const auto outcome = latestChat();
        expectOutcome(outcome, c.expected);
        if (outcome.value) {
            EXPECT_EQ(*outcome.value, c.chat);
        }
    }
    EXPECT_EQ(TelegramAlertError::api(QStringLiteral("Open the bot first and send it /start.")).description(),
              QStringLiteral("Telegram: Open the bot first and send it /start."));
}

TEST_F(TelegramAlertServiceTest, AcknowledgementNeedsTheChatAWordAndADateNotBeforeSince)
{
    const QDateTime since = QDateTime::fromMSecsSinceEpoch(100'400, Qt::UTC);
    struct Case {
        const char* name;
        QByteArray updates;
        bool expected;
        QString chatID = QStringLiteral("42");
    };
    const Case cases[] = {
        {"no updates", {}, false},
        {"ok after since", reply42(R"(,"text":"ok","date":101)"), true},
        {"dated within the second of since", reply42(R"(,"text":"ok","date":100)"), false},
        {"without a date", reply42(R"(,"text":"ok")"), false},
        {"without text", reply42(R"(,"date":500)"), false},
        {"each word", reply42(R"(,"text":"/ack","date":101)") + "," + reply42(R"(,"text":"/potvrdit","date":101)"),
         true},
        {"potvrzuji", reply42(R"(,"text":"potvrzuji","date":101)"), true},
        {"letter case", reply42(R"(,"text":"OK","date":101)"), true},
        {"command in capitals", reply42(R"(,"text":"/Potvrdit","date":101)"), true},
        {"white space around", reply42(R"(,"text":"  ok\n","date":101)"), true},
        {"okay", reply42(R"(,"text":"okay","date":101)"), false},
        {"ok!", reply42(R"(,"text":"ok!","date":101)"), false},
        {"command addressed to a bot", reply42(R"(,"text":"/ok@ostrevin_bot","date":101)"), false},
        {"other chat", messageUpdate(7, "message", 43, "private", R"(,"text":"ok","date":101)"), false},
        // Matched in the form alerts are sent to.
        {"chat ID is trimmed as for sending", reply42(R"(,"text":"ok","date":101)"), true, QStringLiteral("42 ")},
        {"chat type is not checked", messageUpdate(7, "message", 42, "group", R"(,"text":"ok","date":101)"), true},
        {"edited message alone", reply42(R"(,"text":"ok","date":101)", "edited_message"), true},
        {"message decides over its edited message",
         R"({"update_id":1,"message":{"chat":{"id":42,"type":"private"},"text":"hello","date":101},)"
         R"("edited_message":{"chat":{"id":42,"type":"private"},"text":"ok","date":101}})",
         false},
        {"any matching update counts",
         reply42(R"(,"text":"hello","date":101)") + "," + reply42(R"(,"text":"ok","date":99)") + "," +
             reply42(R"(,"text":"/ok","date":200)"),
         true},
        {"negative chat IDs", messageUpdate(7, "message", -42, "group", R"(,"text":"ok","date":101)"), true,
         QStringLiteral("-42")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.setReply("GET", updatesPath, FakeHttpReply::json(updatesBody(c.updates)));
        const auto outcome = acknowledged(c.chatID, since);
        ASSERT_TRUE(outcome.value.has_value()) << errorText(outcome);
        EXPECT_EQ(*outcome.value, c.expected);
    }

    // A reply in the very second since names counts: the boundary is inclusive.
    server.setReply("GET", updatesPath, FakeHttpReply::json(updatesBody(reply42(R"(,"text":"ok","date":101)"))));
    EXPECT_EQ(acknowledged(QStringLiteral("42"), QDateTime::fromSecsSinceEpoch(101, Qt::UTC)).value, true);
    EXPECT_EQ(acknowledged(QStringLiteral("42"), QDateTime::fromMSecsSinceEpoch(101'001, Qt::UTC)).value, false);
}

TEST_F(TelegramAlertServiceTest, RequestsWithoutAnHttpReplyFailWithTheTransportError)
{
    struct Case {
        const char* name;
        FakeHttpReply reply;
        NetworkTransportError::Kind kind;
    };
    FakeHttpReply slow = FakeHttpReply::json(R"({"ok":true,"result":[]})");
    slow.delayMs = 5000;
    const Case cases[] = {
        {"time-out", slow, NetworkTransportError::Kind::timedOut},
        {"closed without a reply", FakeHttpReply::closed(), NetworkTransportError::Kind::connectionLost},
    };
    TelegramAlertService quick = serviceWithTimeout(300ms);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.setReply("POST", sendPath, c.reply);
        server.setReply("GET", updatesPath, c.reply);
        const auto sent = test::awaitTask(quick.send(QStringLiteral("hi"), {token, QStringLiteral("42")}));
        EXPECT_EQ(transportKind(sent), c.kind);
        const auto polled = test::awaitTask(quick.hasAcknowledgement(token, QStringLiteral("42"), {}));
        EXPECT_EQ(transportKind(polled), c.kind);
        const auto chat = test::awaitTask(quick.latestPrivateChatID(token));
        EXPECT_EQ(transportKind(chat), c.kind);
    }

    server.stopListening();
    const auto refused = test::awaitTask(quick.latestPrivateChatID(token));
    EXPECT_EQ(transportKind(refused), NetworkTransportError::Kind::cannotConnect);
}

TEST_F(TelegramAlertServiceTest, CancellingAbortsThePendingRequest)
{
    FakeHttpReply slow = FakeHttpReply::json(R"({"ok":true,"result":[]})");
    slow.delayMs = 30000;
    server.setReply("POST", sendPath, slow);
    server.setReply("GET", updatesPath, slow);

    CancelSource before;
    before.cancel();
    const auto refused = test::awaitTask(service.latestPrivateChatID(token, before.token()));
    EXPECT_EQ(transportKind(refused), NetworkTransportError::Kind::cancelled);
    EXPECT_EQ(server.requestCount(), 0);

    for (int operation = 0; operation < 3; ++operation) {
        SCOPED_TRACE(operation);
        CancelSource source;
        const int sentBefore = server.requestCount();
        // Cancel once the server has the request, long before its reply or the time-out.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &network, [this, &source, &poll, sentBefore] {
            if (server.requestCount() > sentBefore) {
                source.cancel();
                poll.stop();
            }
        });
        poll.start(5);
        std::optional<NetworkTransportError::Kind> kind;
        if (operation == 0)
            kind = transportKind(test::awaitTask(
                service.send(QStringLiteral("hi"), {token, QStringLiteral("42")}, source.token()), 20s));
        else if (operation == 1)
            kind = transportKind(test::awaitTask(service.latestPrivateChatID(token, source.token()), 20s));
        else
            kind = transportKind(test::awaitTask(
                service.hasAcknowledgement(token, QStringLiteral("42"), QDateTime(), source.token()), 20s));
        EXPECT_EQ(kind, NetworkTransportError::Kind::cancelled);
    }
}

TEST_F(TelegramAlertServiceTest, NoProducedTextContainsTheToken)
{
    // Qt's own error strings repeat the request URL, and the URL holds the token.
    QStringList texts;
    auto collect = [&texts](const auto& outcome) {
        ASSERT_TRUE(outcome.finished);
        ASSERT_TRUE(outcome.error);
        if (const auto e = outcome.template errorAs<TelegramAlertError>()) {
            texts << e->description() << QString::fromUtf8(e->what());
        } else if (const auto t = outcome.template errorAs<NetworkTransportError>()) {
            texts << t->description() << QString::fromUtf8(t->what());
        } else {
            FAIL() << "unexpected error type";
        }
    };
    const QByteArray echo = "Not Found: /bot" + token.toUtf8() + "/sendMessage";
    FakeHttpReply slow = FakeHttpReply::json("{}");
    slow.delayMs = 5000;
    const FakeHttpReply replies[] = {
        FakeHttpReply::json(R"({"ok":false,"description":")" + echo + R"("})", 404),
        FakeHttpReply::json(R"({"ok":false,"description":")" + echo + R"(","result":[]})", 200),
        FakeHttpReply::text(echo, 404),
        FakeHttpReply::json(R"({"ok":false,"result":[]})"),
        FakeHttpReply::json(updatesBody({})),
        FakeHttpReply::closed(),
        slow,
    };
    TelegramAlertService quick = serviceWithTimeout(300ms);
    for (const FakeHttpReply& reply : replies) {
        server.setReply("POST", sendPath, reply);
        server.setReply("GET", updatesPath, reply);
        const auto sent = test::awaitTask(quick.send(QStringLiteral("hi"), {token, QStringLiteral("42")}));
        if (sent.error)
            collect(sent);
        collect(test::awaitTask(quick.latestPrivateChatID(token)));
    }
    server.stopListening();
    collect(test::awaitTask(quick.send(QStringLiteral("hi"), {token, QStringLiteral("42")})));
    collect(test::awaitTask(quick.latestPrivateChatID(token)));

    EXPECT_GE(texts.size(), 20);
    const QString secret = token.section(u':', 1);
    for (const QString& text : texts) {
        EXPECT_FALSE(text.contains(secret)) << text.toStdString();
        EXPECT_FALSE(text.isEmpty());
    }
    EXPECT_TRUE(texts.contains(QStringLiteral("Telegram: Not Found: /bot…/sendMessage")));
}

} // namespace
