#include "devicebridge/HelperCommandLine.h"

#include "devicebridge/DeviceLocationController.h"
#include "devicebridge/DeviceLocationError.h"
#include "devicebridge/LocationHelperStatus.h"
#include "support/FakeTool.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <clocale>
#include <gtest/gtest.h>

using namespace ostrevin;

namespace {

using Mode = LocationHelper::ConnectionMode;
const QString udid = QStringLiteral("00008101-000A3C2E1E90001E");
const QString ipv6Host = QStringLiteral("fd7b:e5b:6f53::1");

RoutePoint sydney()
{
    RoutePoint point;
    point.name = QStringLiteral("Sydney");
    point.latitude = -33.8688;
    point.longitude = 151.2093;
    return point;
}

LocationHelper helper(LocationHelper::Kind kind, Mode mode, std::optional<QString> identifier,
                      const QString& path = QStringLiteral("/opt/tools/helper"))
{
    LocationHelper result;
    result.kind = kind;
    result.executableURL = QUrl::fromLocalFile(path);
    result.deviceIdentifier = std::move(identifier);
    result.connectionMode = std::move(mode);
    return result;
}

QStringList words(const char* text)
{
    return QString::fromUtf8(text).split(u' ', Qt::SkipEmptyParts);
}

} // namespace

TEST(HelperCommandLine, EveryKindActionAndModeBuildsItsArguments)
{
    struct ModeCase {
        const char* name;
        Mode mode;
        std::optional<QString> identifier;
        QStringList pyMobileDeviceOptions;
    };
    const QList<ModeCase> modes{
        {"direct", Mode::direct(), udid, {QStringLiteral("--udid"), udid}},
        {"usbmux", Mode::usbmux(), udid, {QStringLiteral("--udid"), udid}},
        {"tunnel", Mode::tunnel(), udid, {QStringLiteral("--tunnel"), udid}},
        {"rsd over IPv6",
         Mode::rsd(ipv6Host, 64337),
         udid,
         {QStringLiteral("--rsd"), ipv6Host, QStringLiteral("64337")}},
        {"rsd without identifier", Mode::rsd(ipv6Host, 64337), std::nullopt, {}},
        {"tunnel without identifier", Mode::tunnel(), std::nullopt, {}},
        {"direct without identifier", Mode::direct(), std::nullopt, {}},
    };
    struct ActionCase {
        const char* name;
        HelperAction action;
        QStringList before; // pymobiledevice3: before the device options
        QStringList after;  // pymobiledevice3: after them
    };
    const QStringList coordinates{QStringLiteral("--"), QStringLiteral("-33.868800"), QStringLiteral("151.209300")};
    const QList<ActionCase> actions{
        {"set", HelperAction::set(sydney()), words("--no-color developer dvt simulate-location set"), coordinates},
        {"clear", HelperAction::clear(), words("--no-color --reconnect developer dvt simulate-location clear"), {}},
        {"developer info",
         HelperAction::developerInfo(),
         words("--no-color --reconnect developer dvt device-information"),
         {}},
        {"mount", HelperAction::mountDeveloperDiskImage(), words("--no-color --reconnect mounter auto-mount"), {}},
    };
    for (const ModeCase& m : modes) {
        for (const ActionCase& a : actions) {
            SCOPED_TRACE(std::string(m.name) + " / " + a.name);
            const LocationHelper py = helper(LocationHelper::Kind::pyMobileDevice, m.mode, m.identifier);
            EXPECT_EQ(HelperCommandLine::arguments(py, a.action), a.before + m.pyMobileDeviceOptions + a.after);

            // idevicesetlocation knows only set and clear, and takes its
            // identifier first whatever the mode.
            if (a.action.kind() != HelperAction::Case::set && a.action.kind() != HelperAction::Case::clear)
                continue;
            const LocationHelper idevice = helper(LocationHelper::Kind::iDeviceSetLocation, m.mode, m.identifier);
            QStringList expected;
            if (m.identifier)
                expected << QStringLiteral("-u") << *m.identifier;
            expected += a.action.kind() == HelperAction::Case::set ? coordinates : QStringList{QStringLiteral("reset")};
            EXPECT_EQ(HelperCommandLine::arguments(idevice, a.action), expected);
        }
    }
    const LocationHelper tunnel = helper(LocationHelper::Kind::pyMobileDevice, Mode::tunnel(), udid);
    EXPECT_EQ(HelperCommandLine::playArguments(tunnel, QStringLiteral("/run/tovrel-route-1.gpx")),
              words("--no-color developer dvt simulate-location play --tunnel") + QStringList{udid} +
                  QStringList{QStringLiteral("/run/tovrel-route-1.gpx")});
}

