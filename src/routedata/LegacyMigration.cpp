#include "routedata/LegacyMigration.h"

#include "platform/AppPaths.h"
#include "platform/SettingsStore.h"
#include "routedata/AppSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSet>
#include <QUuid>
#include <algorithm>
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

const QString addOnFolder = QStringLiteral("Runtime");

/// The add-on component, and the work folders of its installation (left behind
/// by a crash, removed at the next start): the installer makes them beside the
/// saved files, and an earlier start may have made them before the older folder
/// was moved in. So does the list of the tools a run started, which the next
/// start needs to end those a crash left running.
bool isAddOnEntry(const QString& name)
{
    return name == addOnFolder || name == AppPaths::ownedProcessesFileName() ||
           name.startsWith(addOnFolder + u".staging-") || name.startsWith(addOnFolder + u".removing-");
}

/// Renames each entry from one folder to the other; when one fails, those moved
/// go back and the result is false.
bool moveEntries(const QStringList& names, const QString& from, const QString& to)
{
    for (qsizetype moved = 0; moved < names.size(); ++moved) {
        if (QDir().rename(from + u'/' + names[moved], to + u'/' + names[moved]))
            continue;
        for (qsizetype back = 0; back < moved; ++back)
            QDir().rename(to + u'/' + names[back], from + u'/' + names[back]);
        return false;
    }
    return true;
}

/// Clears the way for the legacy folder when the target is a folder that holds
/// nothing saved, only what a start makes before it saves anything: a lock no
/// running copy holds (an earlier start took it before it migrated, or a copy
/// crashed before it saved) and the add-on component. The add-on goes into the
/// legacy folder, so that it comes back with it; the target's is the one last
/// installed, and the legacy folder's own is left for the installer to remove.
/// Returns the add-on entries moved, or nothing when the target stays as it was.
std::optional<QStringList> clearFolderHoldingNothingSaved(const QString& target, const QString& legacy)
{
    const QFileInfo info(target);
    if (!info.isDir() || info.isSymLink())
        return std::nullopt;
    QStringList addOn = QDir(target).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    const bool hasLock = addOn.removeAll(AppPaths::lockFileName()) > 0;
    if (!std::all_of(addOn.cbegin(), addOn.cend(), isAddOnEntry) || (!addOn.isEmpty() && !QFileInfo(legacy).isDir()))
        return std::nullopt;
    const QByteArray lock = QFile::encodeName(QDir(target).filePath(AppPaths::lockFileName()));
    const int descriptor = hasLock ? ::open(lock.constData(), O_RDONLY | O_CLOEXEC) : -1;
    const auto release = qScopeGuard([descriptor] {
        if (descriptor >= 0)
            ::close(descriptor);
    });
    // Held: a copy runs over this folder, and it is its data folder.
    if (hasLock && (descriptor < 0 || ::flock(descriptor, LOCK_EX | LOCK_NB) != 0))
        return std::nullopt;
    const QString legacyAddOn = legacy + u'/' + addOnFolder;
    if (addOn.contains(addOnFolder) && existsAt(legacyAddOn) &&
        !QDir().rename(legacyAddOn,
                       legacyAddOn + u".removing-" + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()))
        return std::nullopt;
    if (!moveEntries(addOn, target, legacy))
        return std::nullopt;
    // Removed while held, as a quitting copy removes it: a copy that opened it
    // meanwhile finds its lock on a removed file and takes a new one.
    if ((hasLock && ::unlink(lock.constData()) != 0) || !QDir().rmdir(target)) {
        moveEntries(addOn, legacy, target);
        return std::nullopt;
    }
    return addOn;
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
        QStringList addOn;
        if (existsAt(target)) {
            const std::optional<QStringList> cleared = clearFolderHoldingNothingSaved(target, legacy);
            if (!cleared)
                return std::nullopt;
            addOn = *cleared;
        }
        if (QDir().rename(legacy, target))
            return legacy;
        // The add-on stays where the program looks for it.
        if (!addOn.isEmpty() && QDir().mkdir(target))
            moveEntries(addOn, legacy, target);
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
