#pragma once

#include "platform/DeviceAttachmentWatcher.h"

#include <QFutureWatcher>

namespace ostrevin {

/// usbmuxd's device events through libusbmuxd: every attach and detach of an iOS
/// device with its UDID. libusbmuxd calls back on a thread of its own (and keeps
/// reconnecting while usbmuxd is not running); the reports are handed to the
/// watcher's thread. libusbmuxd reaches usbmuxd where USBMUXD_SOCKET_ADDRESS
/// ("UNIX:<path>") says, else at its system socket.
///
/// A subscription succeeds whether or not usbmuxd runs, so start() first asks
/// usbmuxd for its device list off the calling thread, then subscribes; when
/// nothing answers, unavailable() follows.
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
    void probeUsbmuxd();
    void subscribe(bool usbmuxdAnswered);

    Subscription* m_subscription = nullptr;
    QFutureWatcher<bool>* m_probe = nullptr;
    bool m_wanted = false;
};

} // namespace ostrevin
