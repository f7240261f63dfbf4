#pragma once

#include <QString>
#include <QUuid>

namespace ostrevin {

/// One line of the device setup checklist.
struct DeviceSetupStep {
    QUuid id = QUuid::createUuid();
    QString title;
    bool isDone = false;

    bool operator==(const DeviceSetupStep&) const = default;
};

} // namespace ostrevin
