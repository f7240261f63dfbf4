#include "DriveFixture.h"
#include "routedata/LocationValidationError.h"
#include "routedata/RouteSpeedCalculator.h"
#include "support/EquatorRoute.h"

#include <QDir>
#include <QThread>
#include <csignal>
#include <stop_token>

using namespace ostrevin;
using namespace ostrevin::test;
using Command = FakePyMobileDevice::Command;
using Behaviour = FakePyMobileDevice::Behaviour;

namespace {

struct Report {
    double fraction = 0;
    RoutePoint point;
};

/// Collects what playback reports on the test's (GUI) thread.
struct Reports {
    QObject context;
    QList<Report> progress;
    QList<LocationHelper> started;
    QThread* progressThread = nullptr;
    std::function<void()> onStarted;

    DeviceLocationController::PlaybackStarted startedCallback()
    {
        return [this](const LocationHelper& helper) {
            started.append(helper);
            if (onStarted)
                onStarted();
        };
    }
    DeviceLocationController::PlaybackProgress progressCallback()
    {
        return [this](double fraction, const RoutePoint& point) {
            progressThread = QThread::currentThread();
            progress.append({fraction, point});
        };
    }
};

class RoutePlayback : public DriveTest {
protected:
    QFuture<void> play(const QList<RoutePoint>& points, const LocationHelper& helper, Reports& reports,
                       std::stop_token stop = {})
    {
        return controller->playRoute(points, RouteSpeedProfile::normal, RouteTransportMode::walking, 50, helper,
                                     &reports.context, reports.startedCallback(), reports.progressCallback(), stop);
    }

    /// A walking route along the equator that takes about `seconds` to play.
    QList<RoutePoint> walkingRoute(double seconds) const
    {
        const double probeMeters = 100;
        const double probeSeconds = RouteSpeedCalculator::duration(
            equatorRoute({0, probeMeters}), RouteSpeedProfile::normal, RouteTransportMode::walking, 50);
        const double meters = probeMeters * seconds / probeSeconds;
        QList<RoutePoint> points = equatorRoute({0, meters / 2, meters});
        points[0].name = QStringLiteral("Start");
        points[2].name = QStringLiteral("End");
        return points;
    }

    QStringList trackFiles() const
    {
        return QDir(temporaryFolder()).entryList({QStringLiteral("tovrel-route-*")}, QDir::Files);
    }
};

} // namespace

