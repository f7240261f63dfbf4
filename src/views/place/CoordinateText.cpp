#include "views/place/CoordinateText.h"

#include <QLocale>
#include <cmath>

namespace ostrevin::place {

QString coordinateText(double latitude, double longitude)
{
    const QLocale posix = QLocale::c();
    return posix.toString(latitude, 'f', 5) + QStringLiteral(", ") + posix.toString(longitude, 'f', 5);
}

bool isSamePlace(double latitudeA, double longitudeA, double latitudeB, double longitudeB)
{
    // A little slack over the millionth, so that 1e-6 apart stays inside despite
    // binary rounding.
    constexpr double tolerance = 1e-6 + 1e-12;
    return std::abs(latitudeA - latitudeB) <= tolerance && std::abs(longitudeA - longitudeB) <= tolerance;
}

} // namespace ostrevin::place
