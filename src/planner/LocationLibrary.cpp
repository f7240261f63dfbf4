#include "planner/LocationLibrary.h"

#include "planner/ObservableField.h"

#include <algorithm>

namespace ostrevin {

bool LocationLibrary::isSavedLocation(const RoutePoint& point) const
{
    return std::any_of(m_savedLocations.cbegin(), m_savedLocations.cend(),
                       [&](const SavedLocation& e) { return isSamePlace(e.point, point); });
}

void LocationLibrary::setHistory(const QList<RouteHistoryItem>& value)
{
    assignObservable(this, m_history, value, &LocationLibrary::historyChanged);
}

void LocationLibrary::setSavedLocations(const QList<SavedLocation>& value)
{
    assignObservable(this, m_savedLocations, value, &LocationLibrary::savedLocationsChanged);
}

void LocationLibrary::setSavedRoutes(const QList<SavedRoute>& value)
{
    assignObservable(this, m_savedRoutes, value, &LocationLibrary::savedRoutesChanged);
}

void LocationLibrary::setSavedLocationName(const QString& value)
{
    assignObservable(this, m_savedLocationName, value, &LocationLibrary::savedLocationNameChanged);
}

void LocationLibrary::setSavedRouteName(const QString& value)
{
    assignObservable(this, m_savedRouteName, value, &LocationLibrary::savedRouteNameChanged);
}

void LocationLibrary::setPendingNameReplacement(const std::optional<NameReplacement>& value)
{
    assignObservable(this, m_pendingNameReplacement, value, &LocationLibrary::pendingNameReplacementChanged);
}

} // namespace ostrevin
