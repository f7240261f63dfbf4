#include "views/common/CoordinateText.h"

#include <QLocale>
#include <cmath>

namespace ostrevin::common {

QString coordinateText(double latitude, double longitude)
{
    const QLocale posix = QLocale::c();
    return posix.toString(latitude, 'f', 5) + QStringLiteral(", ") + posix.toString(longitude, 'f', 5);
}

} // namespace ostrevin::common
