#include "alerts/TelegramAlertError.h"

#include "platform/PlatformFactory.h"

#include <utility>

namespace ostrevin {

TelegramAlertError::TelegramAlertError(Kind kind, QString reason, int status)
    : m_kind(kind), m_reason(std::move(reason)), m_status(status)
{
    // what() must stay valid for the object's lifetime, so the text is kept here.
    m_what = description().toUtf8();
}

TelegramAlertError TelegramAlertError::api(QString reason, std::optional<std::chrono::seconds> retryAfter)
{
    TelegramAlertError error(Kind::api, std::move(reason), 0);
    error.m_retryAfter = retryAfter;
    return error;
}

TelegramAlertError TelegramAlertError::keychain(int status, QString platformMessage)
{
    return TelegramAlertError(Kind::keychain, std::move(platformMessage), status);
}

TelegramAlertError TelegramAlertError::invalidConfiguration()
{
    return TelegramAlertError(Kind::invalidConfiguration, {}, 0);
}

TelegramAlertError TelegramAlertError::invalidResponse()
{
    return TelegramAlertError(Kind::invalidResponse, {}, 0);
}

QString TelegramAlertError::description() const
{
    switch (m_kind) {
    case Kind::api:
        //: A failure reported by the Telegram Bot API; %1 is its reason.
        return tr("Telegram: %1").arg(m_reason);
    case Kind::keychain: {
        //: Shown when the secret store has no message of its own for a failure; %1 is its status code.
        const QString message = m_reason.isEmpty() ? tr("error %1").arg(m_status) : m_reason;
        if (PlatformFactory::keepsSecretsInKeychain()) {
            //: Saving the Telegram bot token in the macOS keychain failed; %1 says why.
            return tr("The token couldn’t be saved to the keychain: %1").arg(message);
        }
        //: Saving the Telegram bot token in the desktop's keyring failed; %1 says why.
        return tr("The token couldn’t be saved to the keyring: %1").arg(message);
    }
    case Kind::invalidConfiguration:
        //: The Telegram settings are incomplete or the bot token is malformed.
        return tr("Enter the Telegram bot token and chat ID.");
    case Kind::invalidResponse:
        //: The Telegram Bot API answered with something that could not be understood.
        return tr("Telegram returned an invalid response.");
    }
    return {};
}

const char* TelegramAlertError::what() const noexcept
{
    return m_what.constData();
}

} // namespace ostrevin
