#include "devicebridge/DeviceLocationController.h"
#include "devicebridge/DeviceLocationError.h"
#include "platform/PkexecPrivilegedRunner.h"
#include "process/CancellationError.h"
#include "runtime/RuntimeLayout.h"
#include "support/FailureOf.h"
#include "support/FakeIDeviceTools.h"
#include "support/FakeTool.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace ostrevin;
using namespace ostrevin::test;

namespace {

const QString pmd = QStringLiteral("pymobiledevice3");

// Every path the controller would take from the machine points into one
// temporary folder, so nothing here can reach the real tools in /usr/bin.
struct Sandbox {
    TempDir dir;
    DeviceLocationController::Configuration config;

    Sandbox()
    {
        for (const char* folder : {"homebrew", "usrlocal", "home/.local/bin", "tools", "tmp", "bin"})
            QDir().mkpath(dir.file(QString::fromLatin1(folder)));
        HelperSearchPaths& search = config.helperSearch;
        search.toolFolders = {dir.file(QStringLiteral("homebrew")), dir.file(QStringLiteral("usrlocal"))};
        search.iDeviceToolFolders = {dir.file(QStringLiteral("tools"))};
        search.homeDirectory = dir.file(QStringLiteral("home"));
        search.whichPath = dir.file(QStringLiteral("absent/which"));
        search.envPath = dir.file(QStringLiteral("absent/env"));
        search.xcrunPath = dir.file(QStringLiteral("absent/xcrun"));
        search.runtimeFolder = dir.file(QStringLiteral("Runtime"));
        config.temporaryFolder = dir.file(QStringLiteral("tmp/private"));
        config.portProbeTools = {dir.file(QStringLiteral("absent/lsof")), dir.file(QStringLiteral("absent/ss"))};
        config.privilegedRunner = std::make_shared<PkexecPrivilegedRunner>(dir.file(QStringLiteral("absent/pkexec")));
        config.tunnelServiceURL = QUrl(QStringLiteral("http://127.0.0.1:9"));
    }

    QString path(const QString& relative) const { return dir.file(relative); }

    // A pymobiledevice3 stand-in whose "usbmux list" prints the JSON.
    QString pymobiledevice(const QString& folder, const QByteArray& usbmuxJson = "[]",
                           const QByteArray& standardError = {})
    {
        FakeTool tool(path(folder), pmd);
        if (!standardError.isEmpty())
            tool.printsToStandardError(standardError);
        tool.printsToStandardOutput(usbmuxJson);
        return tool.write();
    }

    // An xcrun stand-in that writes the devicectl list into the file it is given.
    FakeTool xcrun(const QByteArray& json, int exitCode = 0)
    {
        FakeTool tool(path(QStringLiteral("bin")), QStringLiteral("xcrun"));
        tool.runs(QStringLiteral("printf '%s' %1 > \"$5\"").arg(QString::fromUtf8(FakeTool::shellWord(json))))
            .exitsWith(exitCode);
        config.helperSearch.xcrunPath = tool.write();
        return tool;
    }

    QStringList leftoverTemporaryFiles() const
    {
        return QDir(config.temporaryFolder).entryList(QDir::Files | QDir::Hidden);
    }
};

QByteArray usbmux(const QByteArrayList& entries)
{
    return "[" + entries.join(",\n") + "]\n";
}

QByteArray usbmuxEntry(const char* connection, const char* deviceClass, const char* udid, const char* name = "Phone")
{
    return QByteArray(R"({"ConnectionType": ")") + connection + R"(", "DeviceClass": ")" + deviceClass +
           R"(", "DeviceName": ")" + name + R"(", "Identifier": ")" + udid + "\"}";
}

const QByteArray devicectlIPhone = R"({"result": {"devices": [{
    "connectionProperties": {"pairingState": "paired", "transportType": "wired", "tunnelState": "disconnected"},
    "deviceProperties": {"bootState": "booted", "name": "Core Phone"},
    "hardwareProperties": {"deviceType": "iPhone", "udid": "00008110-CORE"}}]}})";

void makeNotExecutable(const QString& path)
{
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
}

