#include "routedata/MapStylePreference.h"

#include <QCoreApplication>

namespace ostrevin {

QString title(MapStylePreference style)
{
    switch (style) {
    case MapStylePreference::standard:
        //: Map style.
        return QCoreApplication::translate("MapStylePreference", "Standard");
    case MapStylePreference::satellite:
        //: Map style.
        return QCoreApplication::translate("MapStylePreference", "Satellite");
    case MapStylePreference::hybrid:
        //: Map style (satellite with labels).
        return QCoreApplication::translate("MapStylePreference", "Hybrid");
    }
    return {};
}

} // namespace ostrevin
