#pragma once

#include "alerts/LocationSafetyAlarmEvent.h"
#include "routedata/RoutePoint.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QUuid>
#include <optional>

namespace ostrevin {

/// What the iPhone is made to show and how that goes: the held point and its
/// verification counters, a location reset that has not finished, a route playing
/// and how far it got, the last point set, and an open incident with its alarm.
/// Only the view model writes it: its hold, playback and reset flows decide every
/// change. GUI thread only.
class LocationHoldState : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LocationHoldState)
    friend class LocationPlannerViewModel;
    friend struct PlannerTestAccess;

public:
    explicit LocationHoldState(QObject* parent = nullptr) : QObject(parent) {}

    const std::optional<RoutePoint>& lockedPoint() const { return m_lockedPoint; }
    bool isLocationResetPending() const { return m_isLocationResetPending; }
    /// As stored; readers clamp.
    double lockRefreshIntervalSeconds() const { return m_lockRefreshIntervalSeconds; }
    int lockRefreshCount() const { return m_lockRefreshCount; }
    int lockFailureCount() const { return m_lockFailureCount; }
    const std::optional<QDateTime>& lastLockRefresh() const { return m_lastLockRefresh; }
    const std::optional<QDateTime>& lockStartedAt() const { return m_lockStartedAt; }
    bool isLocationLockRefreshing() const { return m_isLocationLockRefreshing; }
    bool isIPhoneRouteRunning() const { return m_isIPhoneRouteRunning; }
    double iPhoneRouteProgress() const { return m_iPhoneRouteProgress; }
    const std::optional<RoutePoint>& routeLivePoint() const { return m_routeLivePoint; }
    const QString& lastPushedPointName() const { return m_lastPushedPointName; }
    const std::optional<QUuid>& lastPushedPointID() const { return m_lastPushedPointID; }
    bool telegramIncidentActive() const { return m_telegramIncidentActive; }
    /// The open incident was acknowledged: its alarm and alerts are over, its recovery goes on.
    bool telegramIncidentAcknowledged() const { return m_telegramIncidentAcknowledged; }
    const std::optional<LocationSafetyAlarmEvent>& locationSafetyAlarm() const { return m_locationSafetyAlarm; }
    /// What the open incident's restore waits for while only the user's Prepare iPhone
    /// can go on (it needs the administrator password); empty otherwise.
    const QString& recoveryWait() const { return m_recoveryWait; }

signals:
    void lockedPointChanged();
    void isLocationResetPendingChanged();
    void lockRefreshIntervalSecondsChanged();
    void lockRefreshCountChanged();
    void lockFailureCountChanged();
    void lastLockRefreshChanged();
    void lockStartedAtChanged();
    void isLocationLockRefreshingChanged();
    void isIPhoneRouteRunningChanged();
    void iPhoneRouteProgressChanged();
    void routeLivePointChanged();
    void lastPushedPointNameChanged();
    void lastPushedPointIDChanged();
    void telegramIncidentActiveChanged();
    void telegramIncidentAcknowledgedChanged();
    void locationSafetyAlarmChanged();
    void recoveryWaitChanged();

private:
    void setLockedPoint(const std::optional<RoutePoint>& value);
    void setLocationResetPending(bool value);
    void setLockRefreshIntervalSeconds(double value);
    void setLockRefreshCount(int value);
    void setLockFailureCount(int value);
    void setLastLockRefresh(const std::optional<QDateTime>& value);
    void setLockStartedAt(const std::optional<QDateTime>& value);
    void setLocationLockRefreshing(bool value);
    void setIPhoneRouteRunning(bool value);
    void setIPhoneRouteProgress(double value);
    void setRouteLivePoint(const std::optional<RoutePoint>& value);
    void setLastPushedPointName(const QString& value);
    void setLastPushedPointID(const std::optional<QUuid>& value);
    void setTelegramIncidentActive(bool value);
    void setTelegramIncidentAcknowledged(bool value);
    void setLocationSafetyAlarm(const std::optional<LocationSafetyAlarmEvent>& value);
    void setRecoveryWait(const QString& value);

    std::optional<RoutePoint> m_lockedPoint;
    bool m_isLocationResetPending = false;
    double m_lockRefreshIntervalSeconds = 15.0;
    int m_lockRefreshCount = 0;
    int m_lockFailureCount = 0;
    std::optional<QDateTime> m_lastLockRefresh;
    std::optional<QDateTime> m_lockStartedAt;
    bool m_isLocationLockRefreshing = false;
    bool m_isIPhoneRouteRunning = false;
    double m_iPhoneRouteProgress = 0.0;
    std::optional<RoutePoint> m_routeLivePoint;
    QString m_lastPushedPointName;
    std::optional<QUuid> m_lastPushedPointID;
    bool m_telegramIncidentActive = false;
    bool m_telegramIncidentAcknowledged = false;
    std::optional<LocationSafetyAlarmEvent> m_locationSafetyAlarm;
    QString m_recoveryWait;
};

} // namespace ostrevin
