#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;

namespace ostrevin {

class LocationPlannerViewModel;
class ProgressButton;
class SettingsStore;

namespace kit {
class KitLabel;
}

/// The Alerts tab: the alarm sound switch and the Telegram bot alerts (switch,
/// token, chat ID, Save / Load chat ID / Send test and their status line). The
/// token field is masked: the stored token is never shown in clear, and Qt
/// neither copies it out nor reads it to assistive technology.
class AlertsSettingsView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AlertsSettingsView)

public:
    AlertsSettingsView(LocationPlannerViewModel& viewModel, SettingsStore& settings, QWidget* parent = nullptr);
    ~AlertsSettingsView() override = default;

private:
    void sync();
    void syncAlarmSound();
    bool isTelegramBusy() const;

    LocationPlannerViewModel& m_viewModel;
    SettingsStore& m_settings;
    QCheckBox* m_alarmSound;
    QCheckBox* m_telegramEnabled;
    QLineEdit* m_token;
    QLineEdit* m_chatID;
    ProgressButton* m_save;
    ProgressButton* m_loadChat;
    ProgressButton* m_test;
    kit::KitLabel* m_status;
};

} // namespace ostrevin
