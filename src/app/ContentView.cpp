#include "app/ContentView.h"

#include "app/MainWindowView.h"
#include "views/map/RouteMapView.h"
#include "views/place/PlacePanel.h"

namespace ostrevin {

MainWindowView* ContentView::build(LocationPlannerViewModel& viewModel, PlaceSearchService& placeSearch,
                                   QWidget* parent)
{
    auto* view = new MainWindowView(viewModel, parent);
    // Each area fills its slot here, e.g.
    //     view->fill(MainWindowView::Slot::placePanel, new PlacePanel(viewModel));
    // Slots that nobody filled stay empty.
    view->fill(MainWindowView::Slot::mapColumn, new RouteMapView(viewModel));
    view->fill(MainWindowView::Slot::placePanel, new PlacePanel(viewModel, placeSearch));
    return view;
}

} // namespace ostrevin