LocationHelper iDeviceHelper(const QString& folder, std::optional<QString> udid = std::nullopt)
{
    LocationHelper helper;
    helper.kind = LocationHelper::Kind::iDeviceSetLocation;
    helper.executableURL = QUrl::fromLocalFile(folder + QStringLiteral("/idevicesetlocation"));
    helper.deviceIdentifier = std::move(udid);
    return helper;
}

} // namespace

TEST(HelperDiscovery, SearchesTheRuntimeThenTheCandidateFoldersThenWhich)
{
    struct Case {
        const char* name;
        std::function<void(Sandbox&)> arrange;
        QString expected; // relative to the sandbox; empty: no helper
    };
    const Case cases[] = {
        {"the installed runtime wins over everything",
         [](Sandbox& s) {
             RuntimeLayout runtime(s.config.helperSearch.runtimeFolder);
             runtime.writeLauncher();
             runtime.writeManifest(
                 RuntimeManifest{1, QStringLiteral("3.12.14"), QStringLiteral("4.1"), QDateTime::currentDateTimeUtc()});
             // The launcher needs an interpreter to answer the usbmux listing.
             FakeTool python(s.path(QStringLiteral("Runtime/python/bin")), QStringLiteral("python3"));
             QDir().mkpath(s.path(QStringLiteral("Runtime/python/bin")));
             python.printsToStandardOutput("[]");
             python.write();
             s.pymobiledevice(QStringLiteral("homebrew"));
         },
         QStringLiteral("Runtime/bin/pymobiledevice3")},
        {"a runtime with a broken manifest does not count",
         [](Sandbox& s) {
             RuntimeLayout(s.config.helperSearch.runtimeFolder).writeLauncher();
             writeFile(RuntimeLayout(s.config.helperSearch.runtimeFolder).manifestPath(), "{\"revision\": 2}");
             s.pymobiledevice(QStringLiteral("usrlocal"));
         },
         QStringLiteral("usrlocal/pymobiledevice3")},
        {"the first folder wins over the home folder",
         [](Sandbox& s) {
             s.pymobiledevice(QStringLiteral("home/.local/bin"));
             s.pymobiledevice(QStringLiteral("homebrew"));
         },
         QStringLiteral("homebrew/pymobiledevice3")},
        {"a file that is not executable is skipped",
         [](Sandbox& s) {
             makeNotExecutable(s.pymobiledevice(QStringLiteral("homebrew")));
             s.pymobiledevice(QStringLiteral("home/.local/bin"));
         },
         QStringLiteral("home/.local/bin/pymobiledevice3")},
        {"a Python folder in the home Library",
         [](Sandbox& s) {
             QDir().mkpath(s.path(QStringLiteral("home/Library/Python/3.11/bin")));
             s.pymobiledevice(QStringLiteral("home/Library/Python/3.11/bin"));
         },
         QStringLiteral("home/Library/Python/3.11/bin/pymobiledevice3")},
        {"the Python user base, trimmed",
         [](Sandbox& s) {
             QDir().mkpath(s.path(QStringLiteral("userbase/bin")));
             s.pymobiledevice(QStringLiteral("userbase/bin"));
             FakeTool env(s.path(QStringLiteral("bin")), QStringLiteral("env"));
             env.printsToStandardOutput("  " + QFile::encodeName(s.path(QStringLiteral("userbase"))) + "\n")
                 .printsToStandardError("a warning on the side\n");
             s.config.helperSearch.envPath = env.write();
         },
         QStringLiteral("userbase/bin/pymobiledevice3")},
        {"which output, trimmed",
         [](Sandbox& s) {
             QDir().mkpath(s.path(QStringLiteral("elsewhere")));
             const QString found = s.pymobiledevice(QStringLiteral("elsewhere"));
             FakeTool which(s.path(QStringLiteral("bin")), QStringLiteral("which"));
             which.printsToStandardOutput(QFile::encodeName(found) + "\n");
             s.config.helperSearch.whichPath = which.write();
         },
         QStringLiteral("elsewhere/pymobiledevice3")},
        {"which printing nothing",
         [](Sandbox& s) {
             FakeTool which(s.path(QStringLiteral("bin")), QStringLiteral("which"));
             which.exitsWith(1);
             s.config.helperSearch.whichPath = which.write();
         },
         {}},
        {"which printing a file that is not executable",
         [](Sandbox& s) {
             QDir().mkpath(s.path(QStringLiteral("elsewhere")));
             const QString found = s.pymobiledevice(QStringLiteral("elsewhere"));
             makeNotExecutable(found);
             FakeTool which(s.path(QStringLiteral("bin")), QStringLiteral("which"));
             which.printsToStandardOutput(QFile::encodeName(found) + "\n");
             s.config.helperSearch.whichPath = which.write();
         },
         {}},
    };
    for (const Case& c : cases) {
        Sandbox sandbox;
        c.arrange(sandbox);
        DeviceLocationController controller(sandbox.config);
        const LocationHelperStatus status = controller.detectHelperSync();
        if (c.expected.isEmpty()) {
            EXPECT_EQ(status, LocationHelperStatus::missing()) << c.name;
            continue;
        }
        ASSERT_TRUE(status.helper) << c.name;
        EXPECT_EQ(status.helper->executablePath(), sandbox.path(c.expected)) << c.name;
        EXPECT_EQ(status.helper->kind, LocationHelper::Kind::pyMobileDevice) << c.name;
        EXPECT_EQ(status.helper->connectionMode, LocationHelper::ConnectionMode::direct()) << c.name;
        EXPECT_EQ(status.message, QStringLiteral("iPhone isn’t connected.")) << c.name;
        EXPECT_FALSE(status.isDeviceConnected || status.isLocationReady) << c.name;
        // The checklist ticks the add-on: the help must not send the user to install it.
        EXPECT_FALSE(status.installHint.contains(QStringLiteral("Install"))) << c.name;
    }
}

