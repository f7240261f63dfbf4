#include "views/common/PendingDeletion.h"

#include "planner/LocationPlannerViewModel.h"

namespace ostrevin {

PendingDeletion PendingDeletion::routePoint(const RoutePoint& point)
{
    PendingDeletion deletion(Kind::routePoint);
    deletion.m_point = point;
    return deletion;
}

PendingDeletion PendingDeletion::savedLocation(const SavedLocation& location)
{
    PendingDeletion deletion(Kind::savedLocation);
    deletion.m_location = location;
    return deletion;
}

PendingDeletion PendingDeletion::savedRoute(const SavedRoute& route)
{
    PendingDeletion deletion(Kind::savedRoute);
    deletion.m_route = route;
    return deletion;
}

PendingDeletion PendingDeletion::completeRoute()
{
    return PendingDeletion(Kind::completeRoute);
}

QString PendingDeletion::title() const
{
    switch (m_kind) {
    case Kind::routePoint:
        //: Confirmation dialog title.
        return tr("Remove point?");
    case Kind::savedLocation:
        //: Confirmation dialog title.
        return tr("Delete saved location?");
    case Kind::savedRoute:
        //: Confirmation dialog title.
        return tr("Delete saved route?");
    case Kind::completeRoute:
        break;
    }
    //: Confirmation dialog title.
    return tr("Clear the entire route?");
}

QString PendingDeletion::actionTitle() const
{
    switch (m_kind) {
    case Kind::routePoint:
        //: Destructive button in a confirmation dialog; also a menu item.
        return tr("Remove point");
    case Kind::savedLocation:
    case Kind::savedRoute:
        //: Destructive button in a confirmation dialog.
        return tr("Delete");
    case Kind::completeRoute:
        break;
    }
    //: Destructive button in a confirmation dialog.
    return tr("Clear route");
}

QString PendingDeletion::message() const
{
    // The name goes in as it is, by a single-argument arg(): a name that looks
    // like a placeholder ("%2") stays text.
    switch (m_kind) {
    case Kind::routePoint:
        //: Confirmation dialog message. %1 is a point name.
        return tr("Point “%1” will be removed from the route.").arg(m_point.name);
    case Kind::savedLocation:
        //: Confirmation dialog message. %1 is a saved location name.
        return tr("Location “%1” will be permanently deleted.").arg(m_location.name);
    case Kind::savedRoute:
        //: Confirmation dialog message. %1 is a saved route name.
        return tr("Route “%1” will be permanently deleted.").arg(m_route.name);
    case Kind::completeRoute:
        break;
    }
    //: Confirmation dialog message.
    return tr("All points of the current route will be removed. Saved routes stay unchanged.");
}

void PendingDeletion::perform(LocationPlannerViewModel& viewModel) const
{
    switch (m_kind) {
    case Kind::routePoint:
        viewModel.removePoint(m_point);
        return;
    case Kind::savedLocation:
        viewModel.deleteSavedLocation(m_location);
        return;
    case Kind::savedRoute:
        viewModel.deleteSavedRoute(m_route);
        return;
    case Kind::completeRoute:
        viewModel.clearRoute();
        return;
    }
}

} // namespace ostrevin
