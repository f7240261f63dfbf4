#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace ostrevin::test {

/// usbmuxd's plist protocol on a Unix socket of the test's own, for libusbmuxd
/// pointed at it with USBMUXD_SOCKET_ADDRESS=UNIX:<path>. Each packet is a 16-byte
/// little-endian header {length with the header, version 1, message 8 (plist), tag}
/// and an XML property list. "Listen" is answered {MessageType: Result, Number: 0},
/// and the connection then hears "Attached" (with Properties) and "Detached" (with
/// the DeviceID) for every change; "ListDevices" is answered {DeviceList: [...]}.
/// Lives on the test's thread: the event loop must run for it to answer.
class FakeUsbmuxd final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FakeUsbmuxd)

public:
    /// Listens at socketPath (which must not exist yet).
    explicit FakeUsbmuxd(const QString& socketPath);
    ~FakeUsbmuxd() override;

    /// The value for USBMUXD_SOCKET_ADDRESS.
    QByteArray address() const;
    /// Connections that sent "Listen".
    int listeners() const;

    /// A device on the cable; its serial number is the UDID.
    void attach(quint32 deviceID, const QString& udid);
    void detach(quint32 deviceID);

private:
    struct Device {
        quint32 id;
        QString udid;
    };
    struct Client {
        QLocalSocket* socket;
        QByteArray pending;
        bool listening = false;
    };

    void readFrom(Client& client);
    void answer(Client& client, quint32 tag, const QByteArray& request);
    static void send(QLocalSocket* socket, quint32 tag, const QByteArray& plistBody);
    static QByteArray attachedBody(const Device& device);

    QString m_path;
    QLocalServer* m_server;
    QList<Client*> m_clients;
    QList<Device> m_devices;
};

} // namespace ostrevin::test