TEST(HelperDiscovery, TheInstalledRuntimeSkipsTheSearchTools)
{
    Sandbox sandbox;
    RuntimeLayout runtime(sandbox.config.helperSearch.runtimeFolder);
    runtime.writeLauncher();
    runtime.writeManifest(
        RuntimeManifest{1, QStringLiteral("3.12.14"), QStringLiteral("4.1"), QDateTime::currentDateTimeUtc()});
    FakeTool env(sandbox.path(QStringLiteral("bin")), QStringLiteral("env"));
    sandbox.config.helperSearch.envPath = env.write();
    FakeTool which(sandbox.path(QStringLiteral("bin")), QStringLiteral("which"));
    sandbox.config.helperSearch.whichPath = which.write();
    DeviceLocationController controller(sandbox.config);
    EXPECT_TRUE(controller.detectHelperSync().helper);
    EXPECT_TRUE(env.recordedCalls().isEmpty());
    EXPECT_TRUE(which.recordedCalls().isEmpty());
}

TEST(HelperDiscovery, BindsTheFirstIPhoneFromTheUsbmuxListOrFromDevicectl)
{
    struct Case {
        const char* name;
        QByteArray usbmuxOutput;
        QByteArray standardError;
        std::optional<QByteArray> devicectl; // none: no xcrun at all
        std::optional<QString> udid;
        std::optional<QString> deviceName;
        LocationHelper::ConnectionMode mode;
    };
    const auto usbmuxMode = LocationHelper::ConnectionMode::usbmux();
    const auto direct = LocationHelper::ConnectionMode::direct();
    const Case cases[] = {
        {"a USB iPhone",
         usbmux({usbmuxEntry("USB", "iPhone", "U1", "Anna")}),
         {},
         std::nullopt,
         QStringLiteral("U1"),
         QStringLiteral("Anna"),
         usbmuxMode},
        {"a network iPhone, then a USB one",
         usbmux({usbmuxEntry("Network", "iPhone", "N1"), usbmuxEntry("USB", "iPhone", "U2", "Ben")}),
         {},
         std::nullopt,
         QStringLiteral("U2"),
         QStringLiteral("Ben"),
         usbmuxMode},
        {"only a network iPhone",
         usbmux({usbmuxEntry("Network", "iPhone", "N1", "Net")}),
         {},
         std::nullopt,
         QStringLiteral("N1"),
         QStringLiteral("Net"),
         usbmuxMode},
        {"a log line on standard error does not hide the iPhone", usbmux({usbmuxEntry("USB", "iPhone", "U1", "Anna")}),
         "2026-12-07 04:00:00 host pymobiledevice3[42] WARNING usbmuxd answered slowly\n", std::nullopt,
         QStringLiteral("U1"), QStringLiteral("Anna"), usbmuxMode},
        {"only an iPad falls back to devicectl",
         usbmux({usbmuxEntry("USB", "iPad", "P1")}),
         {},
         devicectlIPhone,
         QStringLiteral("00008110-CORE"),
         QStringLiteral("Core Phone"),
         LocationHelper::ConnectionMode::tunnel()},
        {"output that is not JSON falls back to devicectl",
         "Traceback? no, just text\n",
         {},
         devicectlIPhone,
         QStringLiteral("00008110-CORE"),
         QStringLiteral("Core Phone"),
         LocationHelper::ConnectionMode::tunnel()},
        {"no iPhone anywhere",
         usbmux({usbmuxEntry("USB", "iPad", "P1")}),
         {},
         QByteArray(R"({"result": {"devices": []}})"),
         std::nullopt,
         std::nullopt,
         direct},
        {"no xcrun on this machine", "not json", {}, std::nullopt, std::nullopt, std::nullopt, direct},
    };
    for (const Case& c : cases) {
        Sandbox sandbox;
        sandbox.pymobiledevice(QStringLiteral("homebrew"), c.usbmuxOutput, c.standardError);
        std::optional<FakeTool> xcrun;
        if (c.devicectl)
            xcrun = sandbox.xcrun(*c.devicectl);
        DeviceLocationController controller(sandbox.config);
        const LocationHelperStatus status = controller.detectHelperSync();
        ASSERT_TRUE(status.helper) << c.name;
        EXPECT_EQ(status.helper->deviceIdentifier, c.udid) << c.name;
        EXPECT_EQ(status.helper->deviceName, c.deviceName) << c.name;
        EXPECT_EQ(status.helper->connectionMode, c.mode) << c.name;
        EXPECT_EQ(status.isDeviceConnected, c.udid.has_value()) << c.name;
        EXPECT_FALSE(status.isLocationReady) << c.name;
        EXPECT_EQ(status.message, c.udid ? *c.deviceName + QStringLiteral(" is connected. Click Prepare iPhone.")
                                         : QStringLiteral("iPhone isn’t connected."))
            << c.name;
        if (xcrun) {
            ASSERT_EQ(xcrun->recordedCalls().size(), 1) << c.name;
            const QStringList arguments = xcrun->lastArguments();
            EXPECT_EQ(arguments.mid(0, 4), (QStringList{QStringLiteral("devicectl"), QStringLiteral("list"),
                                                        QStringLiteral("devices"), QStringLiteral("--json-output")}))
                << c.name;
            EXPECT_TRUE(arguments.value(4).startsWith(sandbox.config.temporaryFolder + u"/tovrel-devicectl-"))
                << c.name;
        }
        EXPECT_TRUE(sandbox.leftoverTemporaryFiles().isEmpty()) << c.name;
    }
}

