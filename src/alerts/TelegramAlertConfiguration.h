#pragma once

#include <QString>

namespace ostrevin {

/// The bot token and chat ID every Telegram operation takes, both exactly as the
/// user typed them. Built on demand from the view model's fields; never stored.
struct TelegramAlertConfiguration {
    QString botToken;
    QString chatID;

    /// Both fields hold something besides white space. The token's form is checked
    /// only when a request is built from it.
    bool isValid() const { return !botToken.trimmed().isEmpty() && !chatID.trimmed().isEmpty(); }

    bool operator==(const TelegramAlertConfiguration&) const = default;
};

} // namespace ostrevin
