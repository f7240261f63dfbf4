#include "routedata/LegacyMigration.h"

#include "platform/AppPaths.h"
#include "platform/SettingsStore.h"
#include "routedata/AppSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace ostrevin {

namespace {

bool existsAt(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

/// Clears the way when the target is a folder that holds nothing but a lock no
/// running copy holds: what an earlier start left that took its lock before it
/// migrated, or a copy that crashed before it saved anything. True when the
/// target is gone.
bool clearLockOnlyFolder(const QString& target)
{
    const QFileInfo info(target);
    if (!info.isDir() || info.isSymLink())
        return false;
    const QStringList entries =
        QDir(target).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    if (entries.size() > 1 || (entries.size() == 1 && entries.first() != AppPaths::lockFileName()))
        return false;
    if (!entries.isEmpty()) {
        const QByteArray lock = QFile::encodeName(QDir(target).filePath(AppPaths::lockFileName()));
        const int descriptor = ::open(lock.constData(), O_RDONLY | O_CLOEXEC);
        if (descriptor < 0)
            return false;
        // Held: a copy runs over this folder, and it is its data folder.
        const bool free = ::flock(descriptor, LOCK_EX | LOCK_NB) == 0;
        // Removed while held, as a quitting copy removes it: a copy that opened it
        // meanwhile finds its lock on a removed file and takes a new one.
        const bool removed = free && ::unlink(lock.constData()) == 0;
        ::close(descriptor);
        if (!removed)
            return false;
    }
    return QDir().rmdir(target);
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
    migrateDataFolderOf(paths);
    migrateDefaults(defaults, paths, bundleIdentifier, legacyBundleIdentifiers());
}

void LegacyMigration::migrateDataFolderOf(const AppPaths& paths)
{
    const QString supportDirectory = QFileInfo(paths.dataDirectory()).path();
    if (!supportDirectory.isEmpty())
        migrateDataFolder(supportDirectory);
}

std::optional<QString> LegacyMigration::migrateDataFolder(const QString& supportDirectory)
{
    const QDir support(supportDirectory);
    const QString target = support.filePath(QStringLiteral("Ostrevin"));
    for (const QString& name : legacyFolderNames()) {
        const QString legacy = support.filePath(name);
        if (!existsAt(legacy))
            continue;
        if (existsAt(target) && !clearLockOnlyFolder(target))
            return std::nullopt;
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
