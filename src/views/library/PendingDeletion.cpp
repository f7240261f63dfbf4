#include "views/library/PendingDeletion.h"

#include <QCoreApplication>

namespace ostrevin {

QString deletionTitle(const std::optional<PendingDeletion>& pending)
{
    if (!pending) {
        //: Fallback confirmation dialog title.
        return QCoreApplication::translate("PendingDeletion", "Confirm removal");
    }
    return std::visit(PendingDeletionCases{
                          //: Confirmation dialog title.
                          [](const RoutePoint&) { return QCoreApplication::translate("PendingDeletion", "Remove point?"); },
                          //: Confirmation dialog title.
                          [](const SavedLocation&) { return QCoreApplication::translate("PendingDeletion", "Delete saved location?"); },
                          //: Confirmation dialog title.
                          [](const SavedRoute&) { return QCoreApplication::translate("PendingDeletion", "Delete saved route?"); },
                          //: Confirmation dialog title.
                          [](const CompleteRoute&) { return QCoreApplication::translate("PendingDeletion", "Clear the entire route?"); },
                      },
                      *pending);
}

QString deletionActionTitle(const std::optional<PendingDeletion>& pending)
{
    if (!pending) {
        //: Fallback destructive button in a confirmation dialog.
        return QCoreApplication::translate("PendingDeletion", "Remove");
    }
    return std::visit(PendingDeletionCases{
                          //: Destructive button in a confirmation dialog; also a menu item.
                          [](const RoutePoint&) { return QCoreApplication::translate("PendingDeletion", "Remove point"); },
                          //: Destructive button in a confirmation dialog.
                          [](const SavedLocation&) { return QCoreApplication::translate("PendingDeletion", "Delete"); },
                          //: Destructive button in a confirmation dialog.
                          [](const SavedRoute&) { return QCoreApplication::translate("PendingDeletion", "Delete"); },
                          //: Destructive button in a confirmation dialog.
                          [](const CompleteRoute&) { return QCoreApplication::translate("PendingDeletion", "Clear route"); },
                      },
                      *pending);
}

QString deletionMessage(const std::optional<PendingDeletion>& pending)
{
    if (!pending)
        return {};
    // The name goes in as it is, neither trimmed nor shortened.
    return std::visit(
        PendingDeletionCases{
            //: Confirmation dialog message. %1 is a point name.
            [](const RoutePoint& point) { return QCoreApplication::translate("PendingDeletion", "Point “%1” will be removed from the route.").arg(point.name); },
            //: Confirmation dialog message. %1 is a saved location name.
            [](const SavedLocation& location) {
                return QCoreApplication::translate("PendingDeletion", "Location “%1” will be permanently deleted.").arg(location.name);
            },
            //: Confirmation dialog message. %1 is a saved route name.
            [](const SavedRoute& route) { return QCoreApplication::translate("PendingDeletion", "Route “%1” will be permanently deleted.").arg(route.name); },
            //: Confirmation dialog message.
            [](const CompleteRoute&) {
                return QCoreApplication::translate("PendingDeletion", "All points of the current route will be removed. Saved routes stay unchanged.");
            },
        },
        *pending);
}

} // namespace ostrevin
