#include "routedata/RouteTransportMode.h"

#include <QCoreApplication>

namespace ostrevin {

QString title(RouteTransportMode mode)
{
    switch (mode) {
    case RouteTransportMode::automobile:
        //: Travel mode of a route.
        return QCoreApplication::translate("RouteTransportMode", "Driving");
    case RouteTransportMode::transit:
    case RouteTransportMode::bus:
    case RouteTransportMode::train:
    case RouteTransportMode::tram:
        //: Travel mode of a route: public transport.
        return QCoreApplication::translate("RouteTransportMode", "Transit");
    case RouteTransportMode::walking:
        //: Travel mode of a route.
        return QCoreApplication::translate("RouteTransportMode", "Walking");
    case RouteTransportMode::any:
        //: Travel mode of a route: chosen automatically.
        return QCoreApplication::translate("RouteTransportMode", "Any");
    }
    return {};
}

QString planningHint(RouteTransportMode mode)
{
    if (isTransitFamily(mode)) {
        //: Hint under the travel-mode control when a public-transit mode is chosen.
        return QCoreApplication::translate("RouteTransportMode",
                                           "The directions service this app uses can’t plan public transit routes.");
    }
    if (mode == RouteTransportMode::any) {
        //: Hint under the travel-mode control.
        return QCoreApplication::translate("RouteTransportMode", "The travel mode is chosen automatically.");
    }
    return {};
}

} // namespace ostrevin
