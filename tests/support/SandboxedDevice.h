#pragma once

#include "devicebridge/DeviceLocationController.h"
#include "platform/PkexecPrivilegedRunner.h"

#include <QDir>
#include <QString>
#include <chrono>
#include <memory>

namespace ostrevin::test {

/// Points everything the controller would take from the machine into root: the
/// helpers are looked for in toolFolder only, the other tools do not exist, the
/// tunnel service does not run (nothing listens at its address) and the
/// administrator prompt is the pkexec stand-in at pkexecPath.
inline void sandbox(DeviceLocationController::Configuration& configuration, const QString& root,
                    const QString& toolFolder, const QString& pkexecPath)
{
    const QDir folder(root);
    HelperSearchPaths& search = configuration.helperSearch;
    search.toolFolders = {toolFolder};
    search.iDeviceToolFolders = {folder.filePath(QStringLiteral("absent"))};
    search.homeDirectory = folder.filePath(QStringLiteral("home"));
    search.whichPath = folder.filePath(QStringLiteral("absent/which"));
    search.envPath = folder.filePath(QStringLiteral("absent/env"));
    search.xcrunPath = folder.filePath(QStringLiteral("absent/xcrun"));
    search.runtimeFolder = folder.filePath(QStringLiteral("Runtime"));
    configuration.temporaryFolder = folder.filePath(QStringLiteral("private-tmp"));
    QDir().mkpath(configuration.temporaryFolder);
    configuration.portProbeTools = {folder.filePath(QStringLiteral("absent/lsof")),
                                    folder.filePath(QStringLiteral("absent/ss"))};
    configuration.privilegedRunner = std::make_shared<PkexecPrivilegedRunner>(pkexecPath);
    configuration.tunnelServiceURL = QUrl(QStringLiteral("http://127.0.0.1:9"));
    configuration.tunnelProbeInterval = std::chrono::milliseconds(10);
}

} // namespace ostrevin::test
