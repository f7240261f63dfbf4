#pragma once

#include <QCoreApplication>
#include <QString>

namespace ostrevin {

/// Device status texts shared by detection and preparation.
class DeviceLocationMessages {
    Q_DECLARE_TR_FUNCTIONS(DeviceLocationMessages)

public:
    DeviceLocationMessages() = delete;

    /// "<name> is connected. Click Prepare iPhone."
    static QString connected(const QString& deviceName);
};

} // namespace ostrevin
