#pragma once

#include "async/ReadyFuture.h"
#include "devicebridge/DeviceLocationService.h"

#include <QPromise>
#include <QStringList>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>

namespace ostrevin::test {

/// A device bridge whose answers the test scripts. Each call is recorded by name
/// ("detectHelper", "resendLocation", ...). By default every answer is ready at once;
/// holdAnswers(true) keeps the next calls pending until release(), so a test can
/// act while an operation runs. A stop request on a pending call answers it with
/// the scripted error (or the default value) at once.
class ScriptedDeviceLocationService final : public DeviceLocationService {
public:
    LocationHelperStatus detectedStatus = LocationHelperStatus::missing();
    LocationHelperStatus connectionStatus = LocationHelperStatus::missing();
    LocationHelperStatus preparedStatus = LocationHelperStatus::missing();
    bool reachable = true;
    QString setLocationReply = QStringLiteral("Location set.");
    QString clearLocationReply;
    /// Thrown by setLocation / clearLocation / playRoute when set.
    std::exception_ptr setLocationError;
    std::exception_ptr clearLocationError;
    std::exception_ptr playRouteError;
    std::optional<bool> persistentLocationActive;
    /// A successful resendLocation leaves a held process running, as the real tool's set does.
    bool setStartsHeldProcess = false;

    QFuture<LocationHelperStatus> detectHelper() override
    {
        record(QStringLiteral("detectHelper"));
        return answer(detectedStatus, nullptr, {});
    }
    QFuture<bool> isDeviceReachable(const LocationHelper&) override
    {
        record(QStringLiteral("isDeviceReachable"));
        return answer(reachable, nullptr, {});
    }
    QFuture<LocationHelperStatus> checkDeviceConnection(const LocationHelper&, std::stop_token stopToken) override
    {
        record(QStringLiteral("checkDeviceConnection"));
        return answer(connectionStatus, nullptr, stopToken);
    }
    QFuture<LocationHelperStatus> prepareForLocation(const LocationHelper&, std::stop_token stopToken,
                                                     AdministratorPrompt) override
    {
        record(QStringLiteral("prepareForLocation"));
        return answer(preparedStatus, nullptr, stopToken);
    }
    QFuture<QString> setLocation(const RoutePoint& point, const LocationHelper&, std::stop_token stopToken,
                                 AdministratorPrompt) override
    {
        record(QStringLiteral("setLocation"));
        {
            std::lock_guard lock(m_mutex);
            m_setPoints.append(point);
        }
        return answer(setLocationReply, setLocationError, stopToken);
    }
    QFuture<QString> resendLocation(const RoutePoint& point, const LocationHelper&, std::stop_token stopToken,
                                    AdministratorPrompt) override
    {
        record(QStringLiteral("resendLocation"));
        {
            std::lock_guard lock(m_mutex);
            m_setPoints.append(point);
        }
        if (!setLocationError && setStartsHeldProcess)
            persistentLocationActive = true;
        return answer(setLocationReply, setLocationError, stopToken);
    }
    QFuture<QString> clearLocation(const LocationHelper&, std::stop_token stopToken) override
    {
        record(QStringLiteral("clearLocation"));
        return answer(clearLocationReply, clearLocationError, stopToken);
    }
    /// One playRoute call: the test plays the device's part through its two reports.
    struct Playback {
        QList<RoutePoint> points;
        LocationHelper helper;
        PlaybackStarted started;
        PlaybackProgress progress;
    };

    QFuture<void> playRoute(const QList<RoutePoint>& points, RouteSpeedProfile, RouteTransportMode, double,
                            const LocationHelper& helper, QObject*, PlaybackStarted started, PlaybackProgress progress,
                            std::stop_token stopToken) override
    {
        record(QStringLiteral("playRoute"));
        {
            std::lock_guard lock(m_mutex);
            m_playbacks.append({points, helper, std::move(started), std::move(progress)});
        }
        QFuture<int> done = answer(0, playRouteError, stopToken);
        return QFuture<void>(done);
    }
    std::optional<bool> isPersistentLocationActive(const std::optional<LocationHelper>& helper) const override
    {
        return helper ? persistentLocationActive : std::nullopt;
    }
    void stopActiveProcess() override { record(QStringLiteral("stopActiveProcess")); }
    void stopPersistentLocationProcess() override { record(QStringLiteral("stopPersistentLocationProcess")); }

    /// While true, new calls stay pending until release() or a stop request.
    void holdAnswers(bool hold) { m_holding = hold; }
    /// Answers every pending call as scripted now.
    void release()
    {
        decltype(m_pending) pending;
        {
            std::lock_guard lock(m_mutex);
            pending.swap(m_pending);
        }
        for (auto& finish : pending)
            finish->run();
    }
    int pendingCount() const
    {
        std::lock_guard lock(m_mutex);
        return static_cast<int>(m_pending.size());
    }

    QStringList calls() const
    {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }
    QList<RoutePoint> setPoints() const
    {
        std::lock_guard lock(m_mutex);
        return m_setPoints;
    }
    QList<Playback> playbacks() const
    {
        std::lock_guard lock(m_mutex);
        return m_playbacks;
    }

    ~ScriptedDeviceLocationService() override { release(); }

private:
    // Finishes one promise once, from release() or a stop request, whichever comes first.
    struct Pending {
        std::function<void()> finish;
        std::once_flag once;
        std::unique_ptr<std::stop_callback<std::function<void()>>> onStop;
        void run()
        {
            std::call_once(once, [this] { finish(); });
        }
    };

    void record(const QString& name)
    {
        std::lock_guard lock(m_mutex);
        m_calls.append(name);
    }

    template <typename T> QFuture<T> answer(T value, std::exception_ptr error, std::stop_token stopToken)
    {
        auto promise = std::make_shared<QPromise<T>>();
        promise->start();
        QFuture<T> future = promise->future();
        auto finish = [promise, value, error] {
            if (error)
                promise->setException(error);
            else
                promise->addResult(value);
            promise->finish();
        };
        if (!m_holding) {
            finish();
            return future;
        }
        auto pending = std::make_shared<Pending>();
        pending->finish = finish;
        {
            std::lock_guard lock(m_mutex);
            m_pending.push_back(pending);
        }
        pending->onStop = std::make_unique<std::stop_callback<std::function<void()>>>(
            stopToken, std::function<void()>([weak = std::weak_ptr<Pending>(pending)] {
                if (auto p = weak.lock())
                    p->run();
            }));
        return future;
    }

    mutable std::mutex m_mutex;
    std::atomic<bool> m_holding = false;
    QStringList m_calls;
    QList<RoutePoint> m_setPoints;
    QList<Playback> m_playbacks;
    std::vector<std::shared_ptr<Pending>> m_pending;
};

} // namespace ostrevin::test
