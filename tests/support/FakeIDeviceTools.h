#pragma once

#include <QString>
#include <QStringList>

namespace ostrevin::test {

/// Generated /bin/sh stand-ins for the libimobiledevice tools idevice_id,
/// ideviceinfo, ideviceimagemounter and idevicesetlocation, all in one folder
/// (so the code under test finds the tools beside idevicesetlocation and never
/// the real ones in /usr/bin). They print what Debian 12's 1.3.0 tools print for
/// the configured devices, a missing one included ("ERROR: No device found!",
/// "ERROR: Device X not found!" on standard output, exit 255); every invocation
/// appends its arguments to "<tool>.calls".
class FakeIDeviceTools {
public:
    /// Writes the four scripts into folder; state lives in folder + "/idevice-state".
    /// Starts with one attached iPhone "00008030-AAAA" (iPhone15,2, iOS 16.7,
    /// named "Test iPhone") with a developer disk image mounted.
    explicit FakeIDeviceTools(const QString& folder);

    QString folder() const { return m_folder; }
    QString path(const QString& tool) const;

    /// The UDIDs idevice_id lists (in this order).
    void setDevices(const QStringList& udids);
    /// The value ideviceinfo prints for the key of that device (empty removes it).
    void setInfo(const QString& udid, const QString& key, const QString& value);
    void setDeveloperImageMounted(bool mounted);
    /// Without usbmuxd idevice_id logs "ERROR: Unable to retrieve device list!" on
    /// standard error (exit 255) and no tool finds a device.
    void setUsbmuxdRunning(bool running);
    /// idevicesetlocation fails ("ERROR: No device found!", exit 255) from its next call on.
    void setSetLocationFails(bool fails);

    QStringList calls(const QString& tool) const;

private:
    QString m_folder;
    QString m_state;
};

} // namespace ostrevin::test
