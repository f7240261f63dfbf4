#include "planner/TelegramSettingsModel.h"

#include "planner/ObservableField.h"

namespace ostrevin {

void TelegramSettingsModel::setAlertsEnabled(bool value)
{
    assignObservable(this, m_alertsEnabled, value, &TelegramSettingsModel::alertsEnabledChanged);
}

void TelegramSettingsModel::setBotToken(const QString& value)
{
    assignObservable(this, m_botToken, value, &TelegramSettingsModel::botTokenChanged);
}

void TelegramSettingsModel::setChatID(const QString& value)
{
    assignObservable(this, m_chatID, value, &TelegramSettingsModel::chatIDChanged);
}

void TelegramSettingsModel::setStatusMessage(const QString& value)
{
    assignObservable(this, m_statusMessage, value, &TelegramSettingsModel::statusMessageChanged);
}

void TelegramSettingsModel::setSaving(bool value)
{
    assignObservable(this, m_isSaving, value, &TelegramSettingsModel::isSavingChanged);
}

void TelegramSettingsModel::setTesting(bool value)
{
    assignObservable(this, m_isTesting, value, &TelegramSettingsModel::isTestingChanged);
}

void TelegramSettingsModel::setLoadingChat(bool value)
{
    assignObservable(this, m_isLoadingChat, value, &TelegramSettingsModel::isLoadingChatChanged);
}

} // namespace ostrevin