TEST(HelperCommandLine, CoordinatesIgnoreACommaDecimalLocale)
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    std::setlocale(LC_ALL, "de_DE.UTF-8"); // may be missing on the machine; QLocale is the one that matters
    const LocationHelper idevice = helper(LocationHelper::Kind::iDeviceSetLocation, Mode::direct(), std::nullopt);
    RoutePoint point;
    point.latitude = 48.1234565;
    point.longitude = -0.0000001;
    const QStringList arguments = HelperCommandLine::arguments(idevice, HelperAction::set(point));
    struct Case {
        double degrees;
        const char* text;
    };
    const QList<Case> cases{{-33.8688, "-33.868800"},
                            {151.2093, "151.209300"},
                            {1234.5, "1234.500000"},
                            {0, "0.000000"},
                            {-179.9999996, "-180.000000"}};
    QStringList formatted;
    for (const Case& c : cases)
        formatted << HelperCommandLine::formatCoordinate(c.degrees);
    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(previous);

    EXPECT_EQ(arguments.mid(1), (QStringList{QStringLiteral("48.123457"), QStringLiteral("-0.000000")}));
    for (qsizetype i = 0; i < cases.size(); ++i)
        EXPECT_EQ(formatted[i], QString::fromLatin1(cases[i].text));
}

