#include "app/ContentView.h"

#include "app/MainWindowView.h"
#include "platform/PhotonPlaceSearchService.h"
#include "platform/ServiceEndpoints.h"
#include "views/route/RoutePanel.h"

#include <QNetworkAccessManager>
#include <memory>

namespace ostrevin {

namespace {

/// The place search behind the panels' search fields; it lives as long as the
/// content whose fields use it.
class PlaceSearch final : public QObject {
public:
    explicit PlaceSearch(QObject* owner) : QObject(owner), m_service(m_network, ServiceEndpoints::geocoder()) {}
    PlaceSearchService& service() { return m_service; }

private:
    QNetworkAccessManager m_network;
    PhotonPlaceSearchService m_service;
};

} // namespace

MainWindowView* ContentView::build(LocationPlannerViewModel& viewModel, QWidget* parent)
{
    auto* view = new MainWindowView(viewModel, parent);
    auto* search = new PlaceSearch(view);
    // Each area fills its slot here; slots that nobody filled stay empty.
    view->fill(MainWindowView::Slot::routePanel, new RoutePanel(viewModel, search->service()));
    return view;
}

} // namespace ostrevin
