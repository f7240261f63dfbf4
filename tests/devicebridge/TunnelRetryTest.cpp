#include "DriveFixture.h"
#include "platform/PrivilegedRunner.h"
#include "support/FakeHttpServer.h"
#include "support/FakeTool.h"

using namespace ostrevin;
using namespace ostrevin::test;
using Command = FakePyMobileDevice::Command;
using Behaviour = FakePyMobileDevice::Behaviour;

namespace {

const QString tunnelHost = QStringLiteral("fd7b:e5b:6f53::1");

/// A running tunnel service that opens one tunnel for the test iPhone; outside
/// that tunnel the fake iPhone does not answer.
class TunnelRetry : public DriveTest {
protected:
    void SetUp() override
    {
        server.setReply("GET", "/hello", FakeHttpReply::json(R"({"message": "Hello, I'm alive"})"));
        server.setReply("GET", "/", FakeHttpReply::json("{}"));
        server.setReply("GET", "/start-tunnel",
                        FakeHttpReply::json(R"({"interface": "utun6", "port": 64337, "address": "fd7b:e5b:6f53::1"})"));
        makeController([this](DeviceLocationController::Configuration& configuration) {
            configuration.tunnelServiceURL = server.url();
        });
        for (const Command command : {Command::Set, Command::Clear, Command::DeviceInformation}) {
            tool.setBehaviour(command, Behaviour::LogErrorAndExit);
            tool.setBehaviour(command, Behaviour::Succeed, /*viaRsd=*/true);
        }
    }

    int startTunnelRequests() const
    {
        int count = 0;
        for (const FakeHttpRequest& request : server.requests())
            count += request.path() == "/start-tunnel" ? 1 : 0;
        return count;
    }

    FakeHttpServer server;
};

} // namespace

TEST_F(TunnelRetry, AFailedSetIsTriedOnceMoreThroughTheTunnel)
{
    const LocationHelper helper = pyHelper();
    EXPECT_EQ(controller->setLocationSync(point(50.0875, 14.4213), helper),
              QStringLiteral("Simulated location is set."));
    const QStringList sets = tool.calls(Command::Set);
    ASSERT_EQ(sets.size(), 2);
    EXPECT_TRUE(sets.at(0).contains(QStringLiteral("--udid ") + testUDID));
    EXPECT_EQ(sets.at(1), QStringLiteral("--no-color developer dvt simulate-location set --rsd %1 64337 -- 50.087500 "
                                         "14.421300")
                              .arg(tunnelHost));
    EXPECT_EQ(startTunnelRequests(), 1);
    EXPECT_EQ(server.requests().last().target, "/start-tunnel?udid=" + testUDID.toUtf8());

    // The retry's process is the held one.
    LocationHelper rsd = helper;
    rsd.connectionMode = LocationHelper::ConnectionMode::rsd(tunnelHost, 64337);
    EXPECT_EQ(controller->setLocationSync(point(50.0875, 14.4213), rsd),
              QStringLiteral("This location is already set."));
}

TEST_F(TunnelRetry, AFailedClearIsTriedOnceMoreThroughTheTunnel)
{
    controller->clearLocationSync(pyHelper());
    EXPECT_EQ(
        tool.calls(Command::Clear).value(1),
        QStringLiteral("--no-color --reconnect developer dvt simulate-location clear --rsd %1 64337").arg(tunnelHost));
}

TEST_F(TunnelRetry, WithTheServiceRunningPreparationReachesTheIPhoneThroughItsTunnel)
{
    const LocationHelperStatus status = controller->prepareForLocationSync(pyHelper());
    ASSERT_TRUE(status.isAvailable()) << status.installHint.toStdString();
    ASSERT_TRUE(status.helper.has_value());
    EXPECT_EQ(status.helper->connectionMode, LocationHelper::ConnectionMode::rsd(tunnelHost, 64337));
    EXPECT_EQ(status.helper->deviceIdentifier, testUDID);
}

TEST_F(TunnelRetry, PlaybackOutsideTheTunnelStartsWithThePreparedHelper)
{
    QObject context;
    QList<LocationHelper> started;
    QFuture<void> playing = controller->playRoute(
        {point(0, 0), point(0, 0.00001)}, RouteSpeedProfile::normal, RouteTransportMode::walking, 50, pyHelper(),
        &context, [&](const LocationHelper& helper) { started.append(helper); }, [](double, const RoutePoint&) {});
    ASSERT_TRUE(finishWithEvents(playing));
    EXPECT_NO_THROW(playing.waitForFinished());
    ASSERT_EQ(started.size(), 1);
    EXPECT_EQ(started.first().connectionMode, LocationHelper::ConnectionMode::rsd(tunnelHost, 64337));
    EXPECT_TRUE(tool.calls(Command::Play).value(0).contains(QStringLiteral("--rsd ") + tunnelHost + u" 64337"));
}

// An rsd helper that fails is not retried: the tunnel was already the way.
TEST_F(TunnelRetry, AnRsdHelperThatFailsIsNotRetried)
{
    tool.setBehaviour(Command::Set, Behaviour::ExitSilently, /*viaRsd=*/true);
    const LocationHelper rsd = pyHelper(LocationHelper::ConnectionMode::rsd(tunnelHost, 64337));
    EXPECT_THROW(controller->setLocationSync(point(1, 2), rsd), DeviceLocationError);
    EXPECT_EQ(tool.count(Command::Set), 1);
    EXPECT_EQ(server.requestCount(), 0);
}

namespace {

/// Runs the administrator line through a fake "pkexec" that only records it.
class RecordingPrivilegedRunner : public PrivilegedRunner {
public:
    explicit RecordingPrivilegedRunner(QString fakePath) : m_path(std::move(fakePath)) {}
    Invocation invocation(const QString& shellLine) const override { return {m_path, {shellLine}}; }

private:
    QString m_path;
};

class PrivilegedPreparation : public TunnelRetry {
protected:
    void SetUp() override
    {
        TunnelRetry::SetUp();
        pkexec.exitsWith(0);
        const QString path = pkexec.write();
        makeController([this, path](DeviceLocationController::Configuration& configuration) {
            configuration.tunnelServiceURL = server.url();
            configuration.tunnelProbeInterval = std::chrono::milliseconds(50);
            configuration.privilegedRunner = std::make_shared<RecordingPrivilegedRunner>(path);
        });
        // The service is down for the probes of the device check and of
        // preparation, and "comes up" once it was started.
        server.dropFirst(2);
        // Administrator rights are asked for only while the iPhone is attached.
        tool.setAttachedDevices({{testUDID}});
    }

