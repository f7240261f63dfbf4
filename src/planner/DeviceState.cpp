#include "planner/DeviceState.h"

#include "planner/ObservableField.h"

namespace ostrevin {

void DeviceState::setHelperStatus(const LocationHelperStatus& value)
{
    ++m_helperStatusRevision;
    assignObservable(this, m_helperStatus, value, &DeviceState::helperStatusChanged);
}

void DeviceState::setDeviceBusy(bool value)
{
    assignObservable(this, m_isDeviceBusy, value, &DeviceState::isDeviceBusyChanged);
}

void DeviceState::setCheckingDevice(bool value)
{
    assignObservable(this, m_isCheckingDevice, value, &DeviceState::isCheckingDeviceChanged);
}

void DeviceState::setLastDeviceError(const QString& value)
{
    assignObservable(this, m_lastDeviceError, value, &DeviceState::lastDeviceErrorChanged);
}

void DeviceState::setDeviceActionMessage(const QString& value)
{
    assignObservable(this, m_deviceActionMessage, value, &DeviceState::deviceActionMessageChanged);
}

void DeviceState::setLastDeviceCheck(const std::optional<QDateTime>& value)
{
    assignObservable(this, m_lastDeviceCheck, value, &DeviceState::lastDeviceCheckChanged);
}

void DeviceState::setOnline(bool value)
{
    assignObservable(this, m_isOnline, value, &DeviceState::isOnlineChanged);
}

} // namespace ostrevin
