// The device bridge against a pymobiledevice3 that chooses devices the way the
// real one does: without "--udid" it takes the only attached device, an iPad
// too; an absent UDID is logged as an error with exit status 0; "--reconnect"
// waits for a device that is not there.

#include "DriveFixture.h"
#include "support/EquatorRoute.h"
#include "support/FakeTool.h"
#include "support/SandboxedDevice.h"

#include <QFuture>

using namespace ostrevin;
using namespace ostrevin::test;
using Command = FakePyMobileDevice::Command;
using Behaviour = FakePyMobileDevice::Behaviour;

namespace {

const QString notConnected = QStringLiteral("iPhone isn’t connected.");

class AttachedDevices : public DriveTest {
protected:
    void SetUp() override
    {
        pkexec.write();
        makeController([this](DeviceLocationController::Configuration& configuration) {
            sandbox(configuration, dir.path(), dir.path(), pkexec.path());
        });
    }

    /// Every device command the tool ran, whichever device it reached.
    int deviceCommands() const
    {
        int count = 0;
        for (const Command command :
             {Command::Set, Command::Play, Command::Clear, Command::DeviceInformation, Command::Mount})
            count += tool.count(command);
        return count;
    }

    FakeTool pkexec{dir.path(), QStringLiteral("pkexec")};
};

TEST_F(AttachedDevices, WithoutABoundIPhoneNoDeviceCommandRuns)
{
    const struct {
        const char* name;
        QList<FakePyMobileDevice::AttachedDevice> attached;
    } cases[] = {
        {"an iPad alone on USB", {{QStringLiteral("00008103-0001"), QStringLiteral("iPad"), QStringLiteral("iPad")}}},
        {"nothing attached", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        tool.setAttachedDevices(c.attached);
        const LocationHelperStatus detected = controller->detectHelperSync();
        ASSERT_TRUE(detected.helper.has_value());
        ASSERT_FALSE(detected.helper->deviceIdentifier.has_value());
        const LocationHelper& unbound = *detected.helper;

        for (const LocationHelperStatus& status :
             {controller->checkDeviceConnectionSync(unbound), controller->prepareForLocationSync(unbound)}) {
            EXPECT_EQ(status.message, notConnected);
            EXPECT_FALSE(status.isDeviceConnected);
            EXPECT_FALSE(status.isAvailable());
        }
        EXPECT_TRUE(failureOf<DeviceLocationError>([&] { controller->setLocationSync(point(1, 2), unbound); })
                        .command()
                        .contains(u"simulate-location set"));
        failureOf<DeviceLocationError>([&] { controller->clearLocationSync(unbound); });
        QFuture<void> played = controller->playRoute(equatorRoute({0, 50, 100}), RouteSpeedProfile::normal,
                                                     RouteTransportMode::walking, 50, unbound, nullptr, {}, {});
        ASSERT_TRUE(finishWithEvents(played));
        failureOf<DeviceLocationError>([&] { played.waitForFinished(); });

        EXPECT_EQ(deviceCommands(), 0) << tool.calls().join(u'\n').toStdString();
        EXPECT_TRUE(pkexec.recordedCalls().isEmpty());
    }
}

TEST_F(AttachedDevices, AnUnpluggedBoundIPhoneIsNotConnectedAndNeverPromptsForAPassword)
{
    tool.setAttachedDevices({{QStringLiteral("00008103-0001"), QStringLiteral("iPad"), QStringLiteral("iPad")}});
    const LocationHelperStatus prepared = controller->prepareForLocationSync(pyHelper());
    EXPECT_EQ(prepared.message, notConnected);
    EXPECT_FALSE(prepared.isDeviceConnected);
    EXPECT_TRUE(prepared.installHint.contains(u"Device not found: " + testUDID)) << prepared.installHint.toStdString();
    // Asked by UDID, the tool reached no device at all, the iPad least of all.
    EXPECT_TRUE(tool.targets(Command::DeviceInformation).isEmpty());
    EXPECT_TRUE(pkexec.recordedCalls().isEmpty());

    // Plugged in again, the user's Prepare iPhone starts the tunnel service with administrator rights.
    tool.setAttachedDevices({{testUDID}});
    tool.setBehaviour(Command::DeviceInformation, Behaviour::LogErrorAndExit);
    controller->prepareForLocationSync(pyHelper(), {}, AdministratorPrompt::allowed);
    EXPECT_EQ(pkexec.recordedCalls().size(), 1);
}

TEST_F(AttachedDevices, ARunThatWaitsForTheDeviceReportsWhatTheToolLogged)
{
    tool.setAttachedDevices({{testUDID}});
    tool.setBehaviour(Command::DeviceInformation, Behaviour::DeviceLost);
    const auto error = failureOf<DeviceLocationError>([&] { controller->readyStatus(pyHelper(), 0.5, {}); });
    EXPECT_TRUE(tool.calls(Command::DeviceInformation).first().contains(u"--reconnect"));
    EXPECT_TRUE(error.output().contains(u"ERROR Device is not connected")) << error.output().toStdString();
    EXPECT_FALSE(error.output().contains(u"Timed out")) << error.output().toStdString();
}

} // namespace