TEST(HelperDiscovery, TheDevicectlFileIsDeletedEvenWhenXcrunFails)
{
    Sandbox sandbox;
    sandbox.pymobiledevice(QStringLiteral("homebrew"), "[]");
    FakeTool xcrun = sandbox.xcrun(devicectlIPhone, 1);
    DeviceLocationController controller(sandbox.config);
    const LocationHelperStatus status = controller.detectHelperSync();
    ASSERT_TRUE(status.helper);
    EXPECT_FALSE(status.helper->deviceIdentifier);
    EXPECT_EQ(xcrun.recordedCalls().size(), 1);
    EXPECT_TRUE(sandbox.leftoverTemporaryFiles().isEmpty());
}

TEST(HelperDiscovery, VerifiesTheIDeviceHelperAgainstTheAttachedDevices)
{
    struct Case {
        const char* name;
        std::function<void(Sandbox&, FakeIDeviceTools&)> arrange;
        std::optional<QString> rememberedUdid;
        std::optional<QString> udid; // the verified device
        std::optional<QString> deviceName;
        QString failure; // the output of the failure, when it fails
    };
    const Case cases[] = {
        {"the one attached iPhone",
         [](Sandbox&, FakeIDeviceTools&) {},
         std::nullopt,
         QStringLiteral("00008030-AAAA"),
         QStringLiteral("Test iPhone"),
         {}},
        {"trimmed UDID lines",
         [](Sandbox& s, FakeIDeviceTools&) {
             FakeTool ids(s.path(QStringLiteral("homebrew")), QStringLiteral("idevice_id"));
             ids.printsToStandardOutput("\n   00008030-AAAA  \n\n");
             ids.write();
         },
         std::nullopt,
         QStringLiteral("00008030-AAAA"),
         QStringLiteral("Test iPhone"),
         {}},
        {"an iPad, then an iPhone",
         [](Sandbox&, FakeIDeviceTools& tools) {
             tools.setDevices({QStringLiteral("PAD"), QStringLiteral("PHONE")});
             tools.setInfo(QStringLiteral("PAD"), QStringLiteral("ProductType"), QStringLiteral("iPad13,1"));
             tools.setInfo(QStringLiteral("PHONE"), QStringLiteral("ProductType"), QStringLiteral("iPhone14,5"));
         },
         std::nullopt,
         QStringLiteral("PHONE"),
         std::nullopt,
         {}},
        {"a name of only blanks",
         [](Sandbox&, FakeIDeviceTools& tools) {
             tools.setInfo(QStringLiteral("00008030-AAAA"), QStringLiteral("DeviceName"), QStringLiteral("   "));
         },
         std::nullopt,
         QStringLiteral("00008030-AAAA"),
         std::nullopt,
         {}},
        {"the remembered iPhone is gone while another is attached", [](Sandbox&, FakeIDeviceTools&) {},
         QStringLiteral("00008030-GONE"), std::nullopt, std::nullopt,
         QStringLiteral("The previously selected iPhone 00008030-GONE is no longer connected.")},
        {"the remembered iPhone is still there",
         [](Sandbox&, FakeIDeviceTools&) {},
         QStringLiteral("00008030-AAAA"),
         QStringLiteral("00008030-AAAA"),
         QStringLiteral("Test iPhone"),
         {}},
        {"nothing attached", [](Sandbox&, FakeIDeviceTools& tools) { tools.setDevices({}); }, std::nullopt,
         std::nullopt, std::nullopt, QStringLiteral("libimobiledevice doesn’t see any connected device.")},
        {"only an iPad",
         [](Sandbox&, FakeIDeviceTools& tools) {
             tools.setInfo(QStringLiteral("00008030-AAAA"), QStringLiteral("ProductType"), QStringLiteral("iPad13,1"));
         },
         std::nullopt, std::nullopt, std::nullopt,
         QStringLiteral("libimobiledevice sees a device, but ideviceinfo didn’t confirm an iPhone.")},
        {"idevice_id missing",
         [](Sandbox& s, FakeIDeviceTools&) { QFile::remove(s.path(QStringLiteral("homebrew/idevice_id"))); },
         std::nullopt, std::nullopt, std::nullopt,
         QStringLiteral("idevice_id is missing. Install the complete libimobiledevice package.")},
    };
    for (const Case& c : cases) {
        Sandbox sandbox;
        FakeIDeviceTools tools(sandbox.path(QStringLiteral("homebrew")));
        c.arrange(sandbox, tools);
        DeviceLocationController controller(sandbox.config);
        ProcessCancellationState cancellation;
        const LocationHelper helper = iDeviceHelper(tools.folder(), c.rememberedUdid);
        if (c.udid) {
            const LocationHelper verified = controller.verifiedIDeviceHelper(
                helper, QUuid::createUuid(), cancellation, DeviceLocationController::LocationSupportCheck::skipped);
            EXPECT_EQ(verified.deviceIdentifier, c.udid) << c.name;
            EXPECT_EQ(verified.deviceName, c.deviceName) << c.name;
            EXPECT_EQ(verified.connectionMode, LocationHelper::ConnectionMode::usbmux()) << c.name;
            EXPECT_EQ(verified.executableURL, helper.executableURL) << c.name;
        } else {
            const auto failure = failureOf<DeviceLocationError>([&] {
                controller.verifiedIDeviceHelper(helper, QUuid::createUuid(), cancellation,
                                                 DeviceLocationController::LocationSupportCheck::skipped);
            });
            ASSERT_TRUE(failure) << c.name;
            EXPECT_EQ(failure->output(), c.failure) << c.name;
        }
    }
}

