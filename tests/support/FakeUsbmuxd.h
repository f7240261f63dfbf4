#pragma once

#include <QLocalServer>
#include <QLocalSocket>

namespace ostrevin::test {

/// usbmuxd's plist protocol for libusbmuxd (USBMUXD_SOCKET_ADDRESS=UNIX:<path>): answers
/// "Listen" and "ListDevices" (always empty), tells listeners of attach and detach.
class FakeUsbmuxd final {
public:
    explicit FakeUsbmuxd(const QString& socketPath);

    int listeners() const { return int(m_listeners.size()); }
    void attach(quint32 deviceID, const QString& udid);
    void detach(quint32 deviceID);

private:
    void tell(const QByteArray& dictBody);

    QList<QLocalSocket*> m_listeners;
    QLocalServer m_server; // after m_listeners: its sockets may still report a disconnect
};

} // namespace ostrevin::test
