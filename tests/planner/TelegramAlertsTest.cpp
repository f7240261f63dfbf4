#include "PlannerFixture.h"
#include "alerts/MemoryTokenStore.h"
#include "alerts/TelegramAlertError.h"
#include "alerts/TelegramAlertService.h"
#include "support/FakeHttpServer.h"
#include "support/FakeTelegramBotApi.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <functional>

using namespace ostrevin;
using namespace std::chrono_literals;
using test::FakeHttpReply;

namespace {

using Access = PlannerTestAccess;
using State = LocationSimulationSafetyState;

const QString botToken = QStringLiteral("123456789:AAE-x_Yz0");
const QByteArray sendPath = QByteArrayLiteral("/bot123456789:AAE-x_Yz0/sendMessage");
const QByteArray updatesPath = QByteArrayLiteral("/bot123456789:AAE-x_Yz0/getUpdates");
// Dated by Telegram's clock; the test clock starts at 2026-01-01 00:00:00 UTC.
const QByteArray sent = R"({"ok":true,"result":{"message_id":1,"date":1767225600}})";
const QByteArray noUpdates = R"({"ok":true,"result":[]})";

class TelegramAlertsTest : public test::PlannerFixture {
protected:
    TelegramAlertsTest() { network.setProxy(QNetworkProxy::NoProxy); }

    LocationPlannerViewModel& buildWithBot()
    {
        auto deps = dependencies();
        deps.telegramAlertService = &service;
        deps.telegramTokenStore = &tokens;
        vm = std::make_unique<LocationPlannerViewModel>(deps, LocationPlannerViewModel::Services::leaveStopped);
        Access::setBotToken(*vm, botToken);
        vm->setTelegramChatID(QStringLiteral("42"));
        vm->setTelegramAlertsEnabled(true);
        return *vm;
    }

    void openIncident(LocationPlannerViewModel& vm)
    {
        Access::setSafetyState(vm, State::holdingConfirmed());
        Access::reportIncident(vm, QStringLiteral("iPhone stopped responding."),
                               test::makePoint(QStringLiteral("Home"), 52.5, 13.4));
    }

    int requests(const QByteArray& path) const
    {
        int count = 0;
        for (const auto& request : server.requests())
            count += request.path() == path ? 1 : 0;
        return count;
    }

