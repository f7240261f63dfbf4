#include "SnapshotScenario.h"

#include <QApplication>
#include <QDeadlineTimer>

namespace ostrevin::snapshots {

std::vector<Scenario>& scenarios()
{
    static std::vector<Scenario> all;
    return all;
}

void runUntil(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(2000);
    while (!done() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

RegisterScenario::RegisterScenario(QString area, QString state, ScenarioFactory make, ScenarioStep whenShown)
{
    scenarios().push_back(Scenario{std::move(area), std::move(state), std::move(make), std::move(whenShown)});
}

} // namespace ostrevin::snapshots