TEST(HelperCommandLine, FailuresDescribeThemselvesAndCrossTheWorkerPool)
{
    struct Case {
        const char* name;
        DeviceLocationError error;
        QString description;
    };
    const QList<Case> cases{
        {"blank output adds nothing",
         DeviceLocationError::commandFailed(QStringLiteral("tool a"), QStringLiteral(" \n\n \n")),
         QStringLiteral("Communication with iPhone failed.\n\nCommand: tool a")},
        {"output is trimmed",
         DeviceLocationError::commandFailed(QStringLiteral("tool"), QStringLiteral("\n ERROR x \n")),
         QStringLiteral("Communication with iPhone failed.\n\nCommand: tool\n\nERROR x")},
        {"connection lost", DeviceLocationError::simulationConnectionLost(),
         QStringLiteral("The connection to iPhone was interrupted unexpectedly.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.error.description(), c.description);
    }

    test::TempDir dir;
    test::FakeTool tool(dir.path(), QStringLiteral("pymobiledevice3"));
    tool.printsToStandardError("ERROR Device is not connected\n");
    DeviceLocationController controller;
    QFuture<ProcessOutput> future =
        controller.run(helper(LocationHelper::Kind::pyMobileDevice, Mode::tunnel(), udid, tool.write()),
                       HelperAction::set(sydney()), 15);
    try {
        future.waitForFinished();
        FAIL() << "an error line must fail the run";
    } catch (const DeviceLocationError& error) {
        EXPECT_EQ(error.command(), QStringLiteral("pymobiledevice3 --no-color developer dvt simulate-location set "
                                                  "--tunnel %1 -- -33.868800 151.209300")
                                       .arg(udid));
        EXPECT_EQ(error.output(), QStringLiteral("ERROR Device is not connected\n"));
    }
}

TEST(HelperCommandLine, StatusIsAvailableOnlyWithAReadyConnectedHelper)
{
    EXPECT_FALSE(LocationHelperStatus::missing().isAvailable());
    EXPECT_EQ(LocationHelperStatus::missing().installHint.count(QStringLiteral("\n\n")), 1);
    LocationHelperStatus status;
    status.helper = helper(LocationHelper::Kind::pyMobileDevice, Mode::usbmux(), udid);
    status.isDeviceConnected = true;
    EXPECT_FALSE(status.isAvailable());
    status.isLocationReady = true;
    EXPECT_TRUE(status.isAvailable());
    EXPECT_NE(Mode::rsd(ipv6Host, 1), Mode::rsd(ipv6Host, 2));
    EXPECT_EQ(LocationHelper::kindFromRaw(QStringLiteral("pymobiledevice3")), LocationHelper::Kind::pyMobileDevice);
    EXPECT_EQ(LocationHelper::kindFromRaw(QStringLiteral("devicectl")), std::nullopt);
}

TEST(HelperCommandLine, TunnelLineRunsThroughTheShellWithAQuotedPath)
{
    test::TempDir dir;
    const QString folder = dir.file(QStringLiteral("it's here"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString marker = dir.file(QStringLiteral("listening"));
    test::FakeTool service(folder, QStringLiteral("pymobiledevice3"));
    service.runs(QStringLiteral("touch ") + QString::fromUtf8(test::FakeTool::shellWord(QFile::encodeName(marker))));
    const QString servicePath = service.write();
    const QString link = dir.file(QStringLiteral("linked-helper"));
    ASSERT_TRUE(QFile::link(servicePath, link));

    const QByteArray markerWord = test::FakeTool::shellWord(QFile::encodeName(marker));
    test::FakeTool lsofAfterStart(dir.path(), QStringLiteral("lsof-after-start"));
    lsofAfterStart.runs(QStringLiteral("[ -e %1 ] && exit 0; exit 1").arg(QString::fromUtf8(markerWord)));
    test::FakeTool lsofBusy(dir.path(), QStringLiteral("lsof-busy"));
    test::FakeTool lsofNever(dir.path(), QStringLiteral("lsof-never"));
    lsofNever.exitsWith(1);
    test::FakeTool ssAfterStart(dir.path(), QStringLiteral("ss-after-start"));
    ssAfterStart.runs(QStringLiteral("[ -e %1 ] && echo 'LISTEN 0 5 127.0.0.1:49151 0.0.0.0:*'; exit 0")
                          .arg(QString::fromUtf8(markerWord)));
    test::FakeTool ssNever(dir.path(), QStringLiteral("ss-never"));
    const QString absent = dir.file(QStringLiteral("no-lsof"));

    QString unquoted = servicePath;
    unquoted.remove(u'\'');
    const QString busy =
        QStringLiteral("Port 49151 is already used by another process; for safety, Ostrevin will not stop it.\n");
    const QString notStarted =
        QStringLiteral("pymobiledevice3 tunneld did not start on port 49151. Helper: ") + unquoted + u'\n';
    struct Case {
        const char* name;
        QString lsof;
        QString ss;
        bool succeeds;
        QString standardError;
        int serviceCalls;
    };
    const QList<Case> cases{
        {"lsof sees the new listener", lsofAfterStart.write(), ssNever.write(), true, {}, 1},
        {"a busy port is left alone", lsofBusy.write(), ssNever.path(), false, busy, 0},
        {"nothing listens after a second", lsofNever.write(), ssNever.path(), false, notStarted, 1},
        {"ss stands in for a missing lsof", absent, ssAfterStart.write(), true, {}, 1},
        {"ss with no listener", absent, ssNever.path(), false, notStarted, 1},
    };
    DeviceLocationController controller;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(marker);
        QFile::remove(service.callsFile());
        const QString line = HelperCommandLine::tunnelShellCommand(
            helper(LocationHelper::Kind::pyMobileDevice, Mode::tunnel(), udid, link), PortProbeTools{c.lsof, c.ss});
        EXPECT_TRUE(
            line.contains(QStringLiteral("'") + dir.path() + QStringLiteral("/it'\\''s here/pymobiledevice3'")));
        ProcessCancellationState cancellation;
        try {
            controller.executeLocked(QUrl::fromLocalFile(QStringLiteral("/bin/sh")), {QStringLiteral("-c"), line}, 15,
                                     QUuid::createUuid(), cancellation,
                                     DeviceLocationController::ProcessTracking::asActiveProcess);
            EXPECT_TRUE(c.succeeds);
        } catch (const DeviceLocationError& error) {
            EXPECT_FALSE(c.succeeds);
            EXPECT_EQ(error.output().toStdString(), c.standardError.toStdString());
        }
        EXPECT_EQ(service.recordedCalls().size(), c.serviceCalls);
        if (c.serviceCalls > 0) {
            EXPECT_EQ(service.lastArguments(),
                      words("--no-color remote tunneld -d --host 127.0.0.1 --port 49151 --protocol tcp"));
        }
    }
}
