#include "routedata/LocationValidationError.h"

#include <QCoreApplication>

namespace ostrevin {

QString LocationValidationError::description() const
{
    switch (m_kind) {
    case Kind::invalidLatitude:
        //: Validation error of a typed or chosen coordinate.
        return QCoreApplication::translate("LocationValidationError", "Latitude must be between −90 and 90.");
    case Kind::invalidLongitude:
        //: Validation error of a typed or chosen coordinate.
        return QCoreApplication::translate("LocationValidationError", "Longitude must be between −180 and 180.");
    case Kind::noPoints:
        //: Validation error when a route or place has no point yet.
        return QCoreApplication::translate("LocationValidationError", "Add at least one point first.");
    case Kind::routeNeedsTwoPoints:
        //: Validation error when a route has a single point.
        return QCoreApplication::translate("LocationValidationError", "A route needs at least two points.");
    case Kind::missingName:
        //: Validation error when saving without a name.
        return QCoreApplication::translate("LocationValidationError", "Enter a name.");
    }
    return {};
}

} // namespace ostrevin
