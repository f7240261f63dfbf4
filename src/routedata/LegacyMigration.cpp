#include "routedata/LegacyMigration.h"

#include "platform/AppPaths.h"
#include "platform/SettingsStore.h"
#include "routedata/AppSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace ostrevin {

namespace {

bool existsAt(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

} // namespace

QStringList LegacyMigration::legacyFolderNames()
{
    return {QStringLiteral("Pellwick"), QStringLiteral("Tovrel")};
}

QStringList LegacyMigration::legacyBundleIdentifiers()
{
    return {QStringLiteral("com.pellwick.mac"), QStringLiteral("cz.varnek.tovrel")};
}

void LegacyMigration::runIfNeeded(const AppPaths& paths, SettingsStore& defaults, const QString& bundleIdentifier)
{
    const QString supportDirectory = QFileInfo(paths.dataDirectory()).path();
    if (!supportDirectory.isEmpty())
        migrateDataFolder(supportDirectory);
    migrateDefaults(defaults, paths, bundleIdentifier, legacyBundleIdentifiers());
}

std::optional<QString> LegacyMigration::migrateDataFolder(const QString& supportDirectory)
{
    const QDir support(supportDirectory);
    const QString target = support.filePath(QStringLiteral("Ostrevin"));
    if (existsAt(target))
        return std::nullopt;
    for (const QString& name : legacyFolderNames()) {
        const QString legacy = support.filePath(name);
        if (!existsAt(legacy))
            continue;
        if (QDir().rename(legacy, target))
            return legacy;
        return std::nullopt;
    }
    return std::nullopt;
}

void LegacyMigration::migrateDefaults(SettingsStore& into, const AppPaths& paths, const QString& bundleIdentifier,
                                      const QStringList& legacyIdentifiers)
{
    if (bundleIdentifier.isEmpty() || legacyIdentifiers.contains(bundleIdentifier))
        return;
    if (AppSettings::isLegacyDefaultsMigrated(into))
        return;
    const QStringList currentKeys = into.keys();
    QSet<QString> present(currentKeys.begin(), currentKeys.end());
    for (const QString& identifier : legacyIdentifiers) {
        const QString file = paths.settingsFile(identifier);
        // Opening a missing domain would not create it, but there is nothing to read.
        if (!QFileInfo(file).isFile())
            continue;
        const SettingsStore legacy(file);
        for (const QString& key : legacy.keys()) {
            if (present.contains(key))
                continue;
            into.setValue(key, legacy.value(key));
            present.insert(key);
        }
    }
    AppSettings::setLegacyDefaultsMigrated(true, into);
    into.sync();
}

} // namespace ostrevin
