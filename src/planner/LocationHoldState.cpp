#include "planner/LocationHoldState.h"

#include "planner/ObservableField.h"

namespace ostrevin {

void LocationHoldState::setLockedPoint(const std::optional<RoutePoint>& value)
{
    assignObservable(this, m_lockedPoint, value, &LocationHoldState::lockedPointChanged);
}

void LocationHoldState::setLocationResetPending(bool value)
{
    assignObservable(this, m_isLocationResetPending, value, &LocationHoldState::isLocationResetPendingChanged);
}

void LocationHoldState::setLockRefreshIntervalSeconds(double value)
{
    assignObservable(this, m_lockRefreshIntervalSeconds, value, &LocationHoldState::lockRefreshIntervalSecondsChanged);
}

void LocationHoldState::setLockRefreshCount(int value)
{
    assignObservable(this, m_lockRefreshCount, value, &LocationHoldState::lockRefreshCountChanged);
}

void LocationHoldState::setLockFailureCount(int value)
{
    assignObservable(this, m_lockFailureCount, value, &LocationHoldState::lockFailureCountChanged);
}

void LocationHoldState::setLastLockRefresh(const std::optional<QDateTime>& value)
{
    assignObservable(this, m_lastLockRefresh, value, &LocationHoldState::lastLockRefreshChanged);
}

void LocationHoldState::setLockStartedAt(const std::optional<QDateTime>& value)
{
    assignObservable(this, m_lockStartedAt, value, &LocationHoldState::lockStartedAtChanged);
}

void LocationHoldState::setLocationLockRefreshing(bool value)
{
    assignObservable(this, m_isLocationLockRefreshing, value, &LocationHoldState::isLocationLockRefreshingChanged);
}

void LocationHoldState::setIPhoneRouteRunning(bool value)
{
    assignObservable(this, m_isIPhoneRouteRunning, value, &LocationHoldState::isIPhoneRouteRunningChanged);
}

void LocationHoldState::setIPhoneRouteProgress(double value)
{
    assignObservable(this, m_iPhoneRouteProgress, value, &LocationHoldState::iPhoneRouteProgressChanged);
}

void LocationHoldState::setRouteLivePoint(const std::optional<RoutePoint>& value)
{
    assignObservable(this, m_routeLivePoint, value, &LocationHoldState::routeLivePointChanged);
}

void LocationHoldState::setLastPushedPointName(const QString& value)
{
    assignObservable(this, m_lastPushedPointName, value, &LocationHoldState::lastPushedPointNameChanged);
}

void LocationHoldState::setLastPushedPointID(const std::optional<QUuid>& value)
{
    assignObservable(this, m_lastPushedPointID, value, &LocationHoldState::lastPushedPointIDChanged);
}

void LocationHoldState::setTelegramIncidentActive(bool value)
{
    assignObservable(this, m_telegramIncidentActive, value, &LocationHoldState::telegramIncidentActiveChanged);
}

void LocationHoldState::setTelegramIncidentAcknowledged(bool value)
{
    assignObservable(this, m_telegramIncidentAcknowledged, value,
                     &LocationHoldState::telegramIncidentAcknowledgedChanged);
}

void LocationHoldState::setLocationSafetyAlarm(const std::optional<LocationSafetyAlarmEvent>& value)
{
    assignObservable(this, m_locationSafetyAlarm, value, &LocationHoldState::locationSafetyAlarmChanged);
}

void LocationHoldState::setRecoveryWait(const QString& value)
{
    assignObservable(this, m_recoveryWait, value, &LocationHoldState::recoveryWaitChanged);
}

} // namespace ostrevin
