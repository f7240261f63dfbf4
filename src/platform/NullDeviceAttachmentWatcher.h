#pragma once

#include "platform/DeviceAttachmentWatcher.h"

namespace ostrevin {

/// Where the system gives no device events: nothing is ever reported.
class NullDeviceAttachmentWatcher : public DeviceAttachmentWatcher {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NullDeviceAttachmentWatcher)

public:
    using DeviceAttachmentWatcher::DeviceAttachmentWatcher;

    bool start() override { return false; }
    void stop() override {}
};

} // namespace ostrevin
