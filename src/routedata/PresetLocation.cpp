#include "routedata/PresetLocation.h"

#include <QCoreApplication>

namespace ostrevin {

QList<PresetLocation> PresetLocation::defaults()
{
    return {
        //: Name of a preset city in the place panel.
        {QCoreApplication::translate("PresetLocation", "Prague"), 50.0755, 14.4378},
        //: Name of a preset city in the place panel.
        {QCoreApplication::translate("PresetLocation", "Pilsen"), 49.7384, 13.3736},
        //: Name of a preset city in the place panel.
        {QCoreApplication::translate("PresetLocation", "Rome"), 41.9028, 12.4964},
        //: Name of a preset city in the place panel.
        {QCoreApplication::translate("PresetLocation", "Milan"), 45.4642, 9.19},
        //: Name of a preset city in the place panel.
        {QCoreApplication::translate("PresetLocation", "Berlin"), 52.52, 13.405},
        //: Name of a preset city in the place panel.
        {QCoreApplication::translate("PresetLocation", "London"), 51.5074, -0.1278},
    };
}

} // namespace ostrevin
