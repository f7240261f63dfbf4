#pragma once

#include <QString>

namespace ostrevin {

/// Where Ostrevin keeps its files. Built once from the environment in the
/// application and from temporary folders in tests, then passed down; nothing
/// below the application asks the environment for these folders itself.
class AppPaths {
public:
    /// dataRoot: the folder that holds "Ostrevin" (the XDG data home);
    /// configRoot: the folder that holds the settings folder "Ostrevin".
    AppPaths(QString dataRoot, QString configRoot);

    /// From XDG_DATA_HOME and XDG_CONFIG_HOME (or their defaults under HOME).
    static AppPaths fromEnvironment();

    /// ~/.local/share/Ostrevin: saved routes, locations and history.
    QString dataDirectory() const;
    /// The file in the data folder whose system lock the running copy holds.
    static QString lockFileName();
    /// The file in the data folder that lists the tools the running copy started,
    /// so that a start after a crash can end those still running.
    static QString ownedProcessesFileName();
    /// ~/.local/share/Ostrevin/Runtime: the private Python runtime.
    QString runtimeDirectory() const;
    /// ~/.config/Ostrevin: the settings files of this app and of its legacy identifiers.
    QString configDirectory() const;
    /// The settings file of a defaults domain, e.g. "com.ostrevin.mac".
    QString settingsFile(const QString& domain) const;

private:
    QString m_dataRoot;
    QString m_configRoot;
};

} // namespace ostrevin
