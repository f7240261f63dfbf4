#include "devicebridge/DeviceLocationMessages.h"

namespace ostrevin {

QString DeviceLocationMessages::connected(const QString& deviceName)
{
    //: Device status message. %1 is the iPhone’s name. “Prepare iPhone” is the title of the preparation button.
    return tr("%1 is connected. Click Prepare iPhone.").arg(deviceName);
}

} // namespace ostrevin
