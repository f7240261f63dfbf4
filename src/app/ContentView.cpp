#include "app/ContentView.h"

#include "app/MainWindowView.h"
#include "views/map/RouteMapView.h"
#include "views/place/PlacePanel.h"
#include "views/route/RoutePanel.h"

namespace ostrevin {

MainWindowView* ContentView::build(LocationPlannerViewModel& viewModel, PlaceSearchService& placeSearch,
                                   QWidget* parent)
{
    auto* view = new MainWindowView(viewModel, parent);
    // Each area fills its slot here; slots that nobody filled stay empty.
    view->fill(MainWindowView::Slot::mapColumn, new RouteMapView(viewModel));
    view->fill(MainWindowView::Slot::placePanel, new PlacePanel(viewModel, placeSearch));
    view->fill(MainWindowView::Slot::routePanel, new RoutePanel(viewModel, placeSearch));
    return view;
}

} // namespace ostrevin
