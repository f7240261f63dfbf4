#include "SnapshotScenario.h"

namespace ostrevin::snapshots {

std::vector<Scenario>& scenarios()
{
    static std::vector<Scenario> all;
    return all;
}

RegisterScenario::RegisterScenario(QString area, QString state, ScenarioFactory make)
{
    scenarios().push_back(Scenario{std::move(area), std::move(state), std::move(make)});
}

} // namespace ostrevin::snapshots