TEST(InterpolatedPoint, WalksTheSegmentsAndCarriesTheGivenIdentifier)
{
    const QUuid id = QUuid::createUuid();
    QList<RoutePoint> route = equatorRoute({0, 0, 1000, 3000});
    route[3].name = QStringLiteral("Finish");
    struct Case {
        const char* name;
        QList<RoutePoint> points;
        double distance;
        QString expectedName;
        double expectedMetersEast;
    };
    const QList<Case> cases{
        {"no points", {}, 10, QStringLiteral("Route"), 0},
        {"one point", equatorRoute({250}), 10, QStringLiteral("P"), 250},
        {"before the start", route, -5, QStringLiteral("Route 3"), 0}, // the empty first segment is skipped
        {"inside the first real segment", route, 400, QStringLiteral("Route 3"), 400},
        {"on a segment's end", route, 1000, QStringLiteral("Route 3"), 1000},
        {"inside the next segment", route, 2000, QStringLiteral("Route 4"), 2000},
        {"beyond the end", route, 5000, QStringLiteral("Finish"), 3000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RoutePoint at = DeviceLocationController::interpolatedPoint(c.points, c.distance, id);
        EXPECT_EQ(at.id, id);
        EXPECT_EQ(at.name, c.expectedName);
        EXPECT_NEAR(at.longitude * equatorMetersPerDegree, c.expectedMetersEast, 0.01);
        EXPECT_DOUBLE_EQ(at.latitude, 0);
    }
    EXPECT_EQ(DeviceLocationController::interpolatedPoint(equatorRoute({0, 10}), 3, id).name,
              QStringLiteral("Route 2"));
}

TEST(InterpolatedPoint, CrossesThe180DegreeMeridianTheShortWay)
{
    QList<RoutePoint> route;
    RoutePoint west;
    west.longitude = 179.9;
    RoutePoint east;
    east.longitude = -179.9;
    route << west << east;
    const double length = RouteSpeedCalculator::segmentDistance(west, east);
    EXPECT_LT(length, 30'000); // about 22 km, not the way round the globe
    const RoutePoint quarter = DeviceLocationController::interpolatedPoint(route, length / 4, QUuid::createUuid());
    EXPECT_NEAR(quarter.longitude, 179.95, 1e-9);
    const RoutePoint threeQuarters =
        DeviceLocationController::interpolatedPoint(route, length * 3 / 4, QUuid::createUuid());
    EXPECT_NEAR(threeQuarters.longitude, -179.95, 1e-9);
}

TEST_F(RoutePlayback, AShortRouteEndsWithProgressOneAndHoldsTheLastPoint)
{
    const QList<RoutePoint> route = walkingRoute(2.5);
    Reports reports;
    const LocationHelper helper = pyHelper();
    QFuture<void> playing = play(route, helper, reports);
    ASSERT_TRUE(finishWithEvents(playing));
    EXPECT_NO_THROW(playing.waitForFinished());

    ASSERT_EQ(reports.started, QList<LocationHelper>{helper});
    ASSERT_GE(reports.progress.size(), 4);
    EXPECT_EQ(reports.progressThread, QThread::currentThread());
    EXPECT_EQ(reports.progress.first().fraction, 0);
    EXPECT_EQ(reports.progress.first().point, route.first());
    EXPECT_EQ(reports.progress.last().fraction, 1);
    EXPECT_EQ(reports.progress.last().point, route.last());
    // The moving point keeps one identifier and starts on the first segment.
    const QUuid moving = reports.progress.at(1).point.id;
    EXPECT_EQ(reports.progress.at(1).point.name, QStringLiteral("Route 2"));
    for (qsizetype i = 1; i + 1 < reports.progress.size(); ++i) {
        EXPECT_EQ(reports.progress.at(i).point.id, moving);
        EXPECT_GE(reports.progress.at(i).fraction, reports.progress.at(i - 1).fraction);
    }

    // The tool got the whole track; the file is gone, and a process holds the last point.
    EXPECT_TRUE(tool.playedTrack().contains("<trkpt"));
    EXPECT_EQ(tool.calls(Command::Play).value(0).left(68),
              QStringLiteral("--no-color developer dvt simulate-location play --udid %1 ").arg(testUDID).left(68));
    EXPECT_TRUE(trackFiles().isEmpty());
    EXPECT_EQ(controller->isPersistentLocationActive(helper), std::optional<bool>(true));
    EXPECT_TRUE(
        tool.calls(Command::Set)
            .value(0)
            .endsWith(
                QStringLiteral("-- 0.000000 %1").arg(HelperCommandLine::formatCoordinate(route.last().longitude))));
    EXPECT_TRUE(waitForProcessGone(pidOf(Command::Play), 100));
}

TEST_F(RoutePlayback, APlayProcessThatDiesEndsPlaybackAsALostConnectionAndRemovesTheTrack)
{
    Reports reports;
    QFuture<void> playing = play(walkingRoute(60), pyHelper(), reports);
    reports.onStarted = [this] {
        // Killed while the route has a minute to go.
        ::kill(static_cast<pid_t>(-pidOf(Command::Play)), SIGKILL);
    };
    const auto killedAround = std::chrono::steady_clock::now();
    ASSERT_TRUE(finishWithEvents(playing));
    EXPECT_LT(std::chrono::steady_clock::now() - killedAround, std::chrono::seconds(5));
    const auto error = failureOf<DeviceLocationError>([&] { playing.waitForFinished(); });
    EXPECT_EQ(error.kind(), DeviceLocationError::Case::simulationConnectionLost);
    EXPECT_EQ(reports.started.size(), 1);
    EXPECT_TRUE(trackFiles().isEmpty());
    EXPECT_EQ(tool.count(Command::Set), 0);
}

TEST_F(RoutePlayback, CancellingPlaybackStopsThePlayProcess)
{
    Reports reports;
    std::stop_source stop;
    QFuture<void> playing = play(walkingRoute(60), pyHelper(), reports, stop.get_token());
    while (reports.progress.size() < 2 && !playing.isFinished())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    stop.request_stop();
    ASSERT_TRUE(finishWithEvents(playing, 10000));
    EXPECT_THROW(playing.waitForFinished(), CancellationError);
    EXPECT_TRUE(waitForProcessGone(pidOf(Command::Play), 100));
    EXPECT_TRUE(trackFiles().isEmpty());
    EXPECT_EQ(controller->isPersistentLocationActive(pyHelper()), std::optional<bool>(false));
}

TEST_F(RoutePlayback, RoutesWithoutLengthReportTheStartAndSetNothing)
{
    struct Case {
        const char* name;
        QList<RoutePoint> points;
    };
    for (const Case& c :
         {Case{"one point", equatorRoute({10})}, Case{"two identical points", equatorRoute({10, 10})}}) {
        SCOPED_TRACE(c.name);
        Reports reports;
        QFuture<void> playing = play(c.points, pyHelper(), reports);
        ASSERT_TRUE(finishWithEvents(playing));
        EXPECT_NO_THROW(playing.waitForFinished());
        ASSERT_EQ(reports.progress.size(), 1);
        EXPECT_EQ(reports.progress.first().fraction, 0);
        EXPECT_EQ(reports.progress.first().point, c.points.first());
        EXPECT_TRUE(reports.started.isEmpty());
    }
    EXPECT_EQ(tool.count(Command::Set) + tool.count(Command::Play), 0);
    EXPECT_EQ(tool.count(Command::DeviceInformation), 2); // the readiness check still ran

    Reports none;
    QFuture<void> empty = play({}, pyHelper(), none);
    ASSERT_TRUE(finishWithEvents(empty));
    EXPECT_THROW(empty.waitForFinished(), LocationValidationError);
    EXPECT_TRUE(none.progress.isEmpty());
}

TEST_F(RoutePlayback, WithIDeviceSetLocationStartedComesAfterTheFirstSuccessfulSet)
{
    FakeIDeviceTools tools(dir.file(QStringLiteral("idevice")));
    const LocationHelper helper = iDeviceHelper(tools);

    Reports reports;
    qsizetype setsBeforeStarted = -1;
    reports.onStarted = [&] { setsBeforeStarted = tools.calls(QStringLiteral("idevicesetlocation")).size(); };
    const QList<RoutePoint> route = walkingRoute(1.5);
    QFuture<void> playing = play(route, helper, reports);
    ASSERT_TRUE(finishWithEvents(playing));
    EXPECT_NO_THROW(playing.waitForFinished());
    EXPECT_EQ(setsBeforeStarted, 1);
    EXPECT_EQ(reports.started.size(), 1);
    EXPECT_EQ(reports.progress.last().fraction, 1);
    const QStringList sets = tools.calls(QStringLiteral("idevicesetlocation"));
    EXPECT_GE(sets.size(), 2);
    EXPECT_EQ(sets.last(), QStringLiteral("-u 00008030-AAAA -- 0.000000 %1")
                               .arg(HelperCommandLine::formatCoordinate(route.last().longitude)));

    // A failing set ends playback with its error before anything was reported as started.
    tools.setSetLocationFails(true);
    Reports failing;
    QFuture<void> failed = play(route, helper, failing);
    ASSERT_TRUE(finishWithEvents(failed));
    EXPECT_THROW(failed.waitForFinished(), DeviceLocationError);
    EXPECT_TRUE(failing.started.isEmpty());
}

// Playback answers only for its own process: a point set meanwhile ends the
// playback (as an interruption) but is not stopped by it.
TEST_F(RoutePlayback, SettingAPointWhileARoutePlaysEndsThePlaybackAndItsTrack)
{
    const LocationHelper helper = pyHelper();
    Reports reports;
    std::stop_source stop;
    QFuture<void> playing = play(walkingRoute(60), helper, reports, stop.get_token());
    while (reports.started.isEmpty() && !playing.isFinished())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_EQ(trackFiles().size(), 1);
    const qint64 player = pidOf(Command::Play);

    EXPECT_EQ(controller->setLocationSync(point(5, 6), helper), QStringLiteral("Simulated location is set."));
    EXPECT_TRUE(waitForProcessGone(player, 100));
    EXPECT_TRUE(trackFiles().isEmpty());
    // The playback notices that its process is gone, and leaves the new one alone.
    ASSERT_TRUE(finishWithEvents(playing, 10000));
    const auto error = failureOf<DeviceLocationError>([&] { playing.waitForFinished(); });
    EXPECT_EQ(error.kind(), DeviceLocationError::Case::simulationConnectionLost);
    EXPECT_TRUE(isProcessAlive(pidOf(Command::Set)));
    EXPECT_EQ(controller->setLocationSync(point(5, 6), helper), QStringLiteral("This location is already set."));
}
