// Runs against a real Secret Service: ctest starts it inside a private D-Bus
// session with a freshly unlocked gnome-keyring (see ../extra.cmake).

#include "alerts/KeychainTokenStore.h"

#include "../TokenStoreContract.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace ostrevin;

namespace {

TEST(KeychainTokenStore, SavesReadsUpdatesAndDeletesInTheSecretService)
{
    KeychainTokenStore store;
    test::expectTokenStoreContract(store);
}

const QString lockedToken = QStringLiteral("777:kept-for-later");

TEST(KeychainTokenStore, LeavesATokenForTheNextSession)
{
    KeychainTokenStore store;
    test::saveNow(store, lockedToken);
    EXPECT_EQ(test::loadNow(store).token, lockedToken);
}

TEST(KeychainTokenStore, LockedKeyringIsNotAMissingToken)
{
    // The keyring holds a token but nobody unlocked it. Reading must not ask for the
    // password, and must not pass the locked keyring off as "no token".
    KeychainTokenStore store;
    const TelegramTokenLoad loaded = test::loadNow(store);
    EXPECT_EQ(loaded.status, TelegramTokenLoad::Status::unavailable);
    EXPECT_EQ(loaded.failure, QStringLiteral("The keyring is locked."));
    EXPECT_TRUE(loaded.token.isEmpty());
}

TEST(KeychainTokenStore, NoLoginKeyringIsSaidInPlainWords)
{
    KeychainTokenStore store;
    const auto error = test::awaitTask(store.save(QStringLiteral("123456:AAE"))).errorAs<TelegramAlertError>();
    EXPECT_TRUE(error && error->description().contains(u"no “login” keyring"));
}

TEST(KeychainTokenStore, NoSecretServiceIsNotAMissingToken)
{
    // Started outside any D-Bus session: the store cannot be reached at all.
    KeychainTokenStore store;
    const TelegramTokenLoad loaded = test::loadNow(store);
    EXPECT_EQ(loaded.status, TelegramTokenLoad::Status::unavailable);
    EXPECT_FALSE(loaded.failure.isEmpty());

    const auto saved = test::awaitTask(store.save(QStringLiteral("123456:AAE")));
    const auto error = saved.errorAs<TelegramAlertError>();
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->kind(), TelegramAlertError::Kind::keychain);
    EXPECT_FALSE(error->description().contains(QStringLiteral("AAE")));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