    FakeTool pkexec{dir.path(), QStringLiteral("pkexec")};
};

} // namespace

TEST_F(PrivilegedPreparation, AStoppedServiceIsStartedWithAdministratorRightsThenTheTunnelIsUsed)
{
    const LocationHelperStatus status =
        controller->prepareForLocationSync(pyHelper(), {}, AdministratorPrompt::allowed);
    EXPECT_TRUE(status.isAvailable()) << status.installHint.toStdString();
    ASSERT_EQ(pkexec.recordedCalls().size(), 1);
    // Started where the client looks for it: the configured service address.
    const QString port = QString::number(server.url().port());
    const QString line = pkexec.lastArguments().value(0);
    EXPECT_TRUE(line.contains(u"remote tunneld -d --host '127.0.0.1' --port " + port + u" --protocol tcp"))
        << line.toStdString();
    EXPECT_TRUE(line.contains(u"sport = :" + port)) << line.toStdString();
    EXPECT_EQ(status.helper->connectionMode, LocationHelper::ConnectionMode::rsd(tunnelHost, 64337));
}

// Work nobody asked for never asks for the password: it says that Prepare iPhone
// is needed, and the user's Prepare iPhone then asks once.
TEST_F(PrivilegedPreparation, OnlyAPreparationTheUserAskedForPromptsForThePassword)
{
    server.dropFirst(3); // down for both probes of the preparation and the one of the set
    const LocationHelperStatus background = controller->prepareForLocationSync(pyHelper());
    EXPECT_FALSE(background.isAvailable());
    EXPECT_TRUE(background.isDeviceConnected);
    EXPECT_EQ(background.message, QStringLiteral("Waiting for Prepare iPhone: it needs the administrator password."));
    EXPECT_THROW(controller->setLocationSync(point(1, 2), pyHelper()), DeviceLocationError);
    EXPECT_TRUE(pkexec.recordedCalls().isEmpty());
    // Tried over the direct connection before the tunnel was asked for.
    EXPECT_EQ(tool.calls(Command::Mount).value(0),
              QStringLiteral("--no-color --reconnect mounter auto-mount --udid ") + testUDID);

    server.dropFirst(2);
    const LocationHelperStatus asked = controller->prepareForLocationSync(pyHelper(), {}, AdministratorPrompt::allowed);
    EXPECT_TRUE(asked.isAvailable()) << asked.installHint.toStdString();
    EXPECT_EQ(pkexec.recordedCalls().size(), 1);
}

// The disk image mounted over the direct connection is enough: no tunnel, no password.
TEST_F(PrivilegedPreparation, AnImageMountedOverTheDirectConnectionNeedsNoTunnel)
{
    tool.succeedFromTry(Command::DeviceInformation, 2);
    const LocationHelperStatus status =
        controller->prepareForLocationSync(pyHelper(), {}, AdministratorPrompt::allowed);
    EXPECT_TRUE(status.isAvailable()) << status.installHint.toStdString();
    EXPECT_EQ(status.helper->connectionMode, pyHelper().connectionMode);
    EXPECT_EQ(tool.count(Command::Mount), 1);
    EXPECT_TRUE(pkexec.recordedCalls().isEmpty());
}

// With no UDID there is nothing to open a tunnel for: no administrator prompt
// (it would come back every few seconds while the iPhone is unplugged).
TEST_F(PrivilegedPreparation, WithoutAnIdentifierNoAdministratorRightsAreAskedFor)
{
    const LocationHelper helper = pyHelper(LocationHelper::ConnectionMode::direct(), std::nullopt);
    const LocationHelperStatus status = controller->prepareForLocationSync(helper);
    EXPECT_EQ(status.message, QStringLiteral("iPhone isn’t connected."));
    EXPECT_THROW(controller->preparedRSDHelper(helper, {}), DeviceLocationError);
    EXPECT_THROW(controller->setLocationSync(point(1, 2), helper), DeviceLocationError);
    EXPECT_TRUE(pkexec.recordedCalls().isEmpty());
}
