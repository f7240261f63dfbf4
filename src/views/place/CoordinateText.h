#pragma once

#include <QString>

namespace ostrevin::place {

/// "50.07550, 14.43780": five decimals, latitude first, always with a full stop,
/// whatever the user's language.
QString coordinateText(double latitude, double longitude);

/// Two points within a millionth of a degree in both coordinates are one place.
bool isSamePlace(double latitudeA, double longitudeA, double latitudeB, double longitudeB);

} // namespace ostrevin::place
