// Route playback on the iPhone: a timed GPX track played by one held
// pymobiledevice3 process, or one point per period with idevicesetlocation.
// Both follow the same speed model, so the reported progress matches the track.

#include "devicebridge/DeviceLocationController.h"
#include "devicebridge/DeviceLocationError.h"
#include "devicebridge/GuiThreadCall.h"
#include "platform/AtomicFile.h"
#include "process/CancellationError.h"
#include "process/StopAwareSleep.h"
#include "routedata/GPXGenerator.h"
#include "routedata/Geodesy.h"
#include "routedata/LocationValidationError.h"
#include "routedata/RouteSpeedCalculator.h"

#include <QFile>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <chrono>

namespace ostrevin {

namespace {

using Clock = std::chrono::steady_clock;

constexpr double readinessCheckTimeout = 8.0;
constexpr double trackUpdateInterval = 0.5;

double secondsSince(Clock::time_point start)
{
    return std::max(0.0, std::chrono::duration<double>(Clock::now() - start).count());
}

double routeLength(const QList<RoutePoint>& points)
{
    double length = 0;
    for (qsizetype i = 1; i < points.size(); ++i)
        length += RouteSpeedCalculator::segmentDistance(points[i - 1], points[i]);
    return length;
}

/// Hands a report to the GUI thread and waits until it was taken; a stop request
/// (or a GUI object that went away) ends the playback as cancelled.
void report(QObject* context, std::function<void()> call, std::stop_token stopToken)
{
    if (!callOnThreadOf(context, std::move(call), stopToken))
        throw CancellationError();
}

} // namespace

RoutePoint DeviceLocationController::interpolatedPoint(const QList<RoutePoint>& points, double traveledDistance,
                                                       const QUuid& id)
{
    RoutePoint result;
    result.id = id;
    if (points.isEmpty()) {
        //: Name of the moving point of a played route.
        result.name = tr("Route");
        return result;
    }
    if (points.size() > 1) {
        double remaining = std::max(traveledDistance, 0.0);
        for (qsizetype k = 1; k < points.size(); ++k) {
            const double length = RouteSpeedCalculator::segmentDistance(points[k - 1], points[k]);
            if (length <= 0)
                continue;
            if (remaining <= length) {
                const double fraction = std::clamp(remaining / length, 0.0, 1.0);
                // The same interpolation as the playback track's, across the 180°
                // meridian the short way.
                const Geodesy::Coordinate at =
                    Geodesy::interpolate({points[k - 1].latitude, points[k - 1].longitude},
                                         {points[k].latitude, points[k].longitude}, fraction);
                //: Name of the moving point of a played route. %1 is the number of the next route point.
                result.name = tr("Route %1").arg(k + 1);
                result.latitude = at.latitude;
                result.longitude = at.longitude;
                return result;
            }
            remaining -= length;
        }
    }
    const RoutePoint& last = points.last();
    result.name = last.name;
    result.latitude = last.latitude;
    result.longitude = last.longitude;
    return result;
}

QFuture<void> DeviceLocationController::playRoute(const QList<RoutePoint>& points, RouteSpeedProfile speedProfile,
                                                  RouteTransportMode transportMode, double fallbackSpeedKmh,
                                                  const LocationHelper& helper, QObject* callbackContext,
                                                  PlaybackStarted started, PlaybackProgress progress,
                                                  std::stop_token stopToken)
{
    return onWorkers(stopToken,
                     [=, this, started = std::move(started), progress = std::move(progress)](std::stop_token token) {
                         playRouteSync(points, speedProfile, transportMode, fallbackSpeedKmh, helper, callbackContext,
                                       started, progress, token);
                     });
}

void DeviceLocationController::playRouteSync(const QList<RoutePoint>& points, RouteSpeedProfile speedProfile,
                                             RouteTransportMode transportMode, double fallbackSpeedKmh,
                                             const LocationHelper& helper, QObject* callbackContext,
                                             const PlaybackStarted& started, const PlaybackProgress& progress,
                                             std::stop_token stopToken)
{
    if (points.isEmpty())
        throw LocationValidationError(LocationValidationError::Kind::noPoints);
    if (stopToken.stop_requested())
        throw CancellationError();

    LocationHelper helperInUse = helper;
    const bool needsReadiness = helper.kind == LocationHelper::Kind::pyMobileDevice &&
                                helper.connectionMode.kind() != LocationHelper::ConnectionMode::Case::rsd;
    if (needsReadiness) {
        std::optional<LocationHelper> ready;
        try {
            ready = readyStatus(helper, readinessCheckTimeout, stopToken).helper;
        } catch (...) {
            // A prepared helper is tried instead; only its failure ends playback.
        }
        helperInUse = ready ? *ready : preparedRSDHelper(helper, stopToken);
    }

    // Said before the play is launched: an unplug reported after this one is the
    // play's, one during the readiness look is not.
    const RoutePoint first = points.first();
    report(
        callbackContext, [progress, first] { progress(0.0, first); }, stopToken);

    const double duration = RouteSpeedCalculator::duration(points, speedProfile, transportMode, fallbackSpeedKmh);
    if (points.size() == 1 || routeLength(points) <= 0 || duration <= 0)
        return;

    if (helperInUse.kind == LocationHelper::Kind::pyMobileDevice)
        playWithPyMobileDevice(points, speedProfile, transportMode, fallbackSpeedKmh, helperInUse, callbackContext,
                               started, progress, stopToken);
    else
        playWithIDeviceSetLocation(points, speedProfile, transportMode, fallbackSpeedKmh, helperInUse, callbackContext,
                                   started, progress, stopToken);
}

QString DeviceLocationController::writeTemporaryGPX(const QString& contents) const
{
    const PrivateTempFolder folder(m_configuration.temporaryFolder);
    if (const std::optional<QString> problem = folder.prepare())
        throw DeviceLocationError::commandFailed(QStringLiteral("tovrel-route.gpx"), *problem);
    const QString path = folder.path() + QStringLiteral("/tovrel-route-") +
                         QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + QStringLiteral(".gpx");
    if (const std::optional<QString> reason = AtomicFile::write(path, contents.toUtf8()))
        throw DeviceLocationError::commandFailed(QStringLiteral("tovrel-route.gpx"), *reason);
    return path;
}

void DeviceLocationController::playWithPyMobileDevice(const QList<RoutePoint>& points, RouteSpeedProfile speedProfile,
                                                      RouteTransportMode transportMode, double fallbackSpeedKmh,
                                                      const LocationHelper& helper, QObject* callbackContext,
                                                      const PlaybackStarted& started, const PlaybackProgress& progress,
                                                      std::stop_token stopToken)
{
    const QString track = GPXGenerator::generatePlayback(points, speedProfile, transportMode, fallbackSpeedKmh,
                                                         QStringLiteral("Ostrevin Live Route"), trackUpdateInterval);
    const QString gpxPath = writeTemporaryGPX(track);

    // From here on every way out but the normal end leaves nothing playing and
    // no track behind.
    // The held process this playback answers for: the play process, then the
    // one that holds the last point. Another start (a point set meanwhile)
    // replaces it; that process is not this playback's to watch or to stop.
    std::shared_ptr<ChildProcess> ours;
    const auto currentHeldProcess = [this] {
        std::lock_guard guard(m_processLock);
        return m_locationProcess;
    };
    try {
        runPersistentRoutePlaybackCommand(gpxPath, helper, stopToken);
        ours = currentHeldProcess();
        report(
            callbackContext, [started, helper] { started(helper); }, stopToken);

        const double duration = RouteSpeedCalculator::duration(points, speedProfile, transportMode, fallbackSpeedKmh);
        const double length = routeLength(points);
        const Clock::time_point start = Clock::now();
        const QUuid pointID = QUuid::createUuid();
        for (;;) {
            if (stopToken.stop_requested())
                throw CancellationError();
            {
                std::lock_guard guard(m_processLock);
                if (!ours || m_locationProcess != ours || !ours->isRunning())
                    throw DeviceLocationError::simulationConnectionLost();
            }
            const double elapsed = secondsSince(start);
            const double traveled =
                RouteSpeedCalculator::traveledDistance(points, elapsed, speedProfile, transportMode, fallbackSpeedKmh);
            const RoutePoint current = interpolatedPoint(points, std::min(length, traveled), pointID);
            const double fraction = std::min(elapsed / duration, 1.0);
            report(
                callbackContext, [progress, fraction, current] { progress(fraction, current); }, stopToken);

            if (elapsed >= duration) {
                // Replaces the play process by one that holds the last point.
                const RoutePoint last = points.last();
                setLocationSync(last, helper, stopToken);
                ours = currentHeldProcess();
                report(
                    callbackContext, [progress, last] { progress(1.0, last); }, stopToken);
                return;
            }
            if (!sleepUnlessStopped(m_configuration.timing.playbackPeriod, stopToken))
                throw CancellationError();
        }
    } catch (...) {
        if (ours)
            stopPersistentLocationProcessIfCurrent(ours.get());
        QFile::remove(gpxPath);
        throw;
    }
}

void DeviceLocationController::playWithIDeviceSetLocation(const QList<RoutePoint>& points,
                                                          RouteSpeedProfile speedProfile,
                                                          RouteTransportMode transportMode, double fallbackSpeedKmh,
                                                          const LocationHelper& helper, QObject* callbackContext,
                                                          const PlaybackStarted& started,
                                                          const PlaybackProgress& progress, std::stop_token stopToken)
{
    const double duration = RouteSpeedCalculator::duration(points, speedProfile, transportMode, fallbackSpeedKmh);
    const double length = routeLength(points);
    const Clock::time_point start = Clock::now();
    const QUuid pointID = QUuid::createUuid();
    bool reportedStart = false;
    for (;;) {
        if (stopToken.stop_requested())
            throw CancellationError();
        const double elapsed = secondsSince(start);
        const double traveled =
            RouteSpeedCalculator::traveledDistance(points, elapsed, speedProfile, transportMode, fallbackSpeedKmh);
        const RoutePoint current = interpolatedPoint(points, std::min(length, traveled), pointID);
        setLocationSync(current, helper, stopToken);
        if (!reportedStart) {
            report(
                callbackContext, [started, helper] { started(helper); }, stopToken);
            reportedStart = true;
        }
        const double fraction = std::min(elapsed / duration, 1.0);
        report(
            callbackContext, [progress, fraction, current] { progress(fraction, current); }, stopToken);
        if (fraction >= 1)
            return;
        if (!sleepUnlessStopped(m_configuration.timing.playbackPeriod, stopToken))
            throw CancellationError();
    }
}

} // namespace ostrevin
