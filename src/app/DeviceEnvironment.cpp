#include "app/DeviceEnvironment.h"

#include "platform/AppPaths.h"
#include "platform/PkexecPrivilegedRunner.h"

#include <QDir>
#include <QHostAddress>

namespace ostrevin {

DeviceLocationController::Configuration DeviceEnvironment::configuration(const AppPaths& paths,
                                                                         const QProcessEnvironment& environment)
{
    DeviceLocationController::Configuration configuration;
    HelperSearchPaths& search = configuration.helperSearch;
    search.runtimeFolder = paths.runtimeDirectory();

    QStringList folders;
    for (const QString& folder : environment.value(QStringLiteral("OSTREVIN_TOOL_FOLDERS")).split(u':')) {
        if (QDir::isAbsolutePath(folder))
            folders.append(QDir::cleanPath(folder));
    }
    if (!folders.isEmpty()) {
        // Every program the bridge would take from the system comes from the first
        // folder, where it may just as well be missing.
        const QString first = folders.first() + u'/';
        search.toolFolders = folders;
        search.iDeviceToolFolders = folders;
        search.homeDirectory = first + u"home";
        search.whichPath = first + u"which";
        search.envPath = first + u"env";
        search.xcrunPath = first + u"xcrun";
        configuration.portProbeTools = {first + u"lsof", first + u"ss"};
        configuration.privilegedRunner = std::make_shared<PkexecPrivilegedRunner>(first + u"pkexec");
    }

    const QUrl tunnel(environment.value(QStringLiteral("OSTREVIN_TUNNEL_SERVICE_URL")), QUrl::StrictMode);
    if (tunnel.isValid() && tunnel.scheme() == QStringLiteral("http") && QHostAddress(tunnel.host()).isLoopback())
        configuration.tunnelServiceURL = tunnel;
    return configuration;
}

} // namespace ostrevin
