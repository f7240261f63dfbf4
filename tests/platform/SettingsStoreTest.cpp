#include "platform/SettingsStore.h"

#include "platform/AppPaths.h"
#include "support/TempDir.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace ostrevin;

TEST(AppPaths, FoldersSitUnderTheGivenRoots)
{
    AppPaths paths(QStringLiteral("/d"), QStringLiteral("/c"));
    EXPECT_EQ(paths.dataDirectory(), QStringLiteral("/d/Ostrevin"));
    EXPECT_EQ(paths.runtimeDirectory(), QStringLiteral("/d/Ostrevin/Runtime"));
    EXPECT_EQ(paths.settingsFile(QStringLiteral("com.pellwick.mac")),
              QStringLiteral("/c/Ostrevin/com.pellwick.mac.conf"));
}

TEST(SettingsStore, ValuesSurviveReopeningAndSignalEachWrite)
{
    test::TempDir dir;
    const QString file = dir.file(QStringLiteral("Ostrevin/com.ostrevin.mac.conf"));
    {
        SettingsStore store(file);
        QSignalSpy spy(&store, &SettingsStore::valueChanged);
        store.setValue(QStringLiteral("Tovrel.telegram.enabled"), true);
        store.setValue(QStringLiteral("Pellwick.lockRefreshInterval"), 12.5);
        store.setValue(QStringLiteral("Pellwick.lockRefreshInterval"), 12.5);
        store.remove(QStringLiteral("Absent.key"));
        store.remove(QStringLiteral("Tovrel.telegram.enabled"));
        ASSERT_EQ(spy.count(), 4);
        EXPECT_EQ(spy.at(3).at(0).toString(), QStringLiteral("Tovrel.telegram.enabled"));
        store.setValue(QStringLiteral("Tovrel.lockedPoint"), QByteArray("{\"a\":1}"));
    }
    SettingsStore reopened(file);
    bool ok = false;
    EXPECT_DOUBLE_EQ(reopened.value(QStringLiteral("Pellwick.lockRefreshInterval")).toDouble(&ok), 12.5);
    EXPECT_TRUE(ok);
    EXPECT_FALSE(reopened.contains(QStringLiteral("Tovrel.telegram.enabled")));
    EXPECT_EQ(reopened.value(QStringLiteral("Tovrel.lockedPoint")).toByteArray(), QByteArray("{\"a\":1}"));
    EXPECT_FALSE(reopened.value(QStringLiteral("Nothing")).isValid());
}
