#include "platform/UsbmuxDeviceAttachmentWatcher.h"

#include "platform/PlatformLog.h"

#include <QMetaObject>
#include <QPointer>
#include <usbmuxd.h>

namespace ostrevin {

/// What the library's thread may touch: the watcher, reached through a guarded
/// pointer and only by queued calls.
struct UsbmuxDeviceAttachmentWatcher::Subscription {
    QPointer<UsbmuxDeviceAttachmentWatcher> watcher;
    usbmuxd_subscription_context_t context = nullptr;
};

namespace {

void onDeviceEvent(const usbmuxd_event_t* event, void* userData)
{
    const auto* subscription = static_cast<const UsbmuxDeviceAttachmentWatcher::Subscription*>(userData);
    if (!event || !subscription)
        return;
    // Wi-Fi pairings come and go on their own; only the cable is the iPhone's connection.
    if (event->device.conn_type != CONNECTION_TYPE_USB)
        return;
    const QString udid =
        QString::fromLatin1(event->device.udid, qstrnlen(event->device.udid, sizeof event->device.udid));
    if (udid.isEmpty())
        return;
    const bool attached = event->event == UE_DEVICE_ADD;
    if (!attached && event->event != UE_DEVICE_REMOVE)
        return;
    const QPointer<UsbmuxDeviceAttachmentWatcher> watcher = subscription->watcher;
    if (!watcher)
        return;
    QMetaObject::invokeMethod(
        watcher.data(),
        [watcher, udid, attached] {
            if (!watcher)
                return;
            if (attached)
                emit watcher->deviceAttached(udid);
            else
                emit watcher->deviceDetached(udid);
        },
        Qt::QueuedConnection);
}

} // namespace

UsbmuxDeviceAttachmentWatcher::~UsbmuxDeviceAttachmentWatcher()
{
    stop();
}

bool UsbmuxDeviceAttachmentWatcher::start()
{
    if (m_subscription)
        return true;
    // Subscribed whether or not usbmuxd runs: on Debian it starts only when an
    // iPhone is plugged in, and libusbmuxd's thread keeps reconnecting until it
    // does, then reports the iPhones attached. That thread is also the only one
    // here that talks to usbmuxd: libusbmuxd fills in its process-wide request
    // details on the first request without a lock, and two first requests at once
    // race there.
    auto* subscription = new Subscription{QPointer(this), nullptr};
    const int result = usbmuxd_events_subscribe(&subscription->context, &onDeviceEvent, subscription);
    if (result != 0) {
        qCWarning(lcPlatform) << "Device attach and detach events are unavailable: usbmuxd_events_subscribe returned"
                              << result;
        delete subscription;
        return false;
    }
    m_subscription = subscription;
    return true;
}

void UsbmuxDeviceAttachmentWatcher::stop()
{
    if (!m_subscription)
        return;
    // Returns once the library's thread no longer calls back with this context.
    usbmuxd_events_unsubscribe(m_subscription->context);
    delete m_subscription;
    m_subscription = nullptr;
}

} // namespace ostrevin