TEST(HelperDiscovery, DetectionWithIdevicesetlocationNamesTheDeviceOrSaysWhyNot)
{
    Sandbox sandbox;
    FakeIDeviceTools tools(sandbox.path(QStringLiteral("usrlocal")));
    tools.setInfo(QStringLiteral("00008030-AAAA"), QStringLiteral("DeviceName"), {});
    DeviceLocationController controller(sandbox.config);
    LocationHelperStatus status = controller.detectHelperSync();
    ASSERT_TRUE(status.helper);
    EXPECT_EQ(status.helper->deviceIdentifier, QStringLiteral("00008030-AAAA"));
    EXPECT_EQ(status.message, QStringLiteral("00008030-AAAA is connected. Click Prepare iPhone."));
    EXPECT_TRUE(status.isDeviceConnected);
    EXPECT_FALSE(status.installHint.contains(QStringLiteral("Install")));

    const struct {
        const char* name;
        std::function<void()> arrange;
        QString message;
    } cases[] = {
        // Debian's 1.3.0 with usbmuxd running: idevice_id lists nothing, exit 0.
        {"nothing attached", [&] { tools.setDevices({}); }, QStringLiteral("iPhone isn’t connected.")},
        // Without usbmuxd: "ERROR: Unable to retrieve device list!", exit 255.
        {"usbmuxd not running", [&] { tools.setUsbmuxdRunning(false); }, QStringLiteral("iPhone isn’t connected.")},
        {"only an iPad",
         [&] {
             tools.setUsbmuxdRunning(true);
             tools.setDevices({QStringLiteral("00008030-AAAA")});
             tools.setInfo(QStringLiteral("00008030-AAAA"), QStringLiteral("ProductType"), QStringLiteral("iPad13,1"));
         },
         QStringLiteral("The connected iPhone couldn’t be verified yet.")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        status = controller.detectHelperSync();
        ASSERT_TRUE(status.helper);
        EXPECT_EQ(status.helper->executablePath(), tools.path(QStringLiteral("idevicesetlocation")));
        EXPECT_FALSE(status.helper->deviceIdentifier);
        EXPECT_EQ(status.message, c.message);
        EXPECT_FALSE(status.isDeviceConnected);
    }
}

// The held iPhone unplugged, the libimobiledevice tools answer as Debian's do
// ("ERROR: Device X not found!"): every check says it is not connected, never
// that it is not ready.
TEST(HelperDiscovery, AnUnpluggedIPhoneOnTheLibimobiledevicePathIsNotConnected)
{
    for (const bool usbmuxdRuns : {true, false}) {
        SCOPED_TRACE(usbmuxdRuns ? "usbmuxd runs" : "usbmuxd is not running");
        Sandbox sandbox;
        FakeIDeviceTools tools(sandbox.path(QStringLiteral("usrlocal")));
        DeviceLocationController controller(sandbox.config);
        const LocationHelper held = iDeviceHelper(tools.folder(), QStringLiteral("00008030-AAAA"));
        ASSERT_TRUE(controller.checkDeviceConnectionSync(held).isAvailable());
        tools.setDevices({});
        tools.setUsbmuxdRunning(usbmuxdRuns);
        for (const LocationHelperStatus& status :
             {controller.checkDeviceConnectionSync(held), controller.prepareForLocationSync(held)}) {
            EXPECT_EQ(status.message, QStringLiteral("iPhone isn’t connected."));
            EXPECT_FALSE(status.isDeviceConnected);
            EXPECT_TRUE(status.installHint.startsWith(u"iPhone isn’t ready yet.\n\n1. Connect iPhone"));
        }
        EXPECT_FALSE(controller.isDeviceReachableSync(held));
        RoutePoint point;
        point.latitude = 50.0875;
        point.longitude = 14.4213;
        const auto failure = failureOf<DeviceLocationError>([&] { controller.setLocationSync(point, held); });
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->output().trimmed(), QStringLiteral("ERROR: Device 00008030-AAAA not found!"));
    }
}

