#include "PlannerFixture.h"
#include "alerts/MemoryTokenStore.h"

using namespace ostrevin;
using namespace ostrevin::test;

namespace {

class TelegramSettingsTest : public PlannerFixture {
protected:
    LocationPlannerViewModel& buildWithTokens()
    {
        auto deps = dependencies();
        deps.telegramTokenStore = &tokens;
        vm = std::make_unique<LocationPlannerViewModel>(deps, LocationPlannerViewModel::Services::leaveStopped);
        return *vm;
    }

    MemoryTokenStore tokens;
};

TEST_F(TelegramSettingsTest, TheLaunchReadOfTheTokenSettlesTheStatusLine)
{
    struct Case {
        const char* name;
        std::optional<QString> item;
        std::optional<QString> unavailable;
        bool enabled;
        QString chatID;
        bool enabledAfter;
        QString status;
        QString token;
    };
    const QString notSetUp = QStringLiteral("Telegram alerts aren’t set up.");
    const QList<Case> cases{
        {"set up and on", QStringLiteral("123:abc"), std::nullopt, true, QStringLiteral("42"), true,
         QStringLiteral("Telegram alerts are on."), QStringLiteral("123:abc")},
        {"set up and off", QStringLiteral("123:abc"), std::nullopt, false, QStringLiteral("42"), false,
         QStringLiteral("Telegram is set up. Alerts are off."), QStringLiteral("123:abc")},
        {"token gone", std::nullopt, std::nullopt, true, QStringLiteral("42"), false,
         QStringLiteral("Enter the bot token again and click Save."), QString()},
        {"never set up", std::nullopt, std::nullopt, false, QStringLiteral("  "), false, notSetUp, QString()},
        // Stored before every path checked the form: it could never send an alert.
        {"malformed token stored", QStringLiteral("abc"), std::nullopt, true, QStringLiteral("42"), false,
         QStringLiteral("Enter the bot token again and click Save."), QString()},
        // A locked keyring must not cost the user the switch.
        {"store locked", std::nullopt, QStringLiteral("The keyring is locked."), true, QStringLiteral("42"), true,
         QStringLiteral("The bot token couldn’t be read from the keyring, so alerts can’t be sent: "
                        "The keyring is locked."),
         QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tokens.setItem(c.item);
        tokens.setUnavailable(c.unavailable);
        settings->setValue(LocationPlannerViewModel::telegramEnabledStorageKey(), c.enabled);
        settings->setValue(LocationPlannerViewModel::telegramChatIDStorageKey(), c.chatID);
        auto& model = buildWithTokens();
        model.loadTelegramTokenWithoutBlockingLaunch();
        ManualClock::runPostedEvents();
        EXPECT_EQ(model.telegram().alertsEnabled(), c.enabledAfter);
        EXPECT_EQ(settings->value(LocationPlannerViewModel::telegramEnabledStorageKey()).toBool(), c.enabledAfter);
        EXPECT_EQ(model.telegram().statusMessage(), c.status);
        EXPECT_EQ(model.telegram().botToken(), c.token);
        if (c.unavailable) {
            EXPECT_EQ(model.eventLog().diagnosticEvents().first().level, TrackerLogLevel::warning);
        }
        vm.reset();
    }
}

TEST_F(TelegramSettingsTest, AReadThatEndsAfterTheViewModelIsGoneChangesNothing)
{
    tokens.setItem(QStringLiteral("123:abc"));
    tokens.holdLoads(true);
    auto& model = buildWithTokens();
    model.loadTelegramTokenWithoutBlockingLaunch();
    // A second start replaces the first read; only one may land.
    model.loadTelegramTokenWithoutBlockingLaunch();
    vm.reset();
    tokens.release();
    ManualClock::runPostedEvents();
    EXPECT_EQ(tokens.loadCount(), 2);
}

TEST_F(TelegramSettingsTest, SwitchAndChatIDAreStoredOnEveryChange)
{
    // One stored form of the chat ID, restored, sent to and matched alike.
    settings->setValue(LocationPlannerViewModel::telegramChatIDStorageKey(), QStringLiteral("2080950937 "));
    auto& model = build();
    EXPECT_EQ(model.telegram().chatID(), QStringLiteral("2080950937"));
    model.setTelegramChatID(QStringLiteral(" 42\n"));
    EXPECT_EQ(model.telegram().chatID(), QStringLiteral("42"));
    EXPECT_EQ(settings->value(LocationPlannerViewModel::telegramChatIDStorageKey()).toString(), QStringLiteral("42"));
    model.setTelegramAlertsEnabled(true);
    EXPECT_TRUE(settings->value(LocationPlannerViewModel::telegramEnabledStorageKey()).toBool());
    PlannerTestAccess::setIncidentActive(model, true);
    model.setTelegramAlertsEnabled(false);
    EXPECT_FALSE(settings->value(LocationPlannerViewModel::telegramEnabledStorageKey()).toBool());
    EXPECT_EQ(model.telegram().statusMessage(),
              QStringLiteral("Telegram alerts are off. Location recovery continues."));
}

} // namespace
