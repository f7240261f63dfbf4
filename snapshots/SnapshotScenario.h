#pragma once

#include "async/Clock.h"
#include "platform/Appearance.h"

#include <QSize>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

namespace ostrevin::snapshots {

/// What a scenario may rely on: the pinned appearance, a clock that stands still,
/// and the window size of every picture.
struct SnapshotContext {
    AppearanceState appearance;
    const Clock& clock;
    QSize windowSize;
};

using ScenarioFactory = std::function<std::unique_ptr<QWidget>(const SnapshotContext&)>;

/// One picture: written as <area>-<state>-<appearance>.png.
struct Scenario {
    QString area;
    QString state;
    ScenarioFactory make;
};

/// Every scenario the program knows; filled before main() by RegisterScenario
/// objects in the scenario files.
std::vector<Scenario>& scenarios();

/// Registers a scenario when the program starts:
///
///     namespace {
///     const RegisterScenario emptyMap(u"map"_s, u"empty"_s, [](const SnapshotContext& context) {
///         return std::make_unique<MapWidget>(...);
///     });
///     }
struct RegisterScenario {
    RegisterScenario(QString area, QString state, ScenarioFactory make);
};

} // namespace ostrevin::snapshots
