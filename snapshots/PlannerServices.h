#pragma once

// A view model for pictures: a private data folder and quiet stand-ins for every
// system service (no iPhone, no network, no dialogs), so a scenario can build
// its state through the view model's own operations.

#include "SnapshotScenario.h"
#include "alerts/AlarmPresenter.h"
#include "async/SystemClock.h"
#include "async/TimerScheduler.h"
#include "async/WorkerPool.h"
#include "devicebridge/DeviceLocationService.h"
#include "planner/LocationPlannerViewModel.h"
#include "platform/FileDialogs.h"
#include "platform/NetworkMonitor.h"
#include "platform/NullKeepAwake.h"
#include "platform/NullSystemLog.h"
#include "platform/ReverseGeocoder.h"
#include "platform/SettingsStore.h"
#include "routedata/RouteStore.h"

#include <QFuture>
#include <QTemporaryDir>
#include <memory>

namespace ostrevin::snapshots {

/// No iPhone and no helper tool: every check finds nothing.
class AbsentDevice final : public DeviceLocationService {
public:
    QFuture<LocationHelperStatus> detectHelper() override { return ready(LocationHelperStatus::missing()); }
    QFuture<bool> isDeviceReachable(const LocationHelper&) override { return ready(false); }
    QFuture<LocationHelperStatus> checkDeviceConnection(const LocationHelper&, std::stop_token) override
    {
        return ready(LocationHelperStatus::missing());
    }
    QFuture<LocationHelperStatus> prepareForLocation(const LocationHelper&, std::stop_token,
                                                     AdministratorPrompt) override
    {
        return ready(LocationHelperStatus::missing());
    }
    QFuture<QString> setLocation(const RoutePoint&, const LocationHelper&, std::stop_token,
                                 AdministratorPrompt) override
    {
        return ready(QString());
    }
    QFuture<QString> resendLocation(const RoutePoint&, const LocationHelper&, std::stop_token,
                                    AdministratorPrompt) override
    {
        return ready(QString());
    }
    QFuture<QString> clearLocation(const LocationHelper&, std::stop_token) override { return ready(QString()); }
    QFuture<void> playRoute(const QList<RoutePoint>&, RouteSpeedProfile, RouteTransportMode, double,
                            const LocationHelper&, QObject*, PlaybackStarted, PlaybackProgress,
                            std::stop_token) override
    {
        return QtFuture::makeReadyFuture();
    }
    std::optional<bool> isPersistentLocationActive(const std::optional<LocationHelper>&) const override
    {
        return std::nullopt;
    }
    void stopActiveProcess() override {}
    void stopPersistentLocationProcess() override {}

private:
    template <typename T> static QFuture<T> ready(T value) { return QtFuture::makeReadyFuture(std::move(value)); }
};

class NoAlarm final : public AlarmPresenter {
public:
    void present(const LocationSafetyAlarmEvent&, std::function<void()>) override {}
    void dismiss() override {}
};

class AlwaysOnline final : public NetworkMonitor {
public:
    void start() override {}
    void stop() override {}
};

class NoDialogs final : public FileDialogs {
public:
    QFuture<std::optional<QString>> chooseSaveLocation(const SaveRequest&) override
    {
        return QtFuture::makeReadyFuture(std::optional<QString>());
    }
};

class NoPlaceNames final : public ReverseGeocoder {
public:
    QFuture<std::optional<Placemark>> reverseGeocode(double, double) override
    {
        return QtFuture::makeReadyFuture(std::optional<Placemark>());
    }
};

/// Owns the view model and everything it runs on; the data folder goes with it.
/// Without a clock it runs on the system's; without a device it finds no iPhone.
/// A clock or device given must outlive it.
class PlannerServices {
public:
    explicit PlannerServices(const Clock* clock = nullptr, DeviceLocationService* device = nullptr)
        : m_settings(m_dir.filePath(QStringLiteral("settings.conf"))), m_store(m_dir.filePath(QStringLiteral("data"))),
          m_clock(clock ? *clock : m_systemClock), m_device(device ? device : &m_absent)
    {
    }
    PlannerServices(const PlannerServices&) = delete;
    PlannerServices& operator=(const PlannerServices&) = delete;

    RouteStore& store() { return m_store; }
    SettingsStore& settings() { return m_settings; }

    /// Builds the view model once; data files written before this call are loaded.
    LocationPlannerViewModel& viewModel(DirectionsService* directions = nullptr)
    {
        if (!m_viewModel) {
            LocationPlannerViewModel::Dependencies deps;
            deps.store = &m_store;
            deps.settings = &m_settings;
            deps.clock = &m_clock;
            deps.scheduler = &m_scheduler;
            deps.workerPool = &m_pool;
            deps.keepAwake = &m_keepAwake;
            deps.networkMonitor = &m_network;
            deps.systemLog = &m_log;
            deps.reverseGeocoder = &m_names;
            deps.fileDialogs = &m_dialogs;
            deps.alarmPresenter = &m_alarm;
            deps.device = m_device;
            deps.directions = directions;
            m_viewModel =
                std::make_unique<LocationPlannerViewModel>(deps, LocationPlannerViewModel::Services::leaveStopped);
        }
        return *m_viewModel;
    }

private:
    QTemporaryDir m_dir;
    SettingsStore m_settings;
    RouteStore m_store;
    SystemClock m_systemClock;
    ForwardingClock m_clock;
    TimerScheduler m_scheduler;
    WorkerPool m_pool;
    NullKeepAwake m_keepAwake;
    AlwaysOnline m_network;
    NullSystemLog m_log;
    NoPlaceNames m_names;
    NoDialogs m_dialogs;
    NoAlarm m_alarm;
    AbsentDevice m_absent;
    DeviceLocationService* m_device;
    std::unique_ptr<LocationPlannerViewModel> m_viewModel;
};

} // namespace ostrevin::snapshots
