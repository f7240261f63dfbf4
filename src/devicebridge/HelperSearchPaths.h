#pragma once

#include "platform/AppPaths.h"

#include <QDir>
#include <QString>
#include <QStringList>

namespace ostrevin {

/// Where helper discovery looks on this machine. Tests point every entry into a
/// temporary folder so that no real tool is ever reached.
struct HelperSearchPaths {
    /// Searched for a helper, in order, before the home folder's ".local/bin".
    QStringList toolFolders = {QStringLiteral("/opt/homebrew/bin"), QStringLiteral("/usr/local/bin")};
    /// Searched for the libimobiledevice tools after the helper's own folder.
    QStringList iDeviceToolFolders = {QStringLiteral("/opt/homebrew/bin"), QStringLiteral("/usr/local/bin"),
                                      QStringLiteral("/usr/bin")};
    QString homeDirectory = QDir::homePath();
    QString whichPath = QStringLiteral("/usr/bin/which");
    QString envPath = QStringLiteral("/usr/bin/env");
    /// devicectl runs through it only where it exists.
    QString xcrunPath = QStringLiteral("/usr/bin/xcrun");
    /// The private runtime whose launcher wins over every other pymobiledevice3;
    /// empty: no private runtime.
    QString runtimeFolder = AppPaths::fromEnvironment().runtimeDirectory();
};

} // namespace ostrevin
