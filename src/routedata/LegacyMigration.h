#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace ostrevin {

class AppPaths;
class SettingsStore;

/// Carries data over from the product's earlier names, at every launch before
/// anything else is built: the data folder (moved when the current one is
/// missing) and the settings of the earlier identifiers (copied once per user).
class LegacyMigration {
public:
    /// "Pellwick", then "Tovrel": earlier names of the data folder.
    static QStringList legacyFolderNames();
    /// "com.pellwick.mac", then "cz.varnek.tovrel": earlier settings domains, kept
    /// as INI files beside the app's own.
    static QStringList legacyBundleIdentifiers();

    /// The data folder's migration, then the settings' migration.
    static void runIfNeeded(const AppPaths& paths, SettingsStore& defaults, const QString& bundleIdentifier);
    /// The data folder's migration into the data folder of these paths.
    static void migrateDataFolderOf(const AppPaths& paths);

    /// When nothing exists at supportDirectory/"Ostrevin", moves the first legacy
    /// folder found there; returns the folder it moved. A folder holding nothing
    /// saved counts as nothing: only a lock that no running copy holds and the
    /// add-on component, which stays (over the legacy folder's own). A failed move
    /// is ignored: the store then starts with an empty folder. Runs before the
    /// running copy's lock is taken, which creates the folder.
    static std::optional<QString> migrateDataFolder(const QString& supportDirectory);

    /// Copies each key of the legacy domains that the app's domain lacks (the first
    /// legacy domain wins), then marks the migration done, also when nothing was
    /// copied. Does nothing under a legacy identifier, without an identifier, or
    /// once marked.
    static void migrateDefaults(SettingsStore& into, const AppPaths& paths, const QString& bundleIdentifier,
                                const QStringList& legacyBundleIdentifiers);
};

} // namespace ostrevin
