#include "DriveFixture.h"
#include "support/EquatorRoute.h"
#include "support/Eventually.h"
#include "support/FakeTool.h"

#include <chrono>

using namespace ostrevin;
using namespace ostrevin::test;
using namespace std::chrono_literals;

namespace {

class ControllerQuit : public DriveTest {
protected:
    /// Destroys the controller; the seconds it took.
    double destroyController()
    {
        const auto start = std::chrono::steady_clock::now();
        controller.reset();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
};

} // namespace

// Quit destroys the controller: whatever runs must stop at once, not run to its
// own time-out (15 s a tool in a detection) or wait for a GUI thread that is busy
// quitting.
TEST_F(ControllerQuit, DestroyingTheControllerStopsWorkThatHasNoStopOfItsOwn)
{
    FakeTool which(dir.path(), QStringLiteral("which"));
    which.writesPidFile().sleeps(60).write();
    makeController([&](DeviceLocationController::Configuration& configuration) {
        configuration.helperSearch.toolFolders = {};
        configuration.helperSearch.iDeviceToolFolders = {};
        configuration.helperSearch.homeDirectory = dir.file(QStringLiteral("home"));
        configuration.helperSearch.runtimeFolder = QString();
        configuration.helperSearch.whichPath = which.path();
        configuration.helperSearch.envPath = which.path();
        configuration.helperSearch.xcrunPath = dir.file(QStringLiteral("absent-xcrun"));
    });
    const QFuture<LocationHelperStatus> detection = controller->detectHelper();
    ASSERT_TRUE(eventually([&] { return which.recordedPid().has_value(); }));

    EXPECT_LT(destroyController(), 5.0);
    EXPECT_TRUE(detection.isFinished());
    EXPECT_TRUE(eventually([&] { return liveProcessesInGroup(*which.recordedPid()).isEmpty(); }));
}

TEST_F(ControllerQuit, DestroyingTheControllerStopsAPlaybackWaitingForTheGuiThread)
{
    // The test's thread plays the GUI thread and never takes the progress report.
    QObject context;
    const QFuture<void> playback = controller->playRoute(
        equatorRoute({0, 500, 1000}), RouteSpeedProfile::normal, RouteTransportMode::walking, 50, pyHelper(), &context,
        [](const LocationHelper&) {}, [](double, const RoutePoint&) {});
    ASSERT_TRUE(eventually([&] { return tool.count(FakePyMobileDevice::Command::DeviceInformation) > 0; }));

    EXPECT_LT(destroyController(), 5.0);
    EXPECT_TRUE(playback.isFinished());
    EXPECT_EQ(tool.count(FakePyMobileDevice::Command::Play), 0);
}