TEST(HelperDiscovery, LocationSupportNeedsAnOldEnoughIOSAndAMountedDiskImage)
{
    struct Case {
        const char* name;
        QString version;
        QByteArray helpText; // the disk-image tool's help; empty: the fake tools' default
        bool mounted;
        QString expectedListForm;
        QString failure;
    };
    const Case cases[] = {
        {"iOS 16 with the image, new help text", QStringLiteral("16.7"), {}, true, QStringLiteral("list"), {}},
        {"old help text lists with -l",
         QStringLiteral("15.8"),
         "Usage: ideviceimagemounter [OPTIONS] IMAGE_FILE\n",
         true,
         QStringLiteral("-l"),
         {}},
        {"no image",
         QStringLiteral("16.7"),
         {},
         false,
         QStringLiteral("list"),
         QStringLiteral("No compatible Developer Disk Image is mounted on iPhone. Quit Ostrevin and open it again, "
                        "then click Install: the add-on component mounts it when you click Prepare iPhone.")},
        {"iOS 17",
         QStringLiteral("17.0"),
         {},
         true,
         {},
         QStringLiteral("idevicesetlocation doesn’t support iOS 17.0. Quit Ostrevin and open it again, then click "
                        "Install: the add-on component supports it.")},
    };
    for (const Case& c : cases) {
        Sandbox sandbox;
        FakeIDeviceTools tools(sandbox.path(QStringLiteral("homebrew")));
        tools.setInfo(QStringLiteral("00008030-AAAA"), QStringLiteral("ProductVersion"), c.version);
        tools.setDeveloperImageMounted(c.mounted);
        if (!c.helpText.isEmpty()) {
            // An older mounter: its own help text, and the image list only for "-l".
            const QString mounter = tools.path(QStringLiteral("ideviceimagemounter"));
            QByteArray script = readFile(mounter);
            script.replace("*\" --help \"*) echo \"Usage: ideviceimagemounter [OPTIONS] COMMAND [COMMAND OPTIONS...]\"",
                           QByteArray(QByteArray("*\" --help \"*) printf '%s' ") + FakeTool::shellWord(c.helpText)));
            writeFile(mounter, script);
        }
        DeviceLocationController controller(sandbox.config);
        ProcessCancellationState cancellation;
        const LocationHelper helper = iDeviceHelper(tools.folder());
        if (c.failure.isEmpty()) {
            const LocationHelper verified = controller.verifiedIDeviceHelper(
                helper, QUuid::createUuid(), cancellation, DeviceLocationController::LocationSupportCheck::required);
            EXPECT_EQ(verified.deviceIdentifier, QStringLiteral("00008030-AAAA")) << c.name;
        } else {
            const auto failure = failureOf<DeviceLocationError>([&] {
                controller.verifiedIDeviceHelper(helper, QUuid::createUuid(), cancellation,
                                                 DeviceLocationController::LocationSupportCheck::required);
            });
            ASSERT_TRUE(failure) << c.name;
            EXPECT_EQ(failure->output(), c.failure) << c.name;
        }
        const QStringList mounterCalls = tools.calls(QStringLiteral("ideviceimagemounter"));
        if (c.expectedListForm.isEmpty()) {
            EXPECT_TRUE(mounterCalls.isEmpty()) << c.name;
        } else {
            ASSERT_EQ(mounterCalls.size(), 2) << c.name;
            EXPECT_EQ(mounterCalls.at(0), QStringLiteral("--help")) << c.name;
            EXPECT_EQ(mounterCalls.at(1), u"-u 00008030-AAAA -t Developer -x " + c.expectedListForm) << c.name;
        }
    }
}

