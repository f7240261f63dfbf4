#pragma once

#include "async/Clock.h"
#include "platform/Appearance.h"
#include "routedata/RoutePoint.h"

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
/// What can only happen once the window is on screen and laid out (a popover
/// anchored to a button, tiles for the map's final camera).
using ScenarioStep = std::function<void(QWidget&)>;

/// One picture: written as <area>-<state>-<appearance>.png. Popups open when it is
/// taken are part of it.
struct Scenario {
    QString area;
    QString state;
    ScenarioFactory make;
    ScenarioStep whenShown;
    /// The screen it is taken on (the X server's size, see the Makefile); the window
    /// is given that size or sizes itself to it. Empty: the large screen, and the
    /// context's window size. The picture has the window's real size, larger when
    /// its minimum does not fit.
    QSize screen;
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
    RegisterScenario(QString area, QString state, ScenarioFactory make, ScenarioStep whenShown = {});
    /// A picture of the window as it opens on a screen of this size.
    RegisterScenario(QString area, QString state, QSize screen, ScenarioFactory make, ScenarioStep whenShown = {});
};

/// The laptop and netbook screens every window must fit (the Makefile runs an X server
/// of each size), as "WxH" for picture names.
inline const QList<QSize>& smallScreens()
{
    static const QList<QSize> sizes{QSize(1366, 768), QSize(1024, 600)};
    return sizes;
}

inline QString sizeName(const QSize& size)
{
    return QString::number(size.width()) + u'x' + QString::number(size.height());
}

/// Runs the event loop until `done` holds or two seconds pass (a scenario waits
/// for the view model to reach its state); says so on standard error when it
/// does not hold by then.
void runUntil(const std::function<bool()>& done);

/// The scenario's clock as the view model wants it.
class ForwardingClock final : public Clock {
public:
    explicit ForwardingClock(const Clock& clock) : m_clock(clock) {}
    SteadyTime steadyNow() const override { return m_clock.steadyNow(); }
    QDateTime wallNow() const override { return m_clock.wallNow(); }

private:
    const Clock& m_clock;
};

/// A named place of a scenario's library, route or map.
inline RoutePoint point(const QString& name, double latitude, double longitude)
{
    return RoutePoint{QUuid::createUuid(), name, latitude, longitude};
}

} // namespace ostrevin::snapshots
