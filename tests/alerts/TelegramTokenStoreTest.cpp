#include "TokenStoreContract.h"
#include "alerts/MemoryTokenStore.h"
#include "alerts/TelegramAlertConfiguration.h"
#include "support/AwaitTask.h"

#include <gtest/gtest.h>

using namespace ostrevin;

namespace {

TEST(MemoryTokenStore, KeepsTheStoreContract)
{
    MemoryTokenStore store;
    test::expectTokenStoreContract(store);
    EXPECT_FALSE(store.item().has_value());
}

TEST(MemoryTokenStore, PlaysTheSecretStoresFailures)
{
    MemoryTokenStore store;
    store.setItem(QStringLiteral("1:a"));
    store.setUnavailable(QStringLiteral("The collection is locked."));
    EXPECT_EQ(
        test::loadNow(store),
        (TelegramTokenLoad{TelegramTokenLoad::Status::unavailable, {}, QStringLiteral("The collection is locked.")}));

    const auto failure = TelegramAlertError::keychain(6, {});
    store.setSaveFailure(failure);
    const auto saved = test::awaitTask(store.save(QStringLiteral("2:b")));
    EXPECT_EQ(saved.errorAs<TelegramAlertError>(), failure);
    EXPECT_EQ(store.item(), QStringLiteral("1:a"));
    EXPECT_EQ(failure.description(), QStringLiteral("The token couldn’t be saved to the keyring: error 6"));
    EXPECT_EQ(TelegramAlertError::keychain(6, QStringLiteral("No keyring daemon")).description(),
              QStringLiteral("The token couldn’t be saved to the keyring: No keyring daemon"));
}

TEST(MemoryTokenStore, HeldLoadReadsTheItemAsItStandsAtRelease)
{
    MemoryTokenStore store;
    store.setItem(QStringLiteral("1:old"));
    store.holdLoads(true);
    std::optional<TelegramTokenLoad> loaded;
    auto pending = [](MemoryTokenStore* s, std::optional<TelegramTokenLoad>* out) -> QCoro::Task<void> {
        *out = co_await s->load();
    }(&store, &loaded);
    EXPECT_FALSE(loaded.has_value());
    test::saveNow(store, QStringLiteral("1:new"));
    store.release();
    ASSERT_TRUE(test::awaitTask(std::move(pending)).finished);
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->token, QStringLiteral("1:new"));
}

// A malformed token is never "set up": it could only fail every alert.
TEST(TelegramAlertConfiguration, IsValidOnlyWithAWellFormedTokenAndAChat)
{
    struct Case {
        const char* token;
        const char* chat;
        bool valid;
    };
    const Case cases[] = {
        {"1:a", "42", true},    {" 1:a\n", "y", true}, {" x ", "y", false},
        {"", "42", false},      {"1:a", "", false},    {" \n", "42", false},
        {"1:a", "\t", false},   {"", "", false},       {"not-a-token", "@chan", false},
        {"1:a", "@chan", true}, {"abc", "42", false},
    };
    for (const Case& c : cases) {
        const TelegramAlertConfiguration configuration{QString::fromUtf8(c.token), QString::fromUtf8(c.chat)};
        EXPECT_EQ(configuration.isValid(), c.valid) << c.token << " / " << c.chat;
    }
}

} // namespace
