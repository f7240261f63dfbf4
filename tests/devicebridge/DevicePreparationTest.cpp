#include "DriveFixture.h"
#include "support/Eventually.h"

#include <stop_token>

using namespace ostrevin;
using namespace ostrevin::test;
using Command = FakePyMobileDevice::Command;
using Behaviour = FakePyMobileDevice::Behaviour;

namespace {

class DevicePreparation : public DriveTest {};

const QString instructions = QStringLiteral(
    "iPhone isn’t ready yet.\n\n"
    "1. Connect iPhone to this computer with a cable.\n"
    "2. Unlock iPhone and keep it unlocked.\n"
    "3. If iPhone asks whether to Trust This Computer, confirm it.\n"
    "4. Turn on Settings \u203A Privacy & Security \u203A Developer Mode.\n"
    "5. Click Prepare iPhone. On iOS 17.0\u201317.3.1, the administrator password of this computer may be required.\n\n"
    "Until iPhone is ready, Ostrevin won’t change its location.");

} // namespace

TEST(SetupHint, DetailsFollowTheInstructionsOnlyWhenThereAreAny)
{
    EXPECT_EQ(DeviceLocationController::setupHint(std::nullopt), instructions);
    EXPECT_EQ(DeviceLocationController::setupHint(QString()), instructions);
    EXPECT_EQ(DeviceLocationController::setupHint(QStringLiteral("  raw\noutput ")),
              instructions + QStringLiteral("\n\nDetails:\n  raw\noutput "));
}

TEST(DeviceStatusShapes, TheUnavailableStatusNamesTheIPhoneWhenItsIdentifierIsKnown)
{
    struct Case {
        std::optional<QString> udid;
        std::optional<QString> name;
        QString message;
    };
    const QList<Case> cases{
        {QStringLiteral("U1"), QStringLiteral("Anna’s iPhone"),
         QStringLiteral("Anna’s iPhone is connected but not ready yet.")},
        {QStringLiteral("U1"), std::nullopt, QStringLiteral("U1 is connected but not ready yet.")},
        {std::nullopt, QStringLiteral("Anna’s iPhone"), QStringLiteral("iPhone isn’t responding yet.")},
    };
    const auto error = std::make_exception_ptr(DeviceLocationError::commandFailed(
        QStringLiteral("pymobiledevice3 x"), QStringLiteral("Device is not connected")));
    for (const Case& c : cases) {
        LocationHelper helper;
        helper.deviceIdentifier = c.udid;
        helper.deviceName = c.name;
        const LocationHelperStatus status = DeviceLocationController::unavailableStatus(helper, error);
        EXPECT_EQ(status.message, c.message);
        EXPECT_EQ(status.helper, helper);
        EXPECT_EQ(status.isDeviceConnected, c.udid.has_value());
        EXPECT_FALSE(status.isLocationReady);
        EXPECT_EQ(status.installHint,
                  instructions + QStringLiteral("\n\nDetails:\nCommunication with iPhone failed.\n\n"
                                                "Command: pymobiledevice3 x\n\nDevice is not connected"));
    }
}

TEST_F(DevicePreparation, TheReadyStatusNamesTheIPhoneOrItsIdentifierOrJustIPhone)
{
    struct Case {
        std::optional<QString> udid;
        std::optional<QString> name;
        QString message;
    };
    const QList<Case> cases{
        {QStringLiteral("U1"), QStringLiteral("Desk iPhone"), QStringLiteral("Desk iPhone is ready.")},
        {QStringLiteral("U1"), std::nullopt, QStringLiteral("U1 is ready.")},
        {std::nullopt, std::nullopt, QStringLiteral("iPhone is ready.")},
    };
    for (const Case& c : cases) {
        // Without a UDID only a tunnel address binds the helper to one iPhone.
        LocationHelper helper = pyHelper(c.udid ? LocationHelper::ConnectionMode::direct()
                                                : LocationHelper::ConnectionMode::rsd(QStringLiteral("fd00::1"), 58000),
                                         c.udid);
        helper.deviceName = c.name;
        const LocationHelperStatus status = controller->readyStatus(helper, 8, {});
        EXPECT_EQ(status.message, c.message);
        EXPECT_TRUE(status.isAvailable());
        EXPECT_EQ(status.helper, helper);
        EXPECT_EQ(status.installHint, LocationHelperStatus::missing().installHint);
    }
    EXPECT_EQ(tool.calls(Command::DeviceInformation).value(0),
              QStringLiteral("--no-color --reconnect developer dvt device-information --udid U1"));
}

TEST_F(DevicePreparation, TheReadinessWaitTriesUntilTheIPhoneAnswers)
{
    tool.succeedFromTry(Command::DeviceInformation, 3);
    const LocationHelperStatus status = controller->waitForLocationReady(pyHelper(), {});
    EXPECT_TRUE(status.isAvailable());
    EXPECT_EQ(tool.count(Command::DeviceInformation), 3);
}

TEST_F(DevicePreparation, AnIPhoneThatNeverAnswersEndsTheWaitWithTheLastFailure)
{
    tool.setBehaviour(Command::DeviceInformation, Behaviour::LogErrorAndExit);
    const auto started = std::chrono::steady_clock::now();
    const auto error = failureOf<DeviceLocationError>([&] { controller->waitForLocationReady(pyHelper(), {}); });
    const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_GE(waited, 2.0); // the injected budget
    EXPECT_LT(waited, 8.0);
    EXPECT_TRUE(error.output().contains(QStringLiteral("ERROR Device is not connected")));
    EXPECT_GE(tool.count(Command::DeviceInformation), 2);
}

