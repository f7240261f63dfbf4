#pragma once

#include "alerts/TelegramTokenStore.h"

namespace ostrevin {

/// The bot token as one item of the system's secret store (the Secret Service on
/// Linux, the Keychain on macOS) through QtKeychain. It never falls back to an
/// unencrypted file: without a secret store, reads report the store unavailable
/// and writes fail. A token in a locked keyring reads as unavailable, without an
/// unlock prompt; a save may still ask to unlock, since the user asked for it.
class KeychainTokenStore final : public TelegramTokenStore {
public:
    static constexpr const char16_t* service = u"cz.varnek.tovrel.telegram.v2";
    static constexpr const char16_t* key = u"bot-token";

    KeychainTokenStore() = default;

    QCoro::Task<TelegramTokenLoad> load() override;
    QCoro::Task<void> save(QString token) override;
};

} // namespace ostrevin
