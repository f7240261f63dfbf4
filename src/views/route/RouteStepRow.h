#pragma once

#include "routedata/PlannedRouteStep.h"

#include <QWidget>

namespace ostrevin {

/// One step of the chosen alternative's directions: its number, the instruction,
/// the travel mode and distance, and the step's notice when it has one.
class RouteStepRow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RouteStepRow)

public:
    /// number: what the row shows (the step's position + 1).
    RouteStepRow(int number, const PlannedRouteStep& step, const QString& detail, QWidget* parent = nullptr);
    ~RouteStepRow() override = default;
};

} // namespace ostrevin
