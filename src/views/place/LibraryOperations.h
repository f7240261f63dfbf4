#pragma once

#include "routedata/RouteHistoryItem.h"
#include "routedata/RoutePoint.h"

namespace ostrevin::place {

// The place panel's star and recent rows use the view model's saved-location and
// history operations, which come with the library work. Until a view model has
// them, the star saves nothing and shows empty, and recent rows load nothing;
// once it has them these calls go straight through.

template <typename ViewModel> bool isSavedLocation(const ViewModel& viewModel, const RoutePoint& point)
{
    if constexpr (requires { viewModel.isSavedLocation(point); })
        return viewModel.isSavedLocation(point);
    else
        return false;
}

template <typename ViewModel> void saveSelectedPointAsLocation(ViewModel& viewModel)
{
    if constexpr (requires { viewModel.saveSelectedPointAsLocation(); })
        viewModel.saveSelectedPointAsLocation();
}

template <typename ViewModel> void loadHistory(ViewModel& viewModel, const RouteHistoryItem& item)
{
    if constexpr (requires { viewModel.loadHistory(item); })
        viewModel.loadHistory(item);
}

template <typename ViewModel> constexpr bool hasLibraryOperations()
{
    return requires(ViewModel& viewModel, const RouteHistoryItem& item) { viewModel.loadHistory(item); };
}

} // namespace ostrevin::place
