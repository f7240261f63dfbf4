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
    /// How the step is travelled, as a set of bits (a ferry or train step of a
    /// driving route carries the transit bit, an unknown mode none).
    enum TransportType : unsigned { automobile = 1u << 0, walking = 1u << 1, transit = 1u << 2 };
    unsigned transportType = 0;

    bool operator==(const PlannedRouteStep&) const = default;
};

} // namespace ostrevin
