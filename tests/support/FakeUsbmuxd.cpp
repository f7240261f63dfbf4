#include "support/FakeUsbmuxd.h"

#include <QtEndian>

namespace ostrevin::test {

namespace {

QByteArray entry(const char* key, const QByteArray& value)
{
    return QByteArray("<key>") + key + "</key>" + value;
}

// A 16-byte little-endian header {length, version 1, message 8 (plist), tag}, then the plist.
void send(QLocalSocket* socket, quint32 tag, const QByteArray& plistBody)
{
    const QByteArray payload =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict>" + plistBody + "</dict></plist>";
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
                    const quint32 length = qFromLittleEndian<quint32>(header.constData());
                    if (socket->bytesAvailable() < length)
                        return;
                    const QByteArray request = socket->read(length);
                    const quint32 tag = qFromLittleEndian<quint32>(header.constData() + 12);
                    if (request.contains("<string>Listen</string>")) {
                        send(socket, tag,
                             entry("MessageType", "<string>Result</string>") + entry("Number", "<integer>0</integer>"));
                        m_listeners.append(socket);
                    } else {
                        send(socket, tag, entry("DeviceList", "<array/>"));
                    }
                }
            });
        }
    });
}

void FakeUsbmuxd::attach(quint32 deviceID, const QString& udid)
{
    const QByteArray id = entry("DeviceID", "<integer>" + QByteArray::number(deviceID) + "</integer>");
    tell(entry("MessageType", "<string>Attached</string>") + id +
         entry("Properties", "<dict>" + entry("ConnectionType", "<string>USB</string>") + id +
                                 entry("SerialNumber", "<string>" + udid.toUtf8() + "</string>") + "</dict>"));
}

void FakeUsbmuxd::detach(quint32 deviceID)
{
    tell(entry("MessageType", "<string>Detached</string>") +
         entry("DeviceID", "<integer>" + QByteArray::number(deviceID) + "</integer>"));
}

void FakeUsbmuxd::tell(const QByteArray& plistBody)
{
    for (QLocalSocket* socket : std::as_const(m_listeners))
        send(socket, 0, plistBody);
}

} // namespace ostrevin::test
