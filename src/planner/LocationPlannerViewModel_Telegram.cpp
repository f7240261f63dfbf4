#include "alerts/TelegramAlertConfiguration.h"
#include "alerts/TelegramTokenStore.h"
#include "planner/LocationPlannerViewModel.h"
#include "planner/LocationPlannerViewModel_Private.h"

namespace ostrevin {

void LocationPlannerViewModel::loadTelegramTokenWithoutBlockingLaunch()
{
    const CancelToken token = d->m_telegramTokenLoadTask.replace();
    if (!m_deps.telegramTokenStore)
        return;
    d->m_telegramTokenLoadTask.adopt(Private::loadTelegramToken(QPointer(this), m_deps.telegramTokenStore, token));
}

QCoro::Task<> LocationPlannerViewModel::Private::loadTelegramToken(QPointer<LocationPlannerViewModel> self,
                                                                   TelegramTokenStore* tokenStore, CancelToken token)
{
    const TelegramTokenLoad loaded = co_await tokenStore->load();
    if (!self || token.isCancelled())
        co_return;
    self->d->applyTelegramTokenLoad(loaded);
}

QCoro::Task<> LocationPlannerViewModel::Private::rereadUnreadableTelegramToken(QPointer<LocationPlannerViewModel> self,
                                                                               CancelToken token)
{
    TelegramTokenStore* store = self->m_deps.telegramTokenStore;
    if (!self->d->m_telegramTokenReadFailure || !store)
        co_return;
    const TelegramTokenLoad loaded = co_await store->load();
    // A token saved meanwhile is newer than what this read found.
    if (!self || token.isCancelled() || !self->d->m_telegramTokenReadFailure)
        co_return;
    self->d->applyTelegramTokenLoad(loaded);
}

void LocationPlannerViewModel::Private::applyTelegramTokenLoad(const TelegramTokenLoad& loaded)
{
    if (loaded.status == TelegramTokenLoad::Status::unavailable) {
        // A locked or missing secret service is not a missing token: the user's
        // switch and chat ID stay as they are, and the token is read again when an
        // alert is due.
        const bool known = m_telegramTokenReadFailure == loaded.failure;
        m_telegramTokenReadFailure = loaded.failure;
        //: Telegram alerts status line (Tools › Telegram alerts). %1 says why the keyring could not be read.
        m_telegram->setStatusMessage(
            tr("The bot token couldn’t be read from the keyring, so alerts can’t be sent: %1").arg(loaded.failure));
        if (!known) {
            //: Event log entry. %1 says why the secret store could not be read.
            q.logEvent(tr("The Telegram bot token couldn’t be read: %1").arg(loaded.failure), TrackerLogLevel::warning);
        }
        return;
    }
    m_telegramTokenReadFailure.reset();
    // A stored token without the Bot API's form (written before every path checked
    // it) can never send an alert: it counts as no token.
    const bool usable = loaded.status == TelegramTokenLoad::Status::found &&
                        TelegramAlertConfiguration::isWellFormedToken(loaded.token.trimmed());
    adoptSavedTelegramBotToken(usable ? loaded.token : QString());
    if (savedTelegramConfiguration().isValid()) {
        m_telegram->setStatusMessage(m_telegram->alertsEnabled()
                                         //: Telegram alerts status line (Tools › Telegram alerts).
                                         ? tr("Telegram alerts are on.")
                                         //: Telegram alerts status line (Tools › Telegram alerts).
                                         : tr("Telegram is set up. Alerts are off."));
    } else if (m_telegram->alertsEnabled() || !m_telegram->chatID().trimmed().isEmpty()) {
        q.setTelegramAlertsEnabled(false);
        //: Telegram alerts status line (Tools › Telegram alerts).
        m_telegram->setStatusMessage(tr("Enter the bot token again and click Save."));
    }
}

void LocationPlannerViewModel::Private::adoptSavedTelegramBotToken(const QString& token)
{
    m_savedTelegramBotToken = token;
    q.setTelegramBotToken(token);
}

TelegramAlertConfiguration LocationPlannerViewModel::Private::savedTelegramConfiguration() const
{
    return TelegramAlertConfiguration{m_savedTelegramBotToken, m_telegram->chatID()};
}

} // namespace ostrevin
