#pragma once

// An iPhone whose answers a scenario scripts, so that the view model reaches a
// state (held, playing, failing) through its own operations.

#include "async/ReadyFuture.h"
#include "devicebridge/DeviceLocationController.h"
#include "devicebridge/DeviceLocationError.h"
#include "devicebridge/DeviceLocationService.h"

#include <QFuture>
#include <QPromise>

namespace ostrevin::snapshots {

/// What a check finds: the helper tool (with a named iPhone), a connection, readiness.
inline LocationHelperStatus phoneStatus(bool helper, bool connected, bool ready)
{
    using namespace Qt::StringLiterals;
    LocationHelperStatus result = LocationHelperStatus::missing();
    if (helper) {
        // Filled in place: a copy of a local one draws a false "maybe uninitialized"
        // from GCC's optimiser.
        result.helper.emplace();
        result.helper->deviceName = u"Jana’s iPhone 15 Pro"_s;
        result.helper->deviceIdentifier = u"00008130-001A2C3E0E68001C"_s;
    }
    result.isDeviceConnected = connected;
    result.isLocationReady = ready;
    result.installHint = u"pymobiledevice3 was not found in the add-on runtime."_s;
    return result;
}

/// A route it plays never ends; it reports itself 42 % of the way along.
class ScriptedPhone final : public DeviceLocationService {
public:
    LocationHelperStatus answer = phoneStatus(true, true, true);
    bool failSet = false;
    bool failClear = false;
    bool failPrepare = false;
    /// Prepare iPhone fails as a dismissed password dialog makes it fail.
    bool dismissPrompt = false;

    QFuture<LocationHelperStatus> detectHelper() override { return readyFuture(answer); }
    QFuture<bool> isDeviceReachable(const LocationHelper&) override { return readyFuture(true); }
    QFuture<LocationHelperStatus> checkDeviceConnection(const LocationHelper&, std::stop_token) override
    {
        return readyFuture(answer);
    }
    QFuture<LocationHelperStatus> prepareForLocation(const LocationHelper&, std::stop_token,
                                                     AdministratorPrompt) override
    {
        using namespace Qt::StringLiterals;
        if (dismissPrompt) {
            LocationHelperStatus failed = answer;
            const DeviceLocationError error = DeviceLocationError::privilegedStartFailed(
                u"Start the iPhone tunnel service with administrator rights"_s,
                u"Error executing command as another user: Request dismissed\n\nCommand line: pkexec /bin/sh -c "
                "'\"/home/jana/.local/share/Ostrevin/Runtime/bin/pymobiledevice3\" remote tunneld -d --host "
                "127.0.0.1 --port 49151 --protocol tcp >/dev/null 2>&1 & sleep 1; if /usr/bin/lsof -nP "
                "-iTCP:49151 -sTCP:LISTEN >/dev/null 2>&1; then exit 0; fi; exit 1'"_s,
                u"The administrator password wasn’t entered."_s);
            failed.message = u"Couldn’t prepare iPhone."_s;
            failed.failureReason = error.reason();
            failed.installHint = DeviceLocationController::setupHint(error.description());
            return readyFuture(failed);
        }
        if (failPrepare) {
            // Failures come back as the status, its hint holding the tool's words.
            LocationHelperStatus failed = answer;
            failed.installHint = u"pymobiledevice3 mounter auto-mount\nERROR: Developer Mode is disabled on the "
                                 "device.\nTurn it on in Settings › Privacy & Security › Developer Mode, restart "
                                 "iPhone and unlock it."_s;
            return readyFuture(failed);
        }
        return readyFuture(answer);
    }
    QFuture<QString> setLocation(const RoutePoint&, const LocationHelper&, std::stop_token,
                                 AdministratorPrompt) override
    {
        using namespace Qt::StringLiterals;
        if (failSet)
            return QtFuture::makeExceptionalFuture<QString>(
                DeviceLocationError::commandFailed(u"simulate-location set"_s, u"Device is not connected"_s));
        return readyFuture(u"Location set."_s);
    }
    QFuture<QString> resendLocation(const RoutePoint& point, const LocationHelper& helper, std::stop_token stopToken,
                                    AdministratorPrompt prompt) override
    {
        return setLocation(point, helper, stopToken, prompt);
    }
    QFuture<QString> clearLocation(const LocationHelper&, std::stop_token) override
    {
        using namespace Qt::StringLiterals;
        if (failClear)
            return QtFuture::makeExceptionalFuture<QString>(
                DeviceLocationError::commandFailed(u"simulate-location clear"_s, u"Device is not connected"_s));
        return readyFuture(QString());
    }
    QFuture<void> playRoute(const QList<RoutePoint>& points, RouteSpeedProfile, RouteTransportMode, double,
                            const LocationHelper& helper, QObject* context, PlaybackStarted started,
                            PlaybackProgress progress, std::stop_token) override
    {
        constexpr double along = 0.42;
        const RoutePoint current = points.value(static_cast<qsizetype>(along * (points.size() - 1)));
        QMetaObject::invokeMethod(
            context,
            [started, progress, helper, current] {
                started(helper);
                progress(along, current);
            },
            Qt::QueuedConnection);
        m_playing.start();
        return m_playing.future();
    }
    std::optional<bool> isPersistentLocationActive(const std::optional<LocationHelper>&) const override { return true; }
    void stopActiveProcess() override {}
    void stopPersistentLocationProcess() override {}

private:
    QPromise<void> m_playing;
};

} // namespace ostrevin::snapshots
