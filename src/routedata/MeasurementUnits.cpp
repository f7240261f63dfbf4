#include "routedata/MeasurementUnits.h"

#include <QCoreApplication>

namespace ostrevin {

QString title(MeasurementUnits units)
{
    switch (units) {
    case MeasurementUnits::automatic:
        //: Settings › General › Units: follow the computer’s region settings.
        return QCoreApplication::translate("MeasurementUnits", "Automatic");
    case MeasurementUnits::kilometers:
        //: Settings › General › Units option.
        return QCoreApplication::translate("MeasurementUnits", "Kilometers");
    case MeasurementUnits::miles:
        //: Settings › General › Units option.
        return QCoreApplication::translate("MeasurementUnits", "Miles");
    }
    return {};
}

} // namespace ostrevin
