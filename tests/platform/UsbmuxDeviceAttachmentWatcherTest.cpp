#include "platform/UsbmuxDeviceAttachmentWatcher.h"

#include "support/TempDir.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace ostrevin;

namespace {

// usbmuxd's plist packet: a 16-byte little-endian header {length, version 1, message 8 (plist), tag}, then the plist.
void send(QLocalSocket* socket, quint32 tag, const QByteArray& dict)
{
    const QByteArray plist = "<plist version=\"1.0\"><dict>" + dict + "</dict></plist>";
    const quint32 header[] = {qToLittleEndian(quint32(16 + plist.size())), qToLittleEndian(1u), qToLittleEndian(8u),
                              qToLittleEndian(tag)};
    socket->write(QByteArray(reinterpret_cast<const char*>(header), 16) + plist);
}

// On Debian usbmuxd runs only while an iPhone is plugged in, and libusbmuxd waits
// for it to start: a watcher started before it is not one that cannot report.
TEST(UsbmuxDeviceAttachmentWatcher, StartsWithoutUsbmuxdRunningThenReportsAttachDetachAndReattach)
{
    const QString iphone = QStringLiteral("00008101-000A1B2C3D4E5F60");
    test::TempDir dir;
    const QString path = dir.file(QStringLiteral("usbmuxd"));
    qputenv("USBMUXD_SOCKET_ADDRESS", "UNIX:" + path.toUtf8());
    {
        UsbmuxDeviceAttachmentWatcher watcher;
        QSignalSpy unavailable(&watcher, &DeviceAttachmentWatcher::unavailable);
        ASSERT_TRUE(watcher.start());
        EXPECT_FALSE(QTest::qWaitFor([&] { return !unavailable.isEmpty(); }, 1000));
    }
    // usbmuxd, answering one request a connection: "Listen" with a result, "ListDevices" with no devices.
    QLocalServer usbmuxd;
    QList<QLocalSocket*> listeners;
    QObject::connect(&usbmuxd, &QLocalServer::newConnection, [&] {
        while (QLocalSocket* socket = usbmuxd.nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::readyRead, [&, socket] {
                const QByteArray header = socket->peek(16);
                if (header.size() < 16 || socket->bytesAvailable() < qFromLittleEndian<quint32>(header.constData()))
                    return;
                const bool listen = socket->readAll().contains("<string>Listen</string>");
                send(socket, qFromLittleEndian<quint32>(header.constData() + 12),
                     listen ? "<key>MessageType</key><string>Result</string><key>Number</key><integer>0</integer>"
                            : "<key>DeviceList</key><array/>");
                if (listen)
                    listeners.append(socket);
            });
        }
    });
    ASSERT_TRUE(usbmuxd.listen(path));
    const auto tell = [&](const QByteArray& event, int deviceID) {
        const QByteArray id = "<key>DeviceID</key><integer>" + QByteArray::number(deviceID) + "</integer>";
        for (QLocalSocket* socket : std::as_const(listeners))
            send(socket, 0,
                 "<key>MessageType</key><string>" + event + "</string>" + id + "<key>Properties</key><dict>" + id +
                     "<key>ConnectionType</key><string>USB</string><key>SerialNumber</key><string>" + iphone.toUtf8() +
                     "</string></dict>");
    };
    UsbmuxDeviceAttachmentWatcher watcher;
    QSignalSpy attached(&watcher, &DeviceAttachmentWatcher::deviceAttached);
    QSignalSpy detached(&watcher, &DeviceAttachmentWatcher::deviceDetached);
    QSignalSpy unavailable(&watcher, &DeviceAttachmentWatcher::unavailable);
    ASSERT_TRUE(watcher.start());
    ASSERT_TRUE(QTest::qWaitFor([&] { return listeners.size() == 1; }, 10000));
    tell("Attached", 7);
    tell("Detached", 7);
    tell("Attached", 8); // plugged in again under a new device ID
    ASSERT_TRUE(QTest::qWaitFor([&] { return attached.size() == 2 && detached.size() == 1; }, 10000));
    EXPECT_EQ(QVariantList({attached[0][0], detached[0][0], attached[1][0]}), QVariantList(3, iphone));
    EXPECT_TRUE(unavailable.isEmpty());
}

} // namespace
