#pragma once

#include "platform/KeepAwake.h"
#include "platform/NetworkMonitor.h"
#include "platform/ReverseGeocoder.h"
#include "platform/SystemLog.h"

#include <memory>

class QNetworkAccessManager;

namespace ostrevin {

/// The one place that picks the implementation of each system capability for the
/// system we run on; callers never test the operating system themselves.
class PlatformFactory {
public:
    static std::unique_ptr<KeepAwake> createKeepAwake();
    static std::unique_ptr<NetworkMonitor> createNetworkMonitor();
    static std::unique_ptr<SystemLog> createSystemLog();
    /// Uses the geocoder address of ServiceEndpoints.
    static std::unique_ptr<ReverseGeocoder> createReverseGeocoder(QNetworkAccessManager& network);
};

} // namespace ostrevin
