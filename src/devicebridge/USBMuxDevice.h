#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace ostrevin {

/// One entry of pymobiledevice3's "usbmux list".
struct USBMuxDevice {
    std::optional<QString> connectionType; ///< "ConnectionType": "USB" or "Network"
    std::optional<QString> deviceClass;    ///< "DeviceClass": "iPhone", "iPad", ...
    std::optional<QString> deviceName;     ///< "DeviceName"
    QString identifier;                    ///< "Identifier": the UDID (required)

    bool operator==(const USBMuxDevice&) const = default;

    /// The whole listing (UTF-8 JSON array), or none when any part does not decode.
    static std::optional<QList<USBMuxDevice>> decodeList(const QByteArray& output);
    /// The UDIDs of "usbmux list --simple" (a JSON array of texts), which asks no
    /// device anything and so lists devices that cannot be queried too.
    static std::optional<QStringList> decodeIdentifiers(const QByteArray& output);
    /// The device that "lockdown info" (one JSON object) describes.
    static std::optional<USBMuxDevice> decodeLockdownInfo(const QByteArray& output);
    /// The first iPhone connected by USB, else the first iPhone at all.
    static std::optional<USBMuxDevice> firstIPhone(const QList<USBMuxDevice>& devices);
};

} // namespace ostrevin
