#pragma once

#include "alerts/TelegramTokenLoad.h"

#include <QCoro/QCoroTask>
#include <QString>

namespace ostrevin {

/// Where the Telegram bot token is kept: a per-user secret store, never the settings
/// file. Operations are asynchronous and never block the calling (GUI) thread.
class TelegramTokenStore {
public:
    virtual ~TelegramTokenStore() = default;

    /// Reads the token without ever showing a prompt.
    virtual QCoro::Task<TelegramTokenLoad> load() = 0;
    /// Stores token trimmed of white space, replacing any stored one. An empty
    /// (or blank) token deletes the item instead; a failed deletion is not reported.
    /// Throws TelegramAlertError::keychain when the token cannot be written.
    virtual QCoro::Task<void> save(QString token) = 0;

protected:
    TelegramTokenStore() = default;
    TelegramTokenStore(const TelegramTokenStore&) = default;
    TelegramTokenStore& operator=(const TelegramTokenStore&) = default;
};

} // namespace ostrevin
