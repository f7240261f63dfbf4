#pragma once

#include "platform/AppPaths.h"
#include "runtime/RuntimeLayout.h"
#include "runtime/RuntimeManifest.h"
#include "support/FakeHttpServer.h"
#include "support/FakePyMobileDevice.h"
#include "support/TempDir.h"

#include <QDateTime>
#include <QString>

namespace ostrevin::test {

/// Points the whole application at a private machine: its home, cache and
/// temporary folders inside dir (with "tools" for the fake tools), every web
/// service at servicesBase, the tunnel service at tunnelUrl, the light
/// appearance and no proxy, so nothing it does leaves the loopback.
void pointApplicationAtLoopback(const TempDir& dir, const QString& servicesBase, const QString& tunnelUrl);

/// The machine the whole application runs on: its folders, an installed runtime
/// whose launcher is the fake tool with one iPhone attached, a tunnel service that
/// answers, and one server for the web services, which the user of it fills in.
/// Header-only: only programs that link the runtime library use it.
struct LoopbackMachine {
    LoopbackMachine() : tool(RuntimeLayout(paths().runtimeDirectory()).launcherPath().section(u'/', 0, -2))
    {
        RuntimeManifest manifest;
        manifest.pythonVersion = QStringLiteral("3.12.14");
        manifest.helperVersion = QStringLiteral("10.10.3");
        manifest.installedAt = QDateTime::currentDateTimeUtc();
        RuntimeLayout(paths().runtimeDirectory()).writeManifest(manifest);
        tool.setAttachedDevices({{QStringLiteral("00008101-000A1B2C3D4E")}});
        tunnel.setReply("GET", "/hello", FakeHttpReply::json(R"({"message": "Hello, I'm alive"})"));
        tunnel.setReply("GET", "/", FakeHttpReply::json("{}"));
        pointApplicationAtLoopback(dir, services.url().toString(), tunnel.url().toString());
    }

    AppPaths paths() const { return AppPaths(dir.file(QStringLiteral("data")), dir.file(QStringLiteral("config"))); }

    TempDir dir;
    FakePyMobileDevice tool;
    FakeHttpServer tunnel;
    FakeHttpServer services;
};

} // namespace ostrevin::test
