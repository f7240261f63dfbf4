#include "app/ContentView.h"

#include "app/MainWindowView.h"
#include "views/map/RouteMapView.h"

namespace ostrevin {

MainWindowView* ContentView::build(LocationPlannerViewModel& viewModel, QWidget* parent)
{
    auto* view = new MainWindowView(viewModel, parent);
    // Each area fills its slot here, e.g.
    //     view->fill(MainWindowView::Slot::placePanel, new PlacePanel(viewModel));
    // Slots that nobody filled stay empty.
    view->fill(MainWindowView::Slot::mapColumn, new RouteMapView(viewModel));
    return view;
}

} // namespace ostrevin
