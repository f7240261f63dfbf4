#pragma once

#include <QString>
#include <QUuid>

namespace ostrevin {

/// One step of a planned route.
struct PlannedRouteStep {
    QUuid id = QUuid::createUuid();
    QString instruction{};
    /// Empty when the step has no notice.
    QString notice{};
    /// Metres.
    double distance = 0;
    /// The directions service's transport type of the step, as it gave it (for
    /// example "driving" or "walking").
    QString transportType{};

    bool operator==(const PlannedRouteStep&) const = default;
};

} // namespace ostrevin
