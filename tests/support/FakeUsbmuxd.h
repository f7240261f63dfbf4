#pragma once

#include <QList>
#include <QLocalServer>
#include <QLocalSocket>

namespace ostrevin::test {

/// usbmuxd's plist protocol on a Unix socket, for libusbmuxd pointed at it with
/// USBMUXD_SOCKET_ADDRESS=UNIX:<path>: answers "Listen" and "ListDevices" (always
/// empty) and tells listeners of each attach and detach. Needs the event loop.
class FakeUsbmuxd final {
public:
    explicit FakeUsbmuxd(const QString& socketPath);

    int listeners() const { return int(m_listeners.size()); }
    void attach(quint32 deviceID, const QString& udid);
    void detach(quint32 deviceID);

private:
    void tell(const QByteArray& plistBody);

    QList<QLocalSocket*> m_listeners;
    QLocalServer m_server; // after m_listeners: its sockets may still report a disconnect
};

} // namespace ostrevin::test
