#include "planner/LocationPlannerViewModel.h"

#include "alerts/TelegramAlertConfiguration.h"
#include "alerts/TelegramTokenStore.h"

namespace ostrevin {

void LocationPlannerViewModel::loadTelegramTokenWithoutBlockingLaunch()
{
    const CancelToken token = m_telegramTokenLoadTask.replace();
    if (!m_deps.telegramTokenStore)
        return;
    m_telegramTokenLoadTask.adopt(loadTelegramToken(QPointer(this), m_deps.telegramTokenStore, token));
}

QCoro::Task<> LocationPlannerViewModel::loadTelegramToken(QPointer<LocationPlannerViewModel> self,
                                                          TelegramTokenStore* tokenStore, CancelToken token)
{
    const TelegramTokenLoad loaded = co_await tokenStore->load();
    if (!self || token.isCancelled())
        co_return;
    if (loaded.status == TelegramTokenLoad::Status::unavailable) {
        // A locked or missing secret service is not a missing token: the user's
        // switch and chat ID stay as they are, and saving the token again fixes it.
        //: Event log entry. %1 says why the secret store could not be read.
        self->logEvent(tr("The Telegram bot token couldn’t be read: %1").arg(loaded.failure), TrackerLogLevel::warning);
        co_return;
    }
    self->setTelegramBotToken(loaded.status == TelegramTokenLoad::Status::found ? loaded.token : QString());
    if (TelegramAlertConfiguration{self->m_telegramBotToken, self->m_telegramChatID}.isValid()) {
        self->setTelegramStatusMessage(self->m_telegramAlertsEnabled
                                           //: Telegram alerts status line (Tools › Telegram alerts).
                                           ? tr("Telegram alerts are on.")
                                           //: Telegram alerts status line (Tools › Telegram alerts).
                                           : tr("Telegram is set up. Alerts are off."));
    } else if (self->m_telegramAlertsEnabled || !self->m_telegramChatID.trimmed().isEmpty()) {
        self->setTelegramAlertsEnabled(false);
        //: Telegram alerts status line (Tools › Telegram alerts).
        self->setTelegramStatusMessage(tr("Enter the bot token again and click Save."));
    }
}

} // namespace ostrevin
