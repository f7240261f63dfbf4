#include "support/FakeUsbmuxd.h"

#include "platform/PropertyListReader.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QtEndian>
#include <algorithm>

namespace ostrevin::test {

namespace {

constexpr quint32 headerSize = 16;
constexpr quint32 plistMessage = 8;

QByteArray plist(const QByteArray& dictBody)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">\n<dict>\n" +
           dictBody + "</dict>\n</plist>\n";
}

QByteArray entry(const char* key, const QByteArray& value)
{
    return QByteArray("\t<key>") + key + "</key>\n\t" + value + '\n';
}

QByteArray string(const QString& text)
{
    return "<string>" + text.toHtmlEscaped().toUtf8() + "</string>";
}

QByteArray integer(quint32 number)
{
    return "<integer>" + QByteArray::number(number) + "</integer>";
}

} // namespace

FakeUsbmuxd::FakeUsbmuxd(const QString& socketPath) : m_path(socketPath), m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(socketPath))
        qFatal("FakeUsbmuxd cannot listen at %s: %s", qPrintable(socketPath), qPrintable(m_server->errorString()));
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            auto* client = new Client{socket, {}, false};
            m_clients.append(client);
            connect(socket, &QLocalSocket::readyRead, this, [this, client] { readFrom(*client); });
            connect(socket, &QLocalSocket::disconnected, this, [this, client] {
                m_clients.removeOne(client);
                client->socket->deleteLater();
                delete client;
            });
        }
    });
}

FakeUsbmuxd::~FakeUsbmuxd()
{
    for (Client* client : std::as_const(m_clients)) {
        client->socket->disconnect(this);
        client->socket->abort();
        delete client;
    }
    m_server->close();
}

QByteArray FakeUsbmuxd::address() const
{
    return "UNIX:" + m_path.toUtf8();
}

int FakeUsbmuxd::listeners() const
{
    return static_cast<int>(
        std::count_if(m_clients.begin(), m_clients.end(), [](const Client* c) { return c->listening; }));
}

void FakeUsbmuxd::attach(quint32 deviceID, const QString& udid)
{
    const Device device{deviceID, udid};
    m_devices.append(device);
    for (Client* client : std::as_const(m_clients)) {
        if (client->listening)
            send(client->socket, 0, attachedBody(device));
    }
}

void FakeUsbmuxd::detach(quint32 deviceID)
{
    m_devices.removeIf([deviceID](const Device& device) { return device.id == deviceID; });
    const QByteArray body =
        entry("DeviceID", integer(deviceID)) + entry("MessageType", string(QStringLiteral("Detached")));
    for (Client* client : std::as_const(m_clients)) {
        if (client->listening)
            send(client->socket, 0, body);
    }
}

QByteArray FakeUsbmuxd::attachedBody(const Device& device)
{
    const QByteArray properties = "<dict>\n" + entry("ConnectionType", string(QStringLiteral("USB"))) +
                                  entry("DeviceID", integer(device.id)) + entry("LocationID", integer(0x14100000)) +
                                  entry("ProductID", integer(0x12a8)) + entry("SerialNumber", string(device.udid)) +
                                  "\t</dict>";
    return entry("DeviceID", integer(device.id)) + entry("MessageType", string(QStringLiteral("Attached"))) +
           entry("Properties", properties);
}

void FakeUsbmuxd::readFrom(Client& client)
{
    client.pending += client.socket->readAll();
    while (client.pending.size() >= qsizetype(headerSize)) {
        const auto* header = reinterpret_cast<const uchar*>(client.pending.constData());
        const quint32 length = qFromLittleEndian<quint32>(header);
        const quint32 tag = qFromLittleEndian<quint32>(header + 12);
        if (length < headerSize) {
            client.socket->abort();
            return;
        }
        if (client.pending.size() < qsizetype(length))
            return;
        const QByteArray body = client.pending.mid(headerSize, length - headerSize);
        client.pending.remove(0, length);
        answer(client, tag, body);
    }
}

void FakeUsbmuxd::answer(Client& client, quint32 tag, const QByteArray& request)
{
    const QString type =
        PropertyListReader::read(request).value_or(QVariant()).toMap().value(QStringLiteral("MessageType")).toString();
    if (type == u"Listen") {
        send(client.socket, tag, entry("MessageType", string(QStringLiteral("Result"))) + entry("Number", integer(0)));
        client.listening = true;
        for (const Device& device : std::as_const(m_devices))
            send(client.socket, 0, attachedBody(device));
    } else if (type == u"ListDevices") {
        QByteArray list = "<array>\n";
        for (const Device& device : std::as_const(m_devices))
            list += "\t<dict>\n" + attachedBody(device) + "\t</dict>\n";
        send(client.socket, tag, entry("DeviceList", list + "\t</array>"));
    } else {
        // usbmuxd's "bad command".
        send(client.socket, tag, entry("MessageType", string(QStringLiteral("Result"))) + entry("Number", integer(1)));
    }
}

void FakeUsbmuxd::send(QLocalSocket* socket, quint32 tag, const QByteArray& plistBody)
{
    const QByteArray payload = plist(plistBody);
    QByteArray packet(headerSize, '\0');
    auto* header = reinterpret_cast<uchar*>(packet.data());
    qToLittleEndian<quint32>(headerSize + quint32(payload.size()), header);
    qToLittleEndian<quint32>(1, header + 4);
    qToLittleEndian<quint32>(plistMessage, header + 8);
    qToLittleEndian<quint32>(tag, header + 12);
    socket->write(packet + payload);
    socket->flush();
}

} // namespace ostrevin::test
