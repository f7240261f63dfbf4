#pragma once

#include "devicebridge/LocationHelperStatus.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <optional>

namespace ostrevin {

/// What a device-status check does besides asking for the status. Both off
/// unless named (no member initializers: it is a default argument).
struct DeviceCheckOptions {
    /// The device shows as busy and being checked while it runs (the user asked for it).
    bool showProgress;
    /// Also asks the iPhone whether it is ready; an iPhone that is not counts as an interruption.
    bool verifyLocationReadiness;
};

/// What is known of the iPhone and the tools that drive it: the last status
/// check, whether a device operation or check runs, the last error and the status
/// line, and whether the internet can be reached. Only the view model writes it:
/// its operations decide when a device operation starts and ends. GUI thread only.
class DeviceState : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DeviceState)
    friend class LocationPlannerViewModel;
    friend struct PlannerTestAccess;

public:
    explicit DeviceState(QObject* parent = nullptr) : QObject(parent) {}

    const LocationHelperStatus& helperStatus() const { return m_helperStatus; }
    bool isDeviceBusy() const { return m_isDeviceBusy; }
    bool isCheckingDevice() const { return m_isCheckingDevice; }
    const QString& lastDeviceError() const { return m_lastDeviceError; }
    /// The status line under the device actions.
    const QString& deviceActionMessage() const { return m_deviceActionMessage; }
    const std::optional<QDateTime>& lastDeviceCheck() const { return m_lastDeviceCheck; }
    bool isOnline() const { return m_isOnline; }

signals:
    void helperStatusChanged();
    void isDeviceBusyChanged();
    void isCheckingDeviceChanged();
    void lastDeviceErrorChanged();
    void deviceActionMessageChanged();
    void lastDeviceCheckChanged();
    void isOnlineChanged();

private:
    /// Counts every status published, equal or not: a check that began before one
    /// holds older news than it.
    quint64 helperStatusRevision() const { return m_helperStatusRevision; }
    void setHelperStatus(const LocationHelperStatus& value);
    void setDeviceBusy(bool value);
    void setCheckingDevice(bool value);
    void setLastDeviceError(const QString& value);
    void setDeviceActionMessage(const QString& value);
    void setLastDeviceCheck(const std::optional<QDateTime>& value);
    void setOnline(bool value);

    LocationHelperStatus m_helperStatus = LocationHelperStatus::missing();
    quint64 m_helperStatusRevision = 0;
    bool m_isDeviceBusy = false;
    bool m_isCheckingDevice = false;
    QString m_lastDeviceError;
    QString m_deviceActionMessage;
    std::optional<QDateTime> m_lastDeviceCheck;
    bool m_isOnline = true;
};

} // namespace ostrevin
