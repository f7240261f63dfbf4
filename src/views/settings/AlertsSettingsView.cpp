#include "views/settings/AlertsSettingsView.h"

#include "alerts/TelegramAlertConfiguration.h"
#include "planner/LocationPlannerViewModel.h"
#include "platform/SettingsStore.h"
#include "routedata/AppSettings.h"
#include "views/kit/KitLabel.h"
#include "views/settings/ProgressButton.h"
#include "views/settings/SettingsObservers.h"
#include "views/settings/SettingsSection.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace ostrevin {

namespace {

void setTextIfDifferent(QLineEdit* field, const QString& text)
{
    // Replacing equal text would move the cursor while the user types.
    if (field->text() == text)
        return;
    const QSignalBlocker blocker(field);
    field->setText(text);
}

} // namespace

AlertsSettingsView::AlertsSettingsView(LocationPlannerViewModel& viewModel, SettingsStore& settings, QWidget* parent)
    : QWidget(parent), m_viewModel(viewModel), m_settings(settings), m_alarmSound(new QCheckBox),
      m_telegramEnabled(new QCheckBox), m_token(new QLineEdit), m_chatID(new QLineEdit),
      //: Button that saves the Telegram settings.
      m_save(new ProgressButton(tr("Save"))),
      //: Button in Settings › Alerts › Telegram alerts. Keep short; three buttons share one row.
      m_loadChat(new ProgressButton(tr("Load chat ID"))),
      //: Button in Settings › Alerts › Telegram alerts that sends a test message. Keep short; three buttons share one
      //: row.
      m_test(new ProgressButton(tr("Send test"))), m_status(new kit::KitLabel(QString(), kit::TextStyle::Callout))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* form = new SettingsForm(this);
    layout->addWidget(form);

    //: Settings › Alerts: section header.
    SettingsSection* interruption = form->addSection(tr("Location interruption"));
    m_alarmSound->setObjectName(QStringLiteral("alarmSoundSwitch"));
    //: Settings › Alerts: switch.
    m_alarmSound->setText(tr("Play alarm sound"));
    interruption->addRow(m_alarmSound);
    //: Settings › Alerts: note under the alarm sound switch.
    interruption->setFooter(tr("The full-screen warning always appears when the simulated location is interrupted."));
    connect(m_alarmSound, &QCheckBox::toggled, this,
            [this](bool on) { AppSettings::setAlarmSoundEnabled(on, m_settings); });
    connect(&m_settings, &SettingsStore::valueChanged, this, [this](const QString& key) {
        if (key == AppSettings::name(AppSettings::Key::alarmSoundEnabled))
            syncAlarmSound();
    });

    //: Settings › Alerts: section header.
    SettingsSection* telegram = form->addSection(tr("Telegram alerts"));
    m_telegramEnabled->setObjectName(QStringLiteral("telegramSwitch"));
    //: Settings › Alerts › Telegram alerts: switch.
    m_telegramEnabled->setText(tr("Alert me when the location is interrupted"));
    telegram->addRow(m_telegramEnabled);
    connect(m_telegramEnabled, &QCheckBox::toggled, this,
            [this](bool on) { m_viewModel.setTelegramAlertsEnabled(on); });

    m_token->setObjectName(QStringLiteral("botTokenField"));
    m_token->setEchoMode(QLineEdit::Password);
    m_token->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText);
    m_token->setAccessibleName(tr("Telegram bot token"));
    m_token->setMinimumWidth(240);
    //: Settings › Alerts › Telegram alerts: field title.
    telegram->addLabeledRow(tr("Bot token"), m_token);
    connect(m_token, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_viewModel.setTelegramBotToken(text); });

    m_chatID->setObjectName(QStringLiteral("chatIDField"));
    m_chatID->setAccessibleName(tr("Telegram chat ID"));
    m_chatID->setMinimumWidth(240);
    //: Settings › Alerts › Telegram alerts: field title.
    telegram->addLabeledRow(tr("Chat ID"), m_chatID);
    connect(m_chatID, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_viewModel.setTelegramChatID(text); });

    auto* actions = new QWidget;
    auto* column = new QVBoxLayout(actions);
    column->setSpacing(8);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    m_save->setObjectName(QStringLiteral("telegramSave"));
    m_loadChat->setObjectName(QStringLiteral("telegramLoadChat"));
    //: Settings › Alerts › Telegram alerts: tooltip of "Load chat ID".
    m_loadChat->setToolTip(tr("Loads the chat ID from the last message you sent to the bot."));
    m_test->setObjectName(QStringLiteral("telegramTest"));
    for (ProgressButton* button : {m_save, m_loadChat, m_test})
        buttons->addWidget(button);
    buttons->addStretch(1);
    column->addLayout(buttons);
    m_status->setObjectName(QStringLiteral("telegramStatus"));
    m_status->setColorRole(kit::BrandColor::Secondary);
    column->addWidget(m_status);
    telegram->addRow(actions);
    //: Settings › Alerts › Telegram alerts: note.
    telegram->setFooter(tr("When the location is interrupted, a message arrives every 5 seconds until you "
                           "acknowledge the alert in Ostrevin or reply /ok."));
    connect(m_save, &QPushButton::clicked, &m_viewModel, &LocationPlannerViewModel::saveTelegramSettings);
    connect(m_loadChat, &QPushButton::clicked, &m_viewModel, &LocationPlannerViewModel::loadTelegramChatID);
    connect(m_test, &QPushButton::clicked, &m_viewModel, &LocationPlannerViewModel::testTelegramAlert);

    using Telegram = TelegramSettingsModel;
    for (auto signal : {&Telegram::alertsEnabledChanged, &Telegram::botTokenChanged, &Telegram::chatIDChanged,
                        &Telegram::statusMessageChanged})
        connect(&m_viewModel.telegram(), signal, this, &AlertsSettingsView::sync);
    onRuleInputsChanged(m_viewModel, this, [this] { sync(); });
    syncAlarmSound();
    sync();
}

bool AlertsSettingsView::isTelegramBusy() const
{
    return m_viewModel.telegram().isBusy();
}

void AlertsSettingsView::syncAlarmSound()
{
    const QSignalBlocker blocker(m_alarmSound);
    m_alarmSound->setChecked(AppSettings::isAlarmSoundEnabled(m_settings));
}

void AlertsSettingsView::sync()
{
    {
        const QSignalBlocker blocker(m_telegramEnabled);
        m_telegramEnabled->setChecked(m_viewModel.telegram().alertsEnabled());
    }
    const bool tokenReplaced = m_token->text() != m_viewModel.telegram().botToken();
    setTextIfDifferent(m_token, m_viewModel.telegram().botToken());
    // A loaded token shows its first dots, not a field scrolled to its end.
    if (tokenReplaced && !m_token->hasFocus())
        m_token->setCursorPosition(0);
    setTextIfDifferent(m_chatID, m_viewModel.telegram().chatID());
    m_status->setText(m_viewModel.telegram().statusMessage());

    const bool busy = isTelegramBusy();
    const QString& token = m_viewModel.telegram().botToken();
    m_save->setWorking(m_viewModel.telegram().isSaving());
    m_loadChat->setWorking(m_viewModel.telegram().isLoadingChat());
    m_test->setWorking(m_viewModel.telegram().isTesting());
    m_save->setEnabled(!busy);
    // Only an empty token disables the lookup; one of spaces is the service's to refuse.
    m_loadChat->setEnabled(!busy && !token.isEmpty());
    m_test->setEnabled(!busy && TelegramAlertConfiguration{token, m_viewModel.telegram().chatID()}.isValid());
}

} // namespace ostrevin
