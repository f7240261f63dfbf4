#pragma once

#include "devicebridge/AdministratorPrompt.h"
#include "devicebridge/LocationHelper.h"
#include "devicebridge/LocationHelperStatus.h"
#include "routedata/RoutePoint.h"
#include "routedata/RouteSpeedProfile.h"
#include "routedata/RouteTransportMode.h"

#include <QFuture>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <stop_token>

namespace ostrevin {

/// What the planner asks of the iPhone. The operations that talk to the device
/// return QFutures that the GUI thread co_awaits; their blocking work runs on the
/// bridge's own workers. A stop request on the token ends only that operation.
/// Failures arrive as typed errors (DeviceLocationError, ProcessLaunchError,
/// CancellationError) through the future, except where a status is returned.
class DeviceLocationService {
public:
    /// Called on the thread of the callback context; the playing worker waits for each.
    using PlaybackStarted = std::function<void(const LocationHelper& helperInUse)>;
    /// The first report (the first point, before PlaybackStarted) comes once the iPhone
    /// was found ready, right before the tool that plays is launched.
    using PlaybackProgress = std::function<void(double fraction, const RoutePoint& current)>;

    DeviceLocationService() = default;
    DeviceLocationService(const DeviceLocationService&) = delete;
    DeviceLocationService& operator=(const DeviceLocationService&) = delete;
    virtual ~DeviceLocationService() = default;

    /// Finds the helper and the iPhone it reaches; never fails.
    virtual QFuture<LocationHelperStatus> detectHelper() = 0;
    /// Whether the helper's iPhone still answers; every failure is false, except that
    /// a look whose tool could not be started fails with ProcessLaunchError: that
    /// says nothing of the iPhone.
    virtual QFuture<bool> isDeviceReachable(const LocationHelper& helper) = 0;
    /// Whether the helper's iPhone is ready for a location; never fails and never
    /// asks for administrator rights.
    virtual QFuture<LocationHelperStatus> checkDeviceConnection(const LocationHelper& helper,
                                                                std::stop_token stopToken = {}) = 0;
    /// Prepares the iPhone for a location; every failure becomes the status. Asks
    /// for the administrator password only when prompt allows it (a user's action).
    virtual QFuture<LocationHelperStatus>
    prepareForLocation(const LocationHelper& helper, std::stop_token stopToken = {},
                       AdministratorPrompt prompt = AdministratorPrompt::never) = 0;
    /// Sets (and, for a held process, keeps) the point; the text for the status line.
    virtual QFuture<QString> setLocation(const RoutePoint& point, const LocationHelper& helper,
                                         std::stop_token stopToken = {},
                                         AdministratorPrompt prompt = AdministratorPrompt::never) = 0;
    /// Ends the held location process (its whole group) and sets the point anew.
    /// A held process proves nothing about the iPhone once it was unreachable, and
    /// the user's own set always reaches it: both go through here.
    virtual QFuture<QString> resendLocation(const RoutePoint& point, const LocationHelper& helper,
                                            std::stop_token stopToken = {},
                                            AdministratorPrompt prompt = AdministratorPrompt::never) = 0;
    /// Ends the simulation on the iPhone; the tool's text.
    virtual QFuture<QString> clearLocation(const LocationHelper& helper, std::stop_token stopToken = {}) = 0;
    /// Plays the route; ends at its last point, or with CancellationError on a stop request.
    virtual QFuture<void> playRoute(const QList<RoutePoint>& points, RouteSpeedProfile speedProfile,
                                    RouteTransportMode transportMode, double fallbackSpeedKmh,
                                    const LocationHelper& helper, QObject* callbackContext, PlaybackStarted started,
                                    PlaybackProgress progress, std::stop_token stopToken = {}) = 0;

    /// None without a helper or for a helper that holds nothing; otherwise whether
    /// the held process runs. Cheap; any thread.
    virtual std::optional<bool> isPersistentLocationActive(const std::optional<LocationHelper>& helper) const = 0;
    /// Stops whatever device command is running. Blocks: call it on a worker.
    virtual void stopActiveProcess() = 0;
    /// Ends the held location or playback process, if any. Blocks: call it on a worker.
    virtual void stopPersistentLocationProcess() = 0;
};

} // namespace ostrevin
