#include "views/route/PendingDeletion.h"

#include "planner/LocationPlannerViewModel.h"

namespace ostrevin {

namespace {

template <typename... Handlers> struct Overloaded : Handlers... {
    using Handlers::operator()...;
};
template <typename... Handlers> Overloaded(Handlers...) -> Overloaded<Handlers...>;

} // namespace

QString PendingDeletion::title() const
{
    return std::visit(Overloaded{
                          //: Confirmation dialog title.
                          [](const RoutePoint&) { return tr("Remove point?"); },
                          //: Confirmation dialog title.
                          [](const SavedLocation&) { return tr("Delete saved location?"); },
                          //: Confirmation dialog title.
                          [](const SavedRoute&) { return tr("Delete saved route?"); },
                          //: Confirmation dialog title.
                          [](const CompleteRoute&) { return tr("Clear the entire route?"); },
                      },
                      m_payload);
}

QString PendingDeletion::actionTitle() const
{
    return std::visit(Overloaded{
                          //: Destructive button in a confirmation dialog; also a menu item.
                          [](const RoutePoint&) { return tr("Remove point"); },
                          //: Destructive button in a confirmation dialog.
                          [](const SavedLocation&) { return tr("Delete"); },
                          //: Destructive button in a confirmation dialog.
                          [](const SavedRoute&) { return tr("Delete"); },
                          //: Destructive button in a confirmation dialog.
                          [](const CompleteRoute&) { return tr("Clear route"); },
                      },
                      m_payload);
}

QString PendingDeletion::message() const
{
    // The name goes in as it is: a name that looks like a placeholder ("%2") must
    // stay text, so it is inserted with a single-argument arg().
    return std::visit(Overloaded{
                          [](const RoutePoint& point) {
                              //: Confirmation dialog message. %1 is a point name.
                              return tr("Point “%1” will be removed from the route.").arg(point.name);
                          },
                          [](const SavedLocation& location) {
                              //: Confirmation dialog message. %1 is a saved location name.
                              return tr("Location “%1” will be permanently deleted.").arg(location.name);
                          },
                          [](const SavedRoute& route) {
                              //: Confirmation dialog message. %1 is a saved route name.
                              return tr("Route “%1” will be permanently deleted.").arg(route.name);
                          },
                          [](const CompleteRoute&) {
                              //: Confirmation dialog message.
                              return tr("All points of the current route will be removed. Saved routes stay "
                                        "unchanged.");
                          },
                      },
                      m_payload);
}

void PendingDeletion::perform(LocationPlannerViewModel& viewModel) const
{
    std::visit(Overloaded{
                   [&](const RoutePoint& point) { viewModel.removePoint(point); },
                   [&](const SavedLocation& location) { viewModel.deleteSavedLocation(location); },
                   [&](const SavedRoute& route) { viewModel.deleteSavedRoute(route); },
                   [&](const CompleteRoute&) { viewModel.clearRoute(); },
               },
               m_payload);
}

} // namespace ostrevin
