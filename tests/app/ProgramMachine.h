#pragma once

// The real program started with every machine path in a test folder, and the fake
// pymobiledevice3 and tunnel service it reaches.

#include "platform/AppPaths.h"
#include "platform/SettingsStore.h"
#include "process/OwnedProcessRegistry.h"
#include "routedata/AppSettings.h"
#include "support/FakeHttpServer.h"
#include "support/FakePyMobileDevice.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <optional>

namespace ostrevin::test {

using Command = FakePyMobileDevice::Command;

inline RoutePoint home()
{
    RoutePoint point;
    point.id = QUuid(QStringLiteral("{6b76a52a-0d64-4ca6-9236-4c5af83b321e}"));
    point.name = QStringLiteral("Home");
    point.latitude = 50.0875;
    point.longitude = 14.4213;
    return point;
}

/// A test folder that stands in for the machine: data, settings, home and
/// temporary folders, the fake tool and the fake tunnel service.
struct Machine {
    Machine() : tool(dir.file(QStringLiteral("tools")))
    {
        tool.setUsbmuxList(R"([{"ConnectionType": "USB", "DeviceClass": "iPhone", "DeviceName": "Test iPhone", )"
                           R"("Identifier": "00008101-000A1B2C3D4E"}])");
        tunnel.setReply("GET", "/hello", FakeHttpReply::json(R"({"message": "Hello, I'm alive"})"));
        tunnel.setReply("GET", "/", FakeHttpReply::json("{}"));
        for (const char* folder : {"data", "config", "home", "runtime", "tmp"})
            QDir().mkpath(dir.file(QString::fromLatin1(folder)));
        QFile::setPermissions(dir.file(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        writeFile(dir.file(QStringLiteral("leaks.supp")), "leak:libfontconfig.so\n");
    }

    AppPaths paths() const { return AppPaths(dir.file(QStringLiteral("data")), dir.file(QStringLiteral("config"))); }
    QString settingsFile() const { return paths().settingsFile(QString::fromUtf16(SettingsStore::appDomain)); }

    std::optional<RoutePoint> storedPoint() const
    {
        SettingsStore settings(settingsFile());
        return AppSettings::lockedPoint(settings);
    }

    /// What the program or the application object reads from its environment.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment;
        const QProcessEnvironment inherited = QProcessEnvironment::systemEnvironment();
        for (const char* kept : {"PATH", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LANG"}) {
            if (inherited.contains(QString::fromLatin1(kept)))
                environment.insert(QString::fromLatin1(kept), inherited.value(QString::fromLatin1(kept)));
        }
        // fontconfig drops a pattern while it parses its configuration, and the
        // leak check finds it when a run ends early: not the program's to answer for.
        QString leakOptions = inherited.value(QStringLiteral("LSAN_OPTIONS"));
        if (!leakOptions.isEmpty())
            leakOptions += u':';
        environment.insert(QStringLiteral("LSAN_OPTIONS"),
                           leakOptions + u"suppressions=" + dir.file(QStringLiteral("leaks.supp")));
        environment.insert(QStringLiteral("HOME"), dir.file(QStringLiteral("home")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), dir.file(QStringLiteral("data")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.file(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.file(QStringLiteral("runtime")));
        environment.insert(QStringLiteral("TMPDIR"), dir.file(QStringLiteral("tmp")));
        environment.insert(QStringLiteral("OSTREVIN_TOOL_FOLDERS"), dir.file(QStringLiteral("tools")));
        environment.insert(QStringLiteral("OSTREVIN_TUNNEL_SERVICE_URL"), tunnel.url().toString());
        environment.insert(QStringLiteral("OSTREVIN_GEOCODER_URL"), QStringLiteral("http://127.0.0.1:1"));
        // No bus of the machine: no keyring, no sleep inhibitor, no portal.
        const QString noBus = QStringLiteral("unix:path=") + dir.file(QStringLiteral("no-bus"));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), noBus);
        environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), noBus);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("ostrevin.app.info=true"));
        return environment;
    }

    bool toolRuns(Command command) const
    {
        const std::optional<qint64> pid = tool.lastPid(command);
        return pid && isProcessAlive(*pid);
    }

    TempDir dir;
    FakePyMobileDevice tool;
    FakeHttpServer tunnel;
};

} // namespace ostrevin::test
