#include "platform/PlatformFactory.h"

#include "platform/NullDeviceAttachmentWatcher.h"
#include "platform/NullKeepAwake.h"
#include "platform/NullSystemLog.h"
#include "platform/PhotonReverseGeocoder.h"
#include "platform/PlatformLog.h"
#include "platform/ServiceEndpoints.h"
#include "platform/SystemNetworkMonitor.h"

#include <QtGlobal>

#if defined(Q_OS_LINUX)
#include "platform/LinuxAppearance.h"
#include "platform/LinuxKeepAwake.h"
#include "platform/UsbmuxDeviceAttachmentWatcher.h"
#endif
#if defined(Q_OS_UNIX)
#include "platform/SyslogSystemLog.h"
#endif

namespace ostrevin {

std::unique_ptr<Appearance> PlatformFactory::createAppearance(std::function<bool()> fallbackDark)
{
    const QString pinned = qEnvironmentVariable("OSTREVIN_APPEARANCE");
    if (!pinned.isEmpty()) {
        if (const auto state = parseAppearanceOverride(pinned))
            return std::make_unique<FixedAppearance>(*state);
        qCWarning(lcPlatform) << "OSTREVIN_APPEARANCE must be light, dark, light-contrast or dark-contrast, not"
                              << pinned;
    }
#if defined(Q_OS_LINUX)
    return std::make_unique<LinuxAppearance>(QDBusConnection::sessionBus(), std::move(fallbackDark));
#else
    AppearanceState state;
    state.dark = fallbackDark && fallbackDark();
    return std::make_unique<FixedAppearance>(state);
#endif
}

std::unique_ptr<KeepAwake> PlatformFactory::createKeepAwake()
{
#if defined(Q_OS_LINUX)
    return std::make_unique<LinuxKeepAwake>(QDBusConnection::systemBus(), QDBusConnection::sessionBus());
#else
    return std::make_unique<NullKeepAwake>();
#endif
}

std::unique_ptr<NetworkMonitor> PlatformFactory::createNetworkMonitor()
{
    return std::make_unique<SystemNetworkMonitor>();
}

std::unique_ptr<DeviceAttachmentWatcher> PlatformFactory::createDeviceAttachmentWatcher()
{
#if defined(Q_OS_LINUX)
    return std::make_unique<UsbmuxDeviceAttachmentWatcher>();
#else
    return std::make_unique<NullDeviceAttachmentWatcher>();
#endif
}

std::unique_ptr<SystemLog> PlatformFactory::createSystemLog()
{
#if defined(Q_OS_UNIX)
    return std::make_unique<SyslogSystemLog>();
#else
    return std::make_unique<NullSystemLog>();
#endif
}

bool PlatformFactory::hasAppleDeveloperTools()
{
#if defined(Q_OS_MACOS)
    return true;
#else
    return false;
#endif
}

bool PlatformFactory::keepsSecretsInKeychain()
{
#if defined(Q_OS_MACOS)
    return true;
#else
    return false;
#endif
}

std::unique_ptr<ReverseGeocoder> PlatformFactory::createReverseGeocoder(QNetworkAccessManager& network)
{
    return std::make_unique<PhotonReverseGeocoder>(network, ServiceEndpoints::geocoder());
}

} // namespace ostrevin
