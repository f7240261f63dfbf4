#include "SnapshotScenario.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <cstdio>

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
    // The picture is taken all the same; whoever looks at it should know why it may
    // not show the state its name promises.
    if (!done())
        std::fprintf(stderr, "a scenario did not reach its state in time\n");
}

RegisterScenario::RegisterScenario(QString area, QString state, ScenarioFactory make, ScenarioStep whenShown)
{
    scenarios().push_back(Scenario{std::move(area), std::move(state), std::move(make), std::move(whenShown), {}});
}

RegisterScenario::RegisterScenario(QString area, QString state, QSize screen, ScenarioFactory make,
                                   ScenarioStep whenShown)
{
    scenarios().push_back(Scenario{std::move(area), std::move(state), std::move(make), std::move(whenShown), screen});
}

} // namespace ostrevin::snapshots