TEST(HelperDiscovery, VersionRuleAndImageListReplies)
{
    const std::pair<const char*, bool> versions[] = {
        {"16.7", true},  {"16.7.8", true}, {"9.3.5", true}, {"17", false},     {"17.0", false},
        {"18.1", false}, {"", false},      {"beta", false}, {"iOS 16", false}, {".16.2", true},
    };
    for (const auto& [version, supported] : versions)
        EXPECT_EQ(DeviceLocationController::isLegacyIDeviceSetLocationSupported(QString::fromLatin1(version)),
                  supported)
            << version;

    const auto reply = [](const char* body) {
        return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist "
                              "version=\"1.0\">\n<dict>\n%1\n</dict>\n</plist>\n")
            .arg(QString::fromLatin1(body));
    };
    const std::pair<QString, bool> replies[] = {
        {reply("<key>ImagePresent</key><true/><key>ImageSignature</key><data>AAECAw==</data>"), true},
        {reply("<key>ImagePresent</key><true/><key>ImageSignature</key><data></data>"), false},
        {reply("<key>ImagePresent</key><true/><key>ImageSignature</key><string>sig</string>"), true},
        {reply("<key>ImagePresent</key><true/><key>ImageSignature</key><string></string>"), false},
        {reply("<key>ImagePresent</key><true/>"), false},
        {reply("<key>ImagePresent</key><false/><key>ImageSignature</key><data>AAECAw==</data>"), false},
        {reply("<key>ImagePresent</key><string>YES</string><key>ImageSignature</key><data>AAECAw==</data>"), false},
        {reply("<key>ImagePresent</key><true/><key>ImageSignature</key><integer>1</integer>"), false},
        // Newer iOS versions: no ImagePresent, the signatures of the mounted images as an array.
        {reply("<key>ImageSignature</key><array>\n\t\t<data>\n\t\tAAECAw==\n\t\t</data>\n\t</array><key>Status</"
               "key><string>Complete</string>"),
         true},
        {reply("<key>ImageSignature</key><array>\n\t</array><key>Status</key><string>Complete</string>"), false},
        {QStringLiteral("No device found.\n"), false},
        {QStringLiteral("<plist version=\"1.0\"><array><true/></array></plist>"), false},
    };
    for (const auto& [output, mounted] : replies)
        EXPECT_EQ(DeviceLocationController::hasMountedDeveloperDiskImage(output), mounted) << output.toStdString();
}

