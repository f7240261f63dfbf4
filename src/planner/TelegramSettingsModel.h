#pragma once

#include <QObject>
#include <QString>

namespace ostrevin {

/// The Telegram alert settings as the settings window shows them, and how their
/// save, test and chat lookup go. Only the view model writes them: its operations
/// keep the settings file, the keyring and the alert loop in step. GUI thread only.
class TelegramSettingsModel : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TelegramSettingsModel)
    friend class LocationPlannerViewModel;
    friend struct PlannerTestAccess;

public:
    explicit TelegramSettingsModel(QObject* parent = nullptr) : QObject(parent) {}

    bool alertsEnabled() const { return m_alertsEnabled; }
    const QString& botToken() const { return m_botToken; }
    /// Trimmed: what alerts go to and what replies are matched against.
    const QString& chatID() const { return m_chatID; }
    const QString& statusMessage() const { return m_statusMessage; }
    bool isSaving() const { return m_isSaving; }
    bool isTesting() const { return m_isTesting; }
    bool isLoadingChat() const { return m_isLoadingChat; }
    /// A save, test or chat lookup runs.
    bool isBusy() const { return m_isSaving || m_isTesting || m_isLoadingChat; }

signals:
    void alertsEnabledChanged();
    void botTokenChanged();
    void chatIDChanged();
    void statusMessageChanged();
    void isSavingChanged();
    void isTestingChanged();
    void isLoadingChatChanged();

private:
    void setAlertsEnabled(bool value);
    void setBotToken(const QString& value);
    void setChatID(const QString& value);
    void setStatusMessage(const QString& value);
    void setSaving(bool value);
    void setTesting(bool value);
    void setLoadingChat(bool value);

    bool m_alertsEnabled = false;
    QString m_botToken;
    QString m_chatID;
    QString m_statusMessage;
    bool m_isSaving = false;
    bool m_isTesting = false;
    bool m_isLoadingChat = false;
};

} // namespace ostrevin
