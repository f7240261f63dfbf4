#pragma once

#include "platform/DeviceAttachmentWatcher.h"

namespace ostrevin {

/// usbmuxd's device events through libusbmuxd: every attach and detach of an iOS
/// device with its UDID. libusbmuxd calls back on a thread of its own (and keeps
/// reconnecting while usbmuxd is not running); the reports are handed to the
/// watcher's thread. libusbmuxd reaches usbmuxd where USBMUXD_SOCKET_ADDRESS
/// ("UNIX:<path>") says, else at its system socket. A usbmuxd that is not running
/// yet is waited for: its reports begin once it starts.
class UsbmuxDeviceAttachmentWatcher : public DeviceAttachmentWatcher {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UsbmuxDeviceAttachmentWatcher)

public:
    using DeviceAttachmentWatcher::DeviceAttachmentWatcher;
    ~UsbmuxDeviceAttachmentWatcher() override;

    bool start() override;
    void stop() override;

    /// What the library's thread holds (opaque outside the implementation).
    struct Subscription;

private:
    Subscription* m_subscription = nullptr;
};

} // namespace ostrevin
