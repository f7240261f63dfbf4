#pragma once

#include <QString>

namespace ostrevin {

/// The outcome of reading the bot token. A secret store that is unavailable or
/// locked is not the same as a missing token: the user's Telegram settings must
/// survive a launch where the store could not be reached.
struct TelegramTokenLoad {
    enum class Status {
        /// token holds the stored text, exactly as stored.
        found,
        /// There is no token item, or its content is not text.
        missing,
        /// The store could not be asked; failure says why (never the token).
        unavailable,
    };

    Status status = Status::missing;
    QString token;
    QString failure;

    bool operator==(const TelegramTokenLoad&) const = default;
};

} // namespace ostrevin
