#include "devicebridge/LocationHelperStatus.h"

namespace ostrevin {

LocationHelperStatus LocationHelperStatus::missing()
{
    LocationHelperStatus status;
    //: Device status message (diagnostics and alarm cause).
    status.message = tr("The add-on component for communicating with iPhone isn’t installed.");
    // The setup screen that shows after the restart installs it when Install is clicked.
    status.installHint = tr("If the add-on component is missing, quit Ostrevin and open it again, then click "
                            "Install.") +
                         u"\n\n" + connectionHint();
    return status;
}

QString LocationHelperStatus::connectionHint()
{
    return tr("iPhone must be connected with a cable, unlocked, trust this computer, and have Developer Mode turned "
              "on.");
}

} // namespace ostrevin
