#include "routedata/LegacyMigration.h"

#include "platform/AppPaths.h"
#include "platform/SettingsStore.h"
#include "routedata/AppSettings.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/file.h>

using namespace ostrevin;
using namespace Qt::StringLiterals;

TEST(LegacyMigration, MovesOnlyTheFirstLegacyDataFolderAndOnlyWhenTheTargetIsMissing)
{
    struct Case {
        const char* name;
        QStringList present;
        QString expectedMoved;
        int lock = 0;           // a target holding a lock: free (LOCK_UN) or a running copy's (LOCK_EX)
        QStringList addOn = {}; // what a start makes before it saves anything, in the target or a legacy folder
    };
    const Case cases[] = {
        {"both legacy folders", {u"Pellwick"_s, u"Tovrel"_s}, u"Pellwick"_s},
        {"only the second", {u"Tovrel"_s}, u"Tovrel"_s},
        {"target present", {u"Ostrevin"_s, u"Pellwick"_s, u"Tovrel"_s}, QString()},
        {"nothing to move", {}, QString()},
        {"target with a left lock", {u"Tovrel"_s}, u"Tovrel"_s, LOCK_UN},
        {"target with a held lock", {u"Tovrel"_s}, QString(), LOCK_EX},
        {"target with the add-on and a left lock",
         {u"Tovrel"_s},
         u"Tovrel"_s,
         LOCK_UN,
         {u"Ostrevin/Runtime"_s, u"Ostrevin/Runtime.staging-1"_s, u"Ostrevin/owned-processes"_s, u"Tovrel/Runtime"_s}},
        {"target with only the add-on", {u"Pellwick"_s}, u"Pellwick"_s, 0, {u"Ostrevin/Runtime.removing-1"_s}},
        {"target with the add-on and a held lock", {u"Tovrel"_s}, QString(), LOCK_EX, {u"Ostrevin/Runtime"_s}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        for (const QString& name : c.present)
            ASSERT_TRUE(test::writeFile(dir.file(name + u"/history.json"_s), name.toUtf8()));
        for (const QString& entry : c.addOn)
            ASSERT_TRUE(test::writeFile(dir.file(entry + u"/marker"_s), entry.toUtf8()));
        QFile lock(dir.file(u"Ostrevin/"_s) + AppPaths::lockFileName());
        if (c.lock) {
            ASSERT_TRUE(QDir().mkpath(dir.file(u"Ostrevin"_s)) && lock.open(QIODevice::ReadWrite));
            ASSERT_EQ(::flock(lock.handle(), c.lock | LOCK_NB), 0);
        }

        const std::optional<QString> moved = LegacyMigration::migrateDataFolder(dir.path());
        EXPECT_EQ(moved.has_value(), !c.expectedMoved.isEmpty());
        // The add-on installed in the target stays, over a legacy folder's own.
        for (const QString& entry : c.addOn) {
            if (entry.startsWith(u"Ostrevin/"_s) || !moved) {
                EXPECT_EQ(test::readFile(dir.file(entry + u"/marker"_s)), entry.toUtf8());
            }
        }
        if (c.expectedMoved.isEmpty()) {
            for (const QString& name : c.present)
                EXPECT_EQ(test::readFile(dir.file(name + u"/history.json"_s)), name.toUtf8());
            continue;
        }
        EXPECT_EQ(*moved, dir.file(c.expectedMoved));
        EXPECT_FALSE(QFileInfo::exists(dir.file(c.expectedMoved)));
        EXPECT_EQ(test::readFile(dir.file(u"Ostrevin/history.json"_s)), c.expectedMoved.toUtf8());
        for (const QString& name : c.present) {
            if (name != c.expectedMoved) {
                EXPECT_TRUE(QFileInfo(dir.file(name)).isDir());
            }
        }
    }
}

namespace {

struct Domains {
    test::TempDir dir;
    AppPaths paths{dir.file(u"data"_s), dir.file(u"config"_s)};

    void write(const QString& domain, const QList<std::pair<QString, QVariant>>& values)
    {
        SettingsStore store(paths.settingsFile(domain));
        for (const auto& [key, value] : values)
            store.setValue(key, value);
        store.sync();
    }
};

} // namespace

TEST(LegacyMigration, CopiesMissingKeysOnceFirstLegacyDomainWinning)
{
    Domains d;
    d.write(u"com.ostrevin.mac"_s, {{u"Pellwick.units"_s, u"kilometers"_s}});
    d.write(u"com.pellwick.mac"_s, {{u"Pellwick.units"_s, u"miles"_s}, {u"Pellwick.mapStyle"_s, u"hybrid"_s}});
    d.write(u"cz.varnek.tovrel"_s, {{u"Pellwick.mapStyle"_s, u"satellite"_s}, {u"Tovrel.telegram.chatID"_s, u"7"_s}});

    ASSERT_TRUE(QDir().mkpath(d.dir.file(u"data/Tovrel"_s)));
    {
        SettingsStore app(d.paths.settingsFile(u"com.ostrevin.mac"_s));
        LegacyMigration::runIfNeeded(d.paths, app, u"com.ostrevin.mac"_s);
    }
    EXPECT_TRUE(QFileInfo(d.paths.dataDirectory()).isDir());

    SettingsStore app(d.paths.settingsFile(u"com.ostrevin.mac"_s));
    EXPECT_EQ(AppSettings::units(app), MeasurementUnits::kilometers);
    EXPECT_EQ(AppSettings::mapStyle(app), MapStylePreference::hybrid);
    EXPECT_EQ(AppSettings::telegramChatID(app), u"7"_s);
    EXPECT_TRUE(AppSettings::isLegacyDefaultsMigrated(app));

    // Later changes of the legacy domains are never copied.
    d.write(u"cz.varnek.tovrel"_s, {{u"Pellwick.defaultSpeedProfile"_s, u"fast"_s}});
    LegacyMigration::runIfNeeded(d.paths, app, u"com.ostrevin.mac"_s);
    EXPECT_FALSE(app.contains(u"Pellwick.defaultSpeedProfile"_s));
}

TEST(LegacyMigration, MarksDoneEvenWhenNothingIsCopiedButNeverRunsUnderALegacyIdentifier)
{
    struct Case {
        const char* name;
        QString bundleIdentifier;
        bool marked;
    };
    const Case cases[] = {
        {"no legacy domains", u"com.ostrevin.mac"_s, true},
        {"legacy identifier", u"cz.varnek.tovrel"_s, false},
        {"no identifier", QString(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Domains d;
        SettingsStore app(d.paths.settingsFile(u"com.ostrevin.mac"_s));
        if (c.bundleIdentifier == u"cz.varnek.tovrel"_s)
            d.write(u"com.pellwick.mac"_s, {{u"Pellwick.units"_s, u"miles"_s}});
        LegacyMigration::migrateDefaults(app, d.paths, c.bundleIdentifier, LegacyMigration::legacyBundleIdentifiers());
        EXPECT_EQ(AppSettings::isLegacyDefaultsMigrated(app), c.marked);
        EXPECT_EQ(app.keys().size(), c.marked ? 1 : 0);
    }
}
