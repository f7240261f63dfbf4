// The real watcher through the real libusbmuxd, against a usbmuxd of the test's
// own that libusbmuxd reaches through USBMUXD_SOCKET_ADDRESS (each case runs in
// its own process, so the variable stays with it).

#include "platform/UsbmuxDeviceAttachmentWatcher.h"

#include "support/FakeUsbmuxd.h"
#include "support/TempDir.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace ostrevin;
using namespace ostrevin::test;

namespace {

const QString iphone = QStringLiteral("00008101-000A1B2C3D4E5F60");

TEST(UsbmuxDeviceAttachmentWatcher, ReportsAttachDetachAndReattachAsUsbmuxdSendsThem)
{
    TempDir dir;
    FakeUsbmuxd usbmuxd(dir.file(QStringLiteral("usbmuxd")));
    qputenv("USBMUXD_SOCKET_ADDRESS", usbmuxd.address());
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
    // Plugged in again, under a new device ID as usbmuxd gives it.
    usbmuxd.attach(8, iphone);
    ASSERT_TRUE(QTest::qWaitFor([&] { return attached.size() == 2; }, 10000));

    EXPECT_EQ(attached.at(0).at(0).toString(), iphone);
    EXPECT_EQ(detached.at(0).at(0).toString(), iphone);
    EXPECT_EQ(attached.at(1).at(0).toString(), iphone);
    EXPECT_TRUE(unavailable.isEmpty());
    watcher.stop();
}

TEST(UsbmuxDeviceAttachmentWatcher, SaysOnceThatNoUsbmuxdAnswers)
{
    TempDir dir;
    qputenv("USBMUXD_SOCKET_ADDRESS", "UNIX:" + dir.file(QStringLiteral("nobody-listens")).toUtf8());
    UsbmuxDeviceAttachmentWatcher watcher;
    QSignalSpy unavailable(&watcher, &DeviceAttachmentWatcher::unavailable);
    ASSERT_TRUE(watcher.start());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !unavailable.isEmpty(); }, 10000));
    EXPECT_EQ(unavailable.size(), 1);
    watcher.stop();
}

} // namespace
