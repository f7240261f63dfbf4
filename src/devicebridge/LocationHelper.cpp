#include "devicebridge/LocationHelper.h"

namespace ostrevin {

QString LocationHelper::toRaw(Kind kind)
{
    switch (kind) {
    case Kind::iDeviceSetLocation:
        return QStringLiteral("idevicesetlocation");
    case Kind::pyMobileDevice:
        return QStringLiteral("pymobiledevice3");
    }
    return {};
}

std::optional<LocationHelper::Kind> LocationHelper::kindFromRaw(const QString& raw)
{
    for (const Kind kind : {Kind::iDeviceSetLocation, Kind::pyMobileDevice}) {
        if (toRaw(kind) == raw)
            return kind;
    }
    return std::nullopt;
}

} // namespace ostrevin