    /// Runs the event loop until the condition holds (real requests take real time).
    static bool waitUntil(const std::function<bool()>& condition)
    {
        QElapsedTimer timer;
        timer.start();
        while (!condition()) {
            if (timer.elapsed() > 15000)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return true;
    }

    /// One cycle has sent `sends` messages and is waiting again.
    bool waitForCycle(int sends)
    {
        return waitUntil([&] { return requests(sendPath) == sends && clock.pendingSleeps() == 1; });
    }

    test::FakeHttpServer server;
    QNetworkAccessManager network;
    TelegramAlertService service{&network, server.url()};
    MemoryTokenStore tokens;
};

TEST_F(TelegramAlertsTest, AlertsRepeatEveryFiveSecondsAndBackOffAfterFailedSends)
{
    const FakeHttpReply failed = FakeHttpReply::json(R"({"ok":false,"description":"Bad Gateway"})", 502);
    server.setReplies("POST", sendPath, {failed, failed, failed, failed, FakeHttpReply::json(sent)});
    server.setReply("GET", updatesPath, FakeHttpReply::json(noUpdates));
    LocationPlannerViewModel& vm = buildWithBot();
    openIncident(vm);
    ASSERT_TRUE(waitForCycle(1));
    EXPECT_TRUE(vm.telegram().statusMessage().startsWith(QStringLiteral("Couldn’t send the Telegram alert: ")));

    int sends = 1;
    for (const auto wait : {10s, 20s, 40s, 60s, 5s, 5s}) {
        SCOPED_TRACE(wait.count());
        clock.advance(wait - 1s);
        EXPECT_EQ(requests(updatesPath), sends - 1);
        clock.advance(1s);
        ASSERT_TRUE(waitForCycle(++sends));
        EXPECT_EQ(requests(updatesPath), sends - 1);
    }
    EXPECT_EQ(vm.telegram().statusMessage(),
              QStringLiteral(
                  "The location still isn’t restored. The alert repeats every 5 seconds until you acknowledge it."));

    // Switching the alerts off ends the loop at once.
    vm.setTelegramAlertsEnabled(false);
    test::ManualClock::runPostedEvents();
    EXPECT_EQ(clock.pendingSleeps(), 0);
    EXPECT_EQ(vm.telegram().statusMessage(), QStringLiteral("Telegram alerts are off. Location recovery continues."));
}

TEST_F(TelegramAlertsTest, AReplyAcknowledgesOnceWhileRecoveryGoesOn)
{
    LocationPlannerViewModel& vm = buildWithBot();
    const QByteArray date = QByteArray::number(clock.wallNow().toSecsSinceEpoch());
    server.setReply("POST", sendPath, FakeHttpReply::json(sent));
    server.setReply("GET", updatesPath,
                    FakeHttpReply::json(R"({"ok":true,"result":[{"update_id":7,"message":{"message_id":1,)"
                                        R"("chat":{"id":42,"type":"private"},"text":"/ok","date":)" +
                                        date + "}}]}"));
    openIncident(vm);
    ASSERT_TRUE(waitForCycle(1));
    clock.advance(5s);
    const QString acknowledged = QStringLiteral("The location interruption was acknowledged.");
    ASSERT_TRUE(waitUntil([&] { return eventMessages().contains(acknowledged); }));
    test::ManualClock::runPostedEvents();

    EXPECT_EQ(clock.pendingSleeps(), 0);
    EXPECT_EQ(vm.telegram().statusMessage(), QStringLiteral("Alert acknowledged. Location recovery continues."));
    EXPECT_FALSE(vm.hold().locationSafetyAlarm().has_value());
    EXPECT_FALSE(alarms.shown().has_value());
    EXPECT_TRUE(vm.hold().telegramIncidentActive());
    EXPECT_TRUE(Access::incidentAcknowledged(vm));

    // Nothing more is sent, and the later restoration closes the incident quietly.
    clock.advance(60s);
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(requests(sendPath), 1);
    EXPECT_EQ(eventMessages().count(acknowledged), 1);
    const qsizetype presented = alarms.presented().size();
    device.detectedStatus = test::readyStatus();
    device.preparedStatus = test::readyStatus();
    Access::recover(vm, test::makePoint(QStringLiteral("Home"), 52.5, 13.4), *test::readyStatus().helper);
    test::ManualClock::runPostedEvents();
    EXPECT_FALSE(vm.hold().telegramIncidentActive());
    EXPECT_EQ(alarms.presented().size(), presented);
    EXPECT_EQ(vm.telegram().statusMessage(), QStringLiteral("The location is set again and verified."));
}

// The user's "ok" arrives behind a day of chatter in the bot's queue, to a chat ID
// pasted with a space after it.
TEST_F(TelegramAlertsTest, AReplyBehindManyWaitingUpdatesAcknowledges)
{
    server.setReply("POST", sendPath, FakeHttpReply::json(sent));
    test::FakeTelegramBotApi queue(server, botToken);
    const qint64 now = clock.wallNow().toSecsSinceEpoch();
    queue.addMessages(160, 2080950937, now - 3600);
    LocationPlannerViewModel& vm = buildWithBot();
    vm.setTelegramChatID(QStringLiteral("2080950937 "));
    openIncident(vm);
    ASSERT_TRUE(waitForCycle(1));
    queue.addMessage(2080950937, QStringLiteral("/ok"), now + 2);
    clock.advance(5s);
    ASSERT_TRUE(waitUntil([&] { return Access::incidentAcknowledged(vm); }));
    EXPECT_EQ(requests(sendPath), 1);
    const QJsonObject message = QJsonDocument::fromJson(server.requests().first().body).object();
    EXPECT_EQ(message.value(QStringLiteral("chat_id")).toString(), QStringLiteral("2080950937"));
}

// A poll the Bot API refuses says why on the status line (a reply can't reach us
// meanwhile), and a 429 is waited out.
TEST_F(TelegramAlertsTest, ARefusedPollShowsItsReasonAndItsWaitIsHonoured)
{
    const QString conflict = QStringLiteral(
        "Conflict: terminated by other getUpdates request; make sure that only one bot instance is running");
    server.setReply("POST", sendPath, FakeHttpReply::json(sent));
    server.setReplies(
        "GET", updatesPath,
        {FakeHttpReply::json(R"({"ok":false,"error_code":409,"description":")" + conflict.toUtf8() + R"("})", 409),
         FakeHttpReply::json(
             R"({"ok":false,"error_code":429,"description":"Too Many Requests: retry after 30","parameters":{"retry_after":30}})",
             429),
         FakeHttpReply::json(noUpdates)});
    LocationPlannerViewModel& vm = buildWithBot();
    openIncident(vm);
    ASSERT_TRUE(waitForCycle(1));
    clock.advance(5s);
    ASSERT_TRUE(waitForCycle(2));
    const QString conflictStatus = u"Couldn’t check Telegram for your reply: Telegram: " + conflict;
    EXPECT_EQ(vm.telegram().statusMessage(), conflictStatus);
    EXPECT_EQ(eventMessages().count(conflictStatus), 1);

    clock.advance(5s);
    ASSERT_TRUE(waitUntil([&] { return requests(updatesPath) == 2 && clock.pendingSleeps() == 1; }));
    EXPECT_EQ(vm.telegram().statusMessage(),
              QStringLiteral("Couldn’t check Telegram for your reply: Telegram: Too Many Requests: retry after 30"));
    clock.advance(29s);
    test::ManualClock::runPostedEvents();
    EXPECT_EQ(requests(sendPath), 2);
    clock.advance(1s);
    ASSERT_TRUE(waitForCycle(3));

    // Once replies can be read again, the status says so no more.
    clock.advance(5s);
    ASSERT_TRUE(waitForCycle(4));
    EXPECT_EQ(vm.telegram().statusMessage(),
              QStringLiteral(
                  "The location still isn’t restored. The alert repeats every 5 seconds until you acknowledge it."));
    for (const auto& event : vm.eventLog().diagnosticEvents())
        EXPECT_FALSE(event.message.contains(botToken)) << event.message.toStdString();
}

TEST_F(TelegramAlertsTest, TheIncidentMessageStaysWithinTheBotApiLimit)
{
    LocationPlannerViewModel& vm = buildWithBot();
    vm.setTelegramAlertsEnabled(false); // the message alone, no loop sending it
    Access::setSafetyState(vm, State::holdingConfirmed());
    Access::reportIncident(vm, QString(1000, u'c'), test::makePoint(QString(5000, u'n'), -33.5, -70.25));
    const QString message = Access::incidentMessage(vm);
    EXPECT_LE(message.size(), LocationPlannerViewModel::telegramMessageLimit);
    EXPECT_TRUE(message.contains(QStringLiteral("\nCause: ") + QString(600, u'c') + u'\n'));
    EXPECT_TRUE(message.contains(QStringLiteral("… (-33.500000, -70.250000)\n")));
    EXPECT_TRUE(message.contains(QStringLiteral("\nDevice: iPhone\n")));
    EXPECT_TRUE(message.endsWith(QStringLiteral("Reply /ok to acknowledge.")));

    LocationPlannerViewModel& fresh = buildWithBot();
    fresh.setTelegramAlertsEnabled(false);
    Access::setSafetyState(fresh, State::holdingConfirmed());
    Access::reportIncident(fresh, QStringLiteral("lost"), std::nullopt);
    EXPECT_TRUE(Access::incidentMessage(fresh).contains(QStringLiteral("\nLocation: unknown\n")));
}

TEST_F(TelegramAlertsTest, SettingsActionsSaveTheTokenAndReportTheirOutcome)
{
    server.setReply("POST", sendPath, FakeHttpReply::json(sent));
    server.setReply("GET", updatesPath,
                    FakeHttpReply::json(R"({"ok":true,"result":[{"update_id":7,"message":{"message_id":1,)"
                                        R"("chat":{"id":77,"type":"private"},"text":"hi","date":1}}]})"));
    LocationPlannerViewModel& vm = buildWithBot();

    // Saving with an empty chat ID stores the trimmed token and turns the switch off.
    vm.setTelegramChatID(QString());
    Access::setBotToken(vm, QStringLiteral("  ") + botToken + QStringLiteral(" "));
    vm.saveTelegramSettings();
    ASSERT_TRUE(waitUntil([&] { return !vm.telegram().isSaving(); }));
    EXPECT_EQ(tokens.saveCount(), 1);
    EXPECT_EQ(vm.telegram().botToken(), botToken);
    EXPECT_FALSE(vm.telegram().alertsEnabled());
    EXPECT_EQ(vm.telegram().statusMessage(), QStringLiteral("Enter the bot token and chat ID."));

    vm.loadTelegramChatID();
    ASSERT_TRUE(waitUntil([&] { return !vm.telegram().isLoadingChat(); }));
    EXPECT_EQ(vm.telegram().chatID(), QStringLiteral("77"));
    EXPECT_EQ(vm.telegram().statusMessage(), QStringLiteral("Chat ID loaded. You can send a test message now."));

    // The test message goes out with the alerts off.
    vm.testTelegramAlert();
    ASSERT_TRUE(waitUntil([&] { return !vm.telegram().isTesting(); }));
    EXPECT_EQ(vm.telegram().statusMessage(), QStringLiteral("Test message sent."));
    EXPECT_TRUE(eventMessages().contains(QStringLiteral("Test message sent to Telegram.")));
    EXPECT_EQ(requests(sendPath), 1);
    EXPECT_EQ(tokens.item(), botToken);

    // Without a keyring to keep the token, both go on with the one entered, and say so.
    tokens.setSaveFailure(TelegramAlertError::keychain(0, QStringLiteral("There’s no keyring to keep it in.")));
    const QString unkept = QStringLiteral(" The token couldn’t be saved to the keyring: There’s no keyring to keep it "
                                          "in. Alerts use the token you entered until you quit Ostrevin.");
    vm.loadTelegramChatID();
    ASSERT_TRUE(waitUntil([&] { return !vm.telegram().isLoadingChat(); }));
    EXPECT_EQ(vm.telegram().statusMessage(), u"Chat ID loaded. You can send a test message now." + unkept);
    vm.testTelegramAlert();
    ASSERT_TRUE(waitUntil([&] { return !vm.telegram().isTesting(); }));
    EXPECT_EQ(vm.telegram().statusMessage(), u"Test message sent." + unkept);
    EXPECT_EQ(requests(sendPath), 2);
}

TEST_F(TelegramAlertsTest, ATokenTheKeyringCouldNotGiveIsReadAgainBeforeEachAlert)
{
    server.setReply("POST", sendPath, FakeHttpReply::json(sent));
    server.setReply("GET", updatesPath, FakeHttpReply::json(noUpdates));
    tokens.setItem(botToken);
    tokens.setUnavailable(QStringLiteral("The keyring is locked."));
    auto deps = dependencies();
    deps.telegramAlertService = &service;
    deps.telegramTokenStore = &tokens;
    vm = std::make_unique<LocationPlannerViewModel>(deps, LocationPlannerViewModel::Services::leaveStopped);
    vm->setTelegramChatID(QStringLiteral("42"));
    vm->setTelegramAlertsEnabled(true);
    vm->loadTelegramTokenWithoutBlockingLaunch();
    test::ManualClock::runPostedEvents();
    const QString locked = QStringLiteral(
        "The bot token couldn’t be read from the keyring, so alerts can’t be sent: The keyring is locked.");
    EXPECT_EQ(vm->telegram().statusMessage(), locked);

    // The incident reads the token again, and after each failed read backs off.
    openIncident(*vm);
    test::ManualClock::runPostedEvents();
    EXPECT_EQ(tokens.loadCount(), 2);
    EXPECT_EQ(vm->telegram().statusMessage(), locked);
    EXPECT_EQ(requests(sendPath), 0);

    tokens.setUnavailable(std::nullopt);
    clock.advance(10s);
    ASSERT_TRUE(waitForCycle(1));
    EXPECT_EQ(tokens.loadCount(), 3);
    EXPECT_EQ(vm->telegram().botToken(), botToken);
    EXPECT_TRUE(vm->telegram().alertsEnabled());
    // Meanwhile no reply could be read either: that was no reason to ask for a token.
    for (const QString& message : eventMessages())
        EXPECT_FALSE(message.startsWith(QStringLiteral("Couldn’t check Telegram"))) << message.toStdString();

    // Alerts use the token last saved, not the field's text, also one the keyring could not keep.
    vm->setTelegramBotToken(botToken.chopped(1)); // a character deleted, Settings closed unsaved
    clock.advance(5s);
    ASSERT_TRUE(waitForCycle(2));
    EXPECT_EQ(requests(updatesPath), 1);
    tokens.setSaveFailure(TelegramAlertError::keychain(0, QStringLiteral("There’s no keyring to keep it in.")));
    vm->setTelegramBotToken(QStringLiteral("987654321:BBF-y_Zz1"));
    vm->saveTelegramSettings();
    ASSERT_TRUE(waitUntil([&] { return !vm->telegram().isSaving(); }));
    clock.advance(5s);
    EXPECT_TRUE(
        waitUntil([&] { return requests("/bot987654321:BBF-y_Zz1/sendMessage") == 1 && clock.pendingSleeps() == 1; }));
}

// No path stores a token without the Bot API's form: "abc" must not replace a
// working token and then read as "alerts are on".
TEST_F(TelegramAlertsTest, AMalformedTokenIsStoredByNoPath)
{
    server.setReply("POST", sendPath, FakeHttpReply::json(sent));
    server.setReply("GET", updatesPath, FakeHttpReply::json(noUpdates));
    tokens.setItem(botToken);
    LocationPlannerViewModel& vm = buildWithBot();
    const std::pair<const char*, void (LocationPlannerViewModel::*)()> actions[] = {
        {"Save", &LocationPlannerViewModel::saveTelegramSettings},
        {"Load chat ID", &LocationPlannerViewModel::loadTelegramChatID},
        {"Send test", &LocationPlannerViewModel::testTelegramAlert},
    };
    for (const auto& [name, action] : actions) {
        for (const QString& token : {QStringLiteral("abc"), QStringLiteral("123456789"), QStringLiteral("bot123:abc"),
                                     QStringLiteral("123:abc def"), QStringLiteral("123:abc/sendMessage?x=")}) {
            SCOPED_TRACE(testing::Message() << name << ": " << token.toStdString());
            Access::setBotToken(vm, token);
            (vm.*action)();
            ASSERT_TRUE(waitUntil([&] {
                return !vm.telegram().isSaving() && !vm.telegram().isLoadingChat() && !vm.telegram().isTesting();
            }));
            EXPECT_TRUE(vm.telegram().statusMessage().startsWith(QStringLiteral("This isn’t a bot token")))
                << vm.telegram().statusMessage().toStdString();
            EXPECT_EQ(tokens.saveCount(), 0);
            EXPECT_EQ(tokens.item(), botToken);
        }
    }
    EXPECT_EQ(server.requestCount(), 0);

    // Saved with the switch off, then switched on: the status follows the switch.
    vm.setTelegramAlertsEnabled(false);
    Access::setBotToken(vm, botToken);
    vm.saveTelegramSettings();
    ASSERT_TRUE(waitUntil([&] { return !vm.telegram().isSaving(); }));
    EXPECT_EQ(vm.telegram().statusMessage(), QStringLiteral("Settings saved. Turn on alerts to use them."));
    vm.setTelegramAlertsEnabled(true);
    EXPECT_EQ(vm.telegram().statusMessage(), QStringLiteral("Telegram alerts are on."));
    vm.setTelegramAlertsEnabled(false);
    EXPECT_EQ(vm.telegram().statusMessage(), QStringLiteral("Telegram is set up. Alerts are off."));
}

// Replies count by Telegram's clock: ahead, a fresh reply was ignored; behind, an old "ok" acknowledged the next.
class TelegramClockTest : public TelegramAlertsTest, public testing::WithParamInterface<std::chrono::hours> {};

TEST_P(TelegramClockTest, RepliesCountFromTheIncidentsFirstMessageByTelegramsClock)
{
    test::FakeTelegramBotApi api(server, botToken);
    const qint64 telegramNow = clock.wallNow().addSecs(-std::chrono::seconds(GetParam()).count()).toSecsSinceEpoch();
    server.setReply("POST", sendPath,
                    FakeHttpReply::json(QByteArray(sent).replace("1767225600", QByteArray::number(telegramNow))));
    LocationPlannerViewModel& vm = buildWithBot();
    openIncident(vm);
    ASSERT_TRUE(waitForCycle(1));
    api.addMessage(42, QStringLiteral("ok"), telegramNow + 3);
    clock.advance(5s);
    ASSERT_TRUE(waitUntil([&] { return Access::incidentAcknowledged(vm); }));

    Access::stopLocationLock(vm); // the incident ends
    clock.advance(60s);           // the next incident; the old "ok" still waits in the queue
    server.setReply("POST", sendPath,
                    FakeHttpReply::json(QByteArray(sent).replace("1767225600", QByteArray::number(telegramNow + 60))));
    openIncident(vm);
    ASSERT_TRUE(waitForCycle(2));
    clock.advance(5s);
    ASSERT_TRUE(waitForCycle(3));
    EXPECT_FALSE(Access::incidentAcknowledged(vm));
}

INSTANTIATE_TEST_SUITE_P(ComputerClockAheadAndBehind, TelegramClockTest, testing::Values(3h, -3h));

} // namespace
