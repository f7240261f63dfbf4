#include "routedata/RoutePlanningError.h"

#include <QCoreApplication>

namespace ostrevin {

RoutePlanningError RoutePlanningError::addressNotFound(QString text)
{
    RoutePlanningError e(Kind::addressNotFound);
    e.m_address = std::move(text);
    return e;
}

RoutePlanningError RoutePlanningError::transportUnavailable(RouteTransportMode mode)
{
    RoutePlanningError e(Kind::transportUnavailable);
    e.m_mode = mode;
    return e;
}

RoutePlanningError RoutePlanningError::routeNotFound()
{
    return RoutePlanningError(Kind::routeNotFound);
}

RoutePlanningError RoutePlanningError::timedOut()
{
    return RoutePlanningError(Kind::timedOut);
}

RoutePlanningError RoutePlanningError::searchUnavailable()
{
    return RoutePlanningError(Kind::searchUnavailable);
}

QString RoutePlanningError::description() const
{
    switch (m_kind) {
    case Kind::addressNotFound:
        //: Route planning error. %1 is the text the user typed.
        return QCoreApplication::translate("RoutePlanningError", "The address “%1” wasn’t found.").arg(m_address);
    case Kind::transportUnavailable:
        //: Route planning error.
        return QCoreApplication::translate("RoutePlanningError",
                                           "No route was found for the selected travel mode. Try a different one.");
    case Kind::routeNotFound:
        //: Route planning error.
        return QCoreApplication::translate("RoutePlanningError", "No route was found between these places.");
    case Kind::timedOut:
        //: Route planning error.
        return QCoreApplication::translate(
            "RoutePlanningError",
            "Calculating the route is taking too long. Check your internet connection and try again.");
    case Kind::searchUnavailable:
        //: Place search error: the search service failed, not the address.
        return QCoreApplication::translate(
            "RoutePlanningError",
            "The search service isn’t available right now. Check your internet connection and try again.");
    }
    return {};
}

} // namespace ostrevin
