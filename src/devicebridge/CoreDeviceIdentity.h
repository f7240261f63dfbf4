#pragma once

#include <QString>
#include <optional>

namespace ostrevin {

/// The iPhone chosen from the devicectl device list.
struct CoreDeviceIdentity {
    QString name;
    QString udid;
    std::optional<QString> transportType;
    std::optional<QString> tunnelState;

    bool operator==(const CoreDeviceIdentity&) const = default;
};

} // namespace ostrevin
