#include "SettingsFixture.h"
#include "views/kit/KitLabel.h"
#include "views/settings/ProgressButton.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>

using namespace ostrevin;
using namespace ostrevin::test;
using namespace Qt::StringLiterals;

namespace {

class DeviceAndAlertSettingsTest : public SettingsFixture {};

TEST_F(DeviceAndAlertSettingsTest, TheIntervalStepsBy5Within5To60AndIsStoredAtOnce)
{
    struct Case {
        const char* name;
        double start;
        bool up;
        double expected;
    };
    for (const Case& c : {Case{"top", 60, true, 60}, Case{"bottom", 5, false, 5}, Case{"up", 15, true, 20},
                          Case{"down", 15, false, 10}}) {
        SCOPED_TRACE(c.name);
        window.reset();
        build();
        vm->setLockRefreshIntervalSeconds(c.start);
        open();
        auto* stepper = child<QSpinBox>(u"intervalStepper"_s);
        c.up ? stepper->stepUp() : stepper->stepDown();
        EXPECT_EQ(vm->hold().lockRefreshIntervalSeconds(), c.expected);
        // A new settings object over the same file reads what the step stored.
        SettingsStore reread(settings->filePath());
        EXPECT_EQ(AppSettings::storedLockRefreshInterval(reread), c.expected);
        const QString label = u"Check location every %1 seconds"_s.arg(int(c.expected));
        EXPECT_NE(window->findChild<kit::KitLabel*>(), nullptr);
        bool shown = false;
        for (kit::KitLabel* text : window->findChildren<kit::KitLabel*>())
            shown = shown || text->text() == label;
        EXPECT_TRUE(shown) << label.toStdString();
    }
}

TEST_F(DeviceAndAlertSettingsTest, ATypedIntervalOutsideTheRangeBecomesTheNearestBound)
{
    open();
    auto* stepper = child<QSpinBox>(u"intervalStepper"_s);
    for (const auto& [typed, expected] : {std::pair{"3", 5.0}, std::pair{"45", 45.0}}) {
        stepper->selectAll();
        QTest::keyClicks(stepper, QString::fromLatin1(typed));
        QTest::keyClick(stepper, Qt::Key_Return);
        EXPECT_EQ(vm->hold().lockRefreshIntervalSeconds(), expected) << typed;
    }
}

TEST_F(DeviceAndAlertSettingsTest, AVerificationOfTheHeldPointLeavesTheStepperAndTheSwitchUsable)
{
    open();
    PlannerTestAccess::setHelperStatus(*vm, readyStatus());
    PlannerTestAccess::holdPoint(*vm, makePoint(u"Prague"_s, 50.08, 14.42), true);
    auto* stepper = child<QSpinBox>(u"intervalStepper"_s);
    auto* autoSend = child<QCheckBox>(u"autoSendSwitch"_s);
    ASSERT_TRUE(autoSend->isEnabled());

    // A verification starts between two typed digits.
    stepper->setFocus();
    stepper->selectAll();
    QTest::keyClick(stepper, Qt::Key_4);
    PlannerTestAccess::setLockRefreshing(*vm, true);
    EXPECT_TRUE(stepper->isEnabled());
    QTest::keyClick(stepper, Qt::Key_5);
    QTest::keyClick(stepper, Qt::Key_Return);
    EXPECT_EQ(vm->hold().lockRefreshIntervalSeconds(), 45.0);

    EXPECT_TRUE(autoSend->isEnabled());
    const bool before = vm->autoSendOnAdd();
    QTest::mouseClick(autoSend, Qt::LeftButton, {}, QPoint(8, autoSend->height() / 2));
    EXPECT_EQ(vm->autoSendOnAdd(), !before);
    PlannerTestAccess::setLockRefreshing(*vm, false);
    EXPECT_TRUE(autoSend->isEnabled());
}

TEST_F(DeviceAndAlertSettingsTest, TelegramButtonsFollowTheFieldsAndTheRunningOperation)
{
    struct Case {
        const char* name;
        QString token, chat;
        bool saving, loading, testing;
        bool save, load, test;
    };
    const QString token = u"123456:ABC-def_1"_s;
    for (const Case& c : {
             Case{"empty", {}, {}, false, false, false, true, false, false},
             Case{"token of spaces", u"   "_s, u"42"_s, false, false, false, true, true, false},
             Case{"chat of spaces", token, u"  "_s, false, false, false, true, true, false},
             Case{"both", token, u"42"_s, false, false, false, true, true, true},
             Case{"chat with a space after it", token, u"2080950937 "_s, false, false, false, true, true, true},
             Case{"saving", token, u"42"_s, true, false, false, false, false, false},
             Case{"loading", token, u"42"_s, false, true, false, false, false, false},
             Case{"testing", token, u"42"_s, false, false, true, false, false, false},
         }) {
        SCOPED_TRACE(c.name);
        window.reset();
        settings->remove(AppSettings::name(AppSettings::Key::telegramChatID));
        build();
        open();
        QTest::keyClicks(child<QLineEdit>(u"botTokenField"_s), c.token);
        QTest::keyClicks(child<QLineEdit>(u"chatIDField"_s), c.chat);
        EXPECT_EQ(vm->telegram().botToken(), c.token);
        // The chat ID is kept in the one form alerts are sent to and replies matched by.
        EXPECT_EQ(vm->telegram().chatID(), c.chat.trimmed());
        PlannerTestAccess::setTelegramBusy(*vm, c.saving, c.loading, c.testing);
        auto* save = child<ProgressButton>(u"telegramSave"_s);
        EXPECT_EQ(save->isEnabled(), c.save);
        EXPECT_EQ(child<ProgressButton>(u"telegramLoadChat"_s)->isEnabled(), c.load);
        EXPECT_EQ(child<ProgressButton>(u"telegramTest"_s)->isEnabled(), c.test);
        // While saving, the title gives way to the spinner but stays the button's name.
        EXPECT_EQ(save->text().isEmpty(), c.saving);
        EXPECT_EQ(save->accessibleName(), u"Save"_s);
    }
}

TEST_F(DeviceAndAlertSettingsTest, TheTokenIsNeverShownInClear)
{
    const QString token = u"123456:SECRET-token_value"_s;
    build();
    PlannerTestAccess::setBotToken(*vm, token);
    open();
    auto* field = child<QLineEdit>(u"botTokenField"_s);
    EXPECT_EQ(field->text(), token);
    EXPECT_EQ(field->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(field->displayText().contains(u"SECRET"_s));
    for (kit::KitLabel* label : window->findChildren<kit::KitLabel*>())
        EXPECT_FALSE(label->text().contains(u"SECRET"_s)) << label->text().toStdString();
    for (QLabel* label : window->findChildren<QLabel*>())
        EXPECT_FALSE(label->text().contains(u"SECRET"_s)) << label->text().toStdString();
}

TEST_F(DeviceAndAlertSettingsTest, TheAlarmSoundSwitchIsStoredAtOnce)
{
    open();
    auto* sound = child<QCheckBox>(u"alarmSoundSwitch"_s);
    EXPECT_TRUE(sound->isChecked());
    sound->click();
    EXPECT_FALSE(AppSettings::isAlarmSoundEnabled(*settings));
    AppSettings::resetToDefaults(*settings);
    EXPECT_TRUE(sound->isChecked());
}

} // namespace
