#include "platform/UsbmuxDeviceAttachmentWatcher.h"

#include "support/FakeUsbmuxd.h"
#include "support/TempDir.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace ostrevin;
using namespace ostrevin::test;

namespace {

TEST(UsbmuxDeviceAttachmentWatcher, SaysOnceThatNoUsbmuxdAnswersThenReportsAttachDetachAndReattach)
{
    const QString iphone = QStringLiteral("00008101-000A1B2C3D4E5F60");
    TempDir dir;
    const QString socket = dir.file(QStringLiteral("usbmuxd"));
    qputenv("USBMUXD_SOCKET_ADDRESS", "UNIX:" + socket.toUtf8());
    {
        UsbmuxDeviceAttachmentWatcher watcher;
        QSignalSpy unavailable(&watcher, &DeviceAttachmentWatcher::unavailable);
        ASSERT_TRUE(watcher.start());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !unavailable.isEmpty(); }, 10000));
        EXPECT_EQ(unavailable.size(), 1);
    }
    FakeUsbmuxd usbmuxd(socket);
    UsbmuxDeviceAttachmentWatcher watcher;
    QSignalSpy attached(&watcher, &DeviceAttachmentWatcher::deviceAttached);
    QSignalSpy detached(&watcher, &DeviceAttachmentWatcher::deviceDetached);
    QSignalSpy unavailable(&watcher, &DeviceAttachmentWatcher::unavailable);
    ASSERT_TRUE(watcher.start());
    ASSERT_TRUE(QTest::qWaitFor([&] { return usbmuxd.listeners() == 1; }, 10000));
    usbmuxd.attach(7, iphone);
    ASSERT_TRUE(QTest::qWaitFor([&] { return attached.size() == 1; }, 10000));
    usbmuxd.detach(7);
    ASSERT_TRUE(QTest::qWaitFor([&] { return detached.size() == 1; }, 10000));
    usbmuxd.attach(8, iphone); // plugged in again under a new device ID
    ASSERT_TRUE(QTest::qWaitFor([&] { return attached.size() == 2; }, 10000));
    EXPECT_EQ(QVariantList({attached[0][0], detached[0][0], attached[1][0]}), QVariantList(3, iphone));
    EXPECT_TRUE(unavailable.isEmpty());
}

} // namespace