TEST_F(DevicePreparation, AnImageThatIsAlreadyMountedCountsAsMounted)
{
    struct Case {
        Behaviour behaviour;
        bool fails;
    };
    for (const Case& c : {Case{Behaviour::Succeed, false}, Case{Behaviour::AlreadyMounted, false},
                          Case{Behaviour::LogErrorAndExit, true}, Case{Behaviour::FailWithOutput, true}}) {
        tool.setBehaviour(Command::Mount, c.behaviour);
        if (c.fails)
            EXPECT_THROW(controller->mountDeveloperDiskImageIfNeeded(pyHelper(), {}), DeviceLocationError);
        else
            EXPECT_NO_THROW(controller->mountDeveloperDiskImageIfNeeded(pyHelper(), {}));
    }
    EXPECT_EQ(tool.calls(Command::Mount).value(0),
              QStringLiteral("--no-color --reconnect mounter auto-mount --udid %1").arg(testUDID));
}

TEST_F(DevicePreparation, AReadyIPhoneIsReturnedAsItIs)
{
    const LocationHelper helper = pyHelper();
    const LocationHelperStatus status = controller->prepareForLocationSync(helper);
    EXPECT_TRUE(status.isAvailable());
    EXPECT_EQ(status.helper, helper);
    EXPECT_EQ(status.message, QStringLiteral("Test iPhone is ready."));
    EXPECT_EQ(tool.count(Command::Mount), 0);
}

// Without a UDID there is nothing to ask the tunnel service for: preparation
// must fail before anything asks for administrator rights.
TEST_F(DevicePreparation, WithoutAnIdentifierPreparationFailsBeforeAnyPrivilegedStart)
{
    tool.setBehaviour(Command::DeviceInformation, Behaviour::LogErrorAndExit);
    const LocationHelper helper = pyHelper(LocationHelper::ConnectionMode::direct(), std::nullopt);
    const LocationHelperStatus status = controller->prepareForLocationSync(helper);
    EXPECT_EQ(status.message, QStringLiteral("iPhone isn’t connected."));
    EXPECT_EQ(status.helper, helper);
    EXPECT_FALSE(status.isDeviceConnected);
    EXPECT_FALSE(status.isLocationReady);
    EXPECT_EQ(status.installHint, instructions);
    EXPECT_EQ(tool.count(Command::DeviceInformation), 0);
    EXPECT_THROW(controller->preparedRSDHelper(helper, {}), DeviceLocationError);
}

TEST_F(DevicePreparation, ACancelledDeviceCheckIsAStatusNotAnError)
{
    std::stop_source stop;
    stop.request_stop();
    const LocationHelperStatus status = controller->checkDeviceConnectionSync(pyHelper(), stop.get_token());
    EXPECT_EQ(status.message, QStringLiteral("Test iPhone is connected but not ready yet."));
    EXPECT_TRUE(status.installHint.endsWith(
        QStringLiteral("Command: Ostrevin device check\n\nThe device check was canceled.")));
    EXPECT_EQ(tool.count(Command::DeviceInformation), 0);
}

// After a reset's or a quit's stop no tool starts, not even the look at the attached devices.
TEST_F(DevicePreparation, ACancelledPreparationStartsNoFurtherTool)
{
    tool.setAttachedDevices({{testUDID}});
    for (const bool stopWhileChecking : {false, true}) {
        SCOPED_TRACE(stopWhileChecking);
        std::stop_source stop;
        const int checksBefore = tool.count(Command::DeviceInformation);
        tool.setBehaviour(Command::DeviceInformation, Behaviour::Hold);
        if (!stopWhileChecking)
            stop.request_stop();
        const auto preparing =
            controller->prepareForLocation(pyHelper(), stop.get_token(), AdministratorPrompt::allowed);
        ASSERT_TRUE(test::eventually(
            [&] { return !stopWhileChecking || tool.count(Command::DeviceInformation) > checksBefore; }));
        stop.request_stop();
        const QStringList startedBeforeStop = tool.calls();
        ASSERT_TRUE(finishWithEvents(preparing));
        EXPECT_EQ(tool.calls(), startedBeforeStop);
    }
}

TEST_F(DevicePreparation, AnIDeviceSetLocationHelperIsNeverPreparedFurther)
{
    FakeIDeviceTools tools(dir.file(QStringLiteral("idevice")));
    tools.setDeveloperImageMounted(false);
    const LocationHelper helper = iDeviceHelper(tools);
    const LocationHelperStatus status = controller->prepareForLocationSync(helper);
    EXPECT_FALSE(status.isLocationReady);
    EXPECT_EQ(status.message, QStringLiteral("00008030-AAAA is connected but not ready yet."));
    EXPECT_TRUE(status.installHint.contains(QStringLiteral("No compatible Developer Disk Image is mounted")))
        << status.installHint.toStdString();
}

// Each try gets what is left of the budget (at most 2 s), so a hanging iPhone
// never stretches the wait far beyond it. What is left is long enough for the
// second try to start and be counted on a busy machine.
TEST_F(DevicePreparation, TriesShrinkTowardsTheEndOfTheReadinessBudget)
{
    makeController(
        [](DeviceLocationController::Configuration& configuration) { configuration.timing.readinessBudget = 4.0; });
    tool.setBehaviour(Command::DeviceInformation, Behaviour::Hold);
    const auto started = std::chrono::steady_clock::now();
    const auto error = failureOf<DeviceLocationError>([&] { controller->waitForLocationReady(pyHelper(), {}); });
    const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_EQ(tool.count(Command::DeviceInformation), 2); // 2 s, a pause, then the rest
    EXPECT_GE(waited, 3.8);
    EXPECT_LT(waited, 6.4);
    EXPECT_TRUE(error.output().startsWith(QStringLiteral("Timed out after"))) << error.output().toStdString();
}
