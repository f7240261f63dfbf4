#include "support/FakeUsbmuxd.h"

#include <QtEndian>

namespace ostrevin::test {

namespace {

// A 16-byte little-endian header {length, version 1, message 8 (plist), tag}, then the plist.
void send(QLocalSocket* socket, quint32 tag, const QByteArray& dictBody)
{
    const QByteArray payload =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict>" + dictBody + "</dict></plist>";
    QByteArray packet(16, '\0');
    auto* header = reinterpret_cast<uchar*>(packet.data());
    qToLittleEndian<quint32>(16 + quint32(payload.size()), header);
    qToLittleEndian<quint32>(1, header + 4);
    qToLittleEndian<quint32>(8, header + 8);
    qToLittleEndian<quint32>(tag, header + 12);
    socket->write(packet + payload);
}

} // namespace

FakeUsbmuxd::FakeUsbmuxd(const QString& socketPath)
{
    m_server.listen(socketPath);
    QObject::connect(&m_server, &QLocalServer::newConnection, &m_server, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, &m_server, [this, socket] {
                m_listeners.removeOne(socket);
                socket->deleteLater();
            });
            QObject::connect(socket, &QLocalSocket::readyRead, &m_server, [this, socket] {
                while (socket->bytesAvailable() >= 16) {
                    const QByteArray header = socket->peek(16);
                    if (socket->bytesAvailable() < qFromLittleEndian<quint32>(header.constData()))
                        return;
                    const QByteArray request = socket->read(qFromLittleEndian<quint32>(header.constData()));
                    const quint32 tag = qFromLittleEndian<quint32>(header.constData() + 12);
                    const bool listen = request.contains("<string>Listen</string>");
                    send(socket, tag,
                         listen ? "<key>MessageType</key><string>Result</string><key>Number</key><integer>0</integer>"
                                : "<key>DeviceList</key><array/>");
                    if (listen)
                        m_listeners.append(socket);
                }
            });
        }
    });
}

void FakeUsbmuxd::attach(quint32 deviceID, const QString& udid)
{
    const QByteArray id = "<key>DeviceID</key><integer>" + QByteArray::number(deviceID) + "</integer>";
    tell("<key>MessageType</key><string>Attached</string>" + id +
         "<key>Properties</key><dict><key>ConnectionType</key><string>USB</string>" + id +
         "<key>SerialNumber</key><string>" + udid.toUtf8() + "</string></dict>");
}

void FakeUsbmuxd::detach(quint32 deviceID)
{
    tell("<key>MessageType</key><string>Detached</string><key>DeviceID</key><integer>" + QByteArray::number(deviceID) +
         "</integer>");
}

void FakeUsbmuxd::tell(const QByteArray& dictBody)
{
    for (QLocalSocket* socket : std::as_const(m_listeners))
        send(socket, 0, dictBody);
}

} // namespace ostrevin::test
