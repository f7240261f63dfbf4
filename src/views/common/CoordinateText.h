#pragma once

#include <QString>

namespace ostrevin::common {

/// "50.07550, 14.43780": five decimals, latitude first, always with a full stop,
/// whatever the user's language.
QString coordinateText(double latitude, double longitude);

} // namespace ostrevin::common
