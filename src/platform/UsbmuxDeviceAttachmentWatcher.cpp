#include "platform/UsbmuxDeviceAttachmentWatcher.h"

#include "platform/PlatformLog.h"

#include <QFutureWatcher>
#include <QMetaObject>
#include <QPointer>
#include <QPromise>
#include <QThreadPool>
#include <memory>
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
    m_wanted = true;
    // The subscription follows the probe, never runs beside it: libusbmuxd fills in
    // its process-wide request details on the first request without a lock, and two
    // first requests at once (the probe's and the subscription thread's) race there.
    if (!m_subscription && !m_probe)
        probeUsbmuxd();
    return true;
}

void UsbmuxDeviceAttachmentWatcher::probeUsbmuxd()
{
    // A connection that fails or a request that is not answered (libusbmuxd waits
    // 5 s for it) must not hold up the caller.
    auto promise = std::make_shared<QPromise<bool>>();
    m_probe = new QFutureWatcher<bool>(this);
    connect(m_probe, &QFutureWatcher<bool>::finished, this, [this] {
        const bool answered = m_probe->result();
        m_probe->deleteLater();
        m_probe = nullptr;
        if (m_wanted && !m_subscription)
            subscribe(answered);
    });
    m_probe->setFuture(promise->future());
    QThreadPool::globalInstance()->start([promise] {
        promise->start();
        usbmuxd_device_info_t* devices = nullptr;
        const bool answered = usbmuxd_get_device_list(&devices) >= 0;
        usbmuxd_device_list_free(&devices);
        promise->addResult(answered);
        promise->finish();
    });
}

void UsbmuxDeviceAttachmentWatcher::subscribe(bool usbmuxdAnswered)
{
    // Subscribed even when usbmuxd is silent: libusbmuxd keeps reconnecting, so the
    // reports begin once usbmuxd does.
    auto* subscription = new Subscription{QPointer(this), nullptr};
    const int result = usbmuxd_events_subscribe(&subscription->context, &onDeviceEvent, subscription);
    if (result != 0) {
        qCWarning(lcPlatform) << "Device attach and detach events are unavailable: usbmuxd_events_subscribe returned"
                              << result;
        delete subscription;
        emit unavailable();
        return;
    }
    m_subscription = subscription;
    if (!usbmuxdAnswered) {
        qCWarning(lcPlatform) << "usbmuxd doesn't answer: device attach and detach events are unavailable";
        emit unavailable();
    }
}

void UsbmuxDeviceAttachmentWatcher::stop()
{
    m_wanted = false;
    if (!m_subscription)
        return;
    // Returns once the library's thread no longer calls back with this context.
    usbmuxd_events_unsubscribe(m_subscription->context);
    delete m_subscription;
    m_subscription = nullptr;
}

} // namespace ostrevin
