#pragma once

#include "alerts/TelegramAlertError.h"
#include "alerts/TelegramTokenStore.h"
#include "support/AwaitTask.h"

#include <gtest/gtest.h>

namespace ostrevin::test {

inline TelegramTokenLoad loadNow(TelegramTokenStore& store)
{
    const auto outcome = awaitTask(store.load());
    EXPECT_TRUE(outcome.value.has_value()) << "load did not finish or threw";
    return outcome.value.value_or(TelegramTokenLoad{TelegramTokenLoad::Status::unavailable, {}, {}});
}

inline void saveNow(TelegramTokenStore& store, const QString& token)
{
    const auto outcome = awaitTask(store.save(token));
    ASSERT_TRUE(outcome.finished);
    const auto error = outcome.errorAs<TelegramAlertError>();
    EXPECT_FALSE(outcome.error) << (error ? error->description().toStdString() : "save threw");
}

/// What every token store must do, starting from an empty store: add, read, replace
/// in place, delete by an empty token, read after deletion, and delete again.
inline void expectTokenStoreContract(TelegramTokenStore& store)
{
    using Status = TelegramTokenLoad::Status;
    const TelegramTokenLoad missing{Status::missing, {}, {}};
    EXPECT_EQ(loadNow(store), missing);

    saveNow(store, QStringLiteral("  123456:AAE-first_token \n"));
    EXPECT_EQ(loadNow(store), (TelegramTokenLoad{Status::found, QStringLiteral("123456:AAE-first_token"), {}}));

    saveNow(store, QStringLiteral("654321:second-Token_ü"));
    EXPECT_EQ(loadNow(store), (TelegramTokenLoad{Status::found, QStringLiteral("654321:second-Token_ü"), {}}));

    saveNow(store, QStringLiteral(" \t\n"));
    EXPECT_EQ(loadNow(store), missing);

    // Deleting when there is nothing to delete is silent.
    saveNow(store, QString());
    EXPECT_EQ(loadNow(store), missing);
}

} // namespace ostrevin::test