TEST(HelperDiscovery, ReachabilityFollowsTheHeldDevice)
{
    struct Case {
        const char* name;
        QByteArray usbmuxOutput;
        std::optional<QByteArray> devicectl;
        std::optional<QString> udid;
        bool reachable;
    };
    const Case cases[] = {
        {"listed", usbmux({usbmuxEntry("Network", "iPhone", "U1")}), std::nullopt, QStringLiteral("U1"), true},
        {"another iPhone listed", usbmux({usbmuxEntry("USB", "iPhone", "U2")}), std::nullopt, QStringLiteral("U1"),
         false},
        {"any iPhone without an identifier", usbmux({usbmuxEntry("USB", "iPhone", "U2")}), std::nullopt, std::nullopt,
         true},
        {"an iPad with that identifier", usbmux({usbmuxEntry("USB", "iPad", "U1")}), std::nullopt, QStringLiteral("U1"),
         false},
        {"devicectl has it", "not json", devicectlIPhone, QStringLiteral("00008110-CORE"), true},
        {"devicectl has another", "[]", devicectlIPhone, QStringLiteral("U1"), false},
    };
    for (const Case& c : cases) {
        Sandbox sandbox;
        LocationHelper helper;
        helper.executableURL = QUrl::fromLocalFile(sandbox.pymobiledevice(QStringLiteral("homebrew"), c.usbmuxOutput));
        helper.deviceIdentifier = c.udid;
        helper.connectionMode = LocationHelper::ConnectionMode::usbmux();
        if (c.devicectl)
            sandbox.xcrun(*c.devicectl);
        DeviceLocationController controller(sandbox.config);
        EXPECT_EQ(controller.isDeviceReachable(helper).result(), c.reachable) << c.name;
    }

    Sandbox sandbox;
    FakeIDeviceTools tools(sandbox.path(QStringLiteral("homebrew")));
    DeviceLocationController controller(sandbox.config);
    EXPECT_TRUE(controller.isDeviceReachableSync(iDeviceHelper(tools.folder(), QStringLiteral("00008030-AAAA"))));
    EXPECT_FALSE(controller.isDeviceReachableSync(iDeviceHelper(tools.folder(), QStringLiteral("00008030-GONE"))));
}
