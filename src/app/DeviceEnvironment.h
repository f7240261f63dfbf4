#pragma once

#include "devicebridge/DeviceLocationController.h"

#include <QProcessEnvironment>

namespace ostrevin {

class AppPaths;

/// Where the device bridge finds its tools in this run. Normally the system's
/// folders; OSTREVIN_TOOL_FOLDERS (a colon-separated list) replaces every one of
/// them, for a self-contained installation or a test that must never reach the
/// tools in /usr/bin, and OSTREVIN_TUNNEL_SERVICE_URL (an http URL on the loopback
/// interface) replaces the tunnel service's address.
struct DeviceEnvironment {
    static DeviceLocationController::Configuration
    configuration(const AppPaths& paths,
                  const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());
};

} // namespace ostrevin
