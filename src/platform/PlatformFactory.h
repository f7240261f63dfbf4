#pragma once

#include "platform/Appearance.h"
#include "platform/DeviceAttachmentWatcher.h"
#include "platform/KeepAwake.h"
#include "platform/NetworkMonitor.h"
#include "platform/ReverseGeocoder.h"
#include "platform/SystemLog.h"

#include <functional>
#include <memory>

class QNetworkAccessManager;

namespace ostrevin {

/// The one place that picks the implementation of each system capability for the
/// system we run on; callers never test the operating system themselves.
class PlatformFactory {
public:
    /// OSTREVIN_APPEARANCE (light, dark, light-contrast, dark-contrast) pins the
    /// look; otherwise the desktop's settings, with fallbackDark deciding dark or
    /// light where the desktop states no preference.
    static std::unique_ptr<Appearance> createAppearance(std::function<bool()> fallbackDark);
    static std::unique_ptr<KeepAwake> createKeepAwake();
    static std::unique_ptr<NetworkMonitor> createNetworkMonitor();
    static std::unique_ptr<DeviceAttachmentWatcher> createDeviceAttachmentWatcher();
    static std::unique_ptr<SystemLog> createSystemLog();
    /// Whether Xcode and Simulator can run here: advice that names them fits only then.
    static bool hasAppleDeveloperTools();
    /// Whether secrets go to the macOS keychain; elsewhere texts call the store the keyring.
    static bool keepsSecretsInKeychain();
    /// Uses the geocoder address of ServiceEndpoints.
    static std::unique_ptr<ReverseGeocoder> createReverseGeocoder(QNetworkAccessManager& network);
};

} // namespace ostrevin
