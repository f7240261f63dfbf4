#include "app/DeviceEnvironment.h"

#include <gtest/gtest.h>

using namespace ostrevin;

TEST(DeviceEnvironment, ToolFoldersReplaceEverySystemPathAndOnlyALoopbackTunnelIsTaken)
{
    const AppPaths paths(QStringLiteral("/data"), QStringLiteral("/config"));
    struct Case {
        const char* name;
        QString folders;
        QString tunnel;
        QStringList expectedFolders;
        bool tunnelTaken;
    };
    const Case cases[] = {
        {"nothing set", {}, {}, {}, false},
        {"one folder and a loopback tunnel",
         QStringLiteral("/t/tools"),
         QStringLiteral("http://127.0.0.1:5000"),
         {QStringLiteral("/t/tools")},
         true},
        {"relative entries are dropped",
         QStringLiteral("rel:/t/a/:/t/b"),
         QStringLiteral("http://10.0.0.1:49151"),
         {QStringLiteral("/t/a"), QStringLiteral("/t/b")},
         false},
        {"only relative entries", QStringLiteral("rel:also"), QStringLiteral("https://127.0.0.1:1"), {}, false},
    };
    const DeviceLocationController::Configuration standard;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QProcessEnvironment environment;
        if (!c.folders.isEmpty())
            environment.insert(QStringLiteral("OSTREVIN_TOOL_FOLDERS"), c.folders);
        if (!c.tunnel.isEmpty())
            environment.insert(QStringLiteral("OSTREVIN_TUNNEL_SERVICE_URL"), c.tunnel);
        const auto configuration = DeviceEnvironment::configuration(paths, environment);
        const HelperSearchPaths& search = configuration.helperSearch;
        EXPECT_EQ(search.runtimeFolder, paths.runtimeDirectory());
        EXPECT_EQ(configuration.tunnelServiceURL,
                  c.tunnelTaken ? QUrl(c.tunnel) : TunnelServiceClient::defaultBaseURL());
        if (c.expectedFolders.isEmpty()) {
            EXPECT_EQ(search.iDeviceToolFolders, standard.helperSearch.iDeviceToolFolders);
            continue;
        }
        EXPECT_EQ(search.toolFolders, c.expectedFolders);
        EXPECT_EQ(search.iDeviceToolFolders, c.expectedFolders);
        // Nothing may still point at the machine's own programs.
        const QString first = c.expectedFolders.first() + u'/';
        for (const QString& path : {search.whichPath, search.envPath, search.xcrunPath, search.homeDirectory,
                                    configuration.portProbeTools.lsofPath, configuration.portProbeTools.ssPath})
            EXPECT_TRUE(path.startsWith(first)) << path.toStdString();
    }
}
