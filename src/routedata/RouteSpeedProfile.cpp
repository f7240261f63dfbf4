#include "routedata/RouteSpeedProfile.h"

#include <QCoreApplication>

namespace ostrevin {

QString title(RouteSpeedProfile profile)
{
    switch (profile) {
    case RouteSpeedProfile::slow:
        //: Speed profile of a route.
        return QCoreApplication::translate("RouteSpeedProfile", "Slow");
    case RouteSpeedProfile::normal:
        //: Speed profile of a route.
        return QCoreApplication::translate("RouteSpeedProfile", "Normal");
    case RouteSpeedProfile::fast:
        //: Speed profile of a route.
        return QCoreApplication::translate("RouteSpeedProfile", "Fast");
    case RouteSpeedProfile::extreme:
        //: Speed profile of a route.
        return QCoreApplication::translate("RouteSpeedProfile", "Extreme");
    }
    return {};
}

} // namespace ostrevin
