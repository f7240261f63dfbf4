#include "planner/DeviceIndicatorState.h"

#include <QCoreApplication>

namespace ostrevin {

QString title(DeviceIndicatorState state)
{
    switch (state) {
    case DeviceIndicatorState::working:
        //: Device pill: a device check or command is running.
        return QCoreApplication::translate("DeviceIndicatorState", "Working…");
    case DeviceIndicatorState::ready:
        //: Device pill: the iPhone can receive a location.
        return QCoreApplication::translate("DeviceIndicatorState", "Ready");
    case DeviceIndicatorState::needsSetup:
        //: Device pill: something in the setup checklist is missing.
        return QCoreApplication::translate("DeviceIndicatorState", "Needs setup");
    case DeviceIndicatorState::notConnected:
        //: Device pill: no iPhone is connected.
        return QCoreApplication::translate("DeviceIndicatorState", "Not connected");
    }
    return {};
}

} // namespace ostrevin
