#pragma once

#include <QString>

namespace ostrevin {

/// The bot token and chat ID every Telegram operation takes, both exactly as the
/// user typed them. Built on demand from the view model's fields; never stored.
struct TelegramAlertConfiguration {
    QString botToken;
    QString chatID;

    /// The token has the Bot API's form and the chat ID holds something besides
    /// white space: a malformed token never counts as set up.
    bool isValid() const;

    /// Whether a trimmed token has the form the Bot API issues: digits, a colon, then
    /// letters, digits, "_" or "-". Anything else is refused before it reaches a URL.
    static bool isWellFormedToken(const QString& trimmedToken);

    bool operator==(const TelegramAlertConfiguration&) const = default;
};

} // namespace ostrevin
