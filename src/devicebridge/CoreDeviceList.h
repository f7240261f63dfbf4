#pragma once

#include "devicebridge/CoreDeviceIdentity.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace ostrevin {

/// The document "xcrun devicectl list devices --json-output FILE" writes.
struct CoreDeviceList {
    struct ConnectionProperties {
        std::optional<QString> pairingState;
        std::optional<QString> transportType;
        std::optional<QString> tunnelState;
        bool operator==(const ConnectionProperties&) const = default;
    };
    struct DeviceProperties {
        std::optional<QString> bootState;
        QString name;
        bool operator==(const DeviceProperties&) const = default;
    };
    struct HardwareProperties {
        std::optional<QString> deviceType;
        QString udid;
        bool operator==(const HardwareProperties&) const = default;
    };
    struct CoreDevice {
        ConnectionProperties connectionProperties;
        DeviceProperties deviceProperties;
        HardwareProperties hardwareProperties;
        bool operator==(const CoreDevice&) const = default;
    };
    struct Result {
        QList<CoreDevice> devices;
        bool operator==(const Result&) const = default;
    };

    Result result;

    bool operator==(const CoreDeviceList&) const = default;

    /// The whole document, or none when any required part is missing or mistyped.
    static std::optional<CoreDeviceList> decode(const QByteArray& json);
    /// The first paired, booted iPhone with a transport and an available tunnel.
    std::optional<CoreDeviceIdentity> firstIPhone() const;
};

} // namespace ostrevin
