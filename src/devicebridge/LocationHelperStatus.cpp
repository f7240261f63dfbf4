#include "devicebridge/LocationHelperStatus.h"

namespace ostrevin {

LocationHelperStatus LocationHelperStatus::missing()
{
    LocationHelperStatus status;
    //: Device status message (diagnostics and alarm cause).
    status.message = tr("The add-on component for communicating with iPhone isn’t installed.");
    status.installHint = tr("If the add-on component is missing, quit Ostrevin and open it again. "
                            "Installation starts automatically.") +
                         u"\n\n" +
                         tr("iPhone must be connected with a cable, unlocked, trust this computer, and have "
                            "Developer Mode turned on.");
    return status;
}

} // namespace ostrevin
