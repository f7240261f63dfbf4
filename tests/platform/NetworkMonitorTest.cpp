#include "platform/SystemNetworkMonitor.h"
#include "support/FakeNetworkMonitor.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>
#include <thread>

using namespace ostrevin;

TEST(SystemNetworkMonitor, WithoutAUsableBackendTheMachineCountsAsOnline)
{
    SystemNetworkMonitor monitor({QStringLiteral("ostrevin-no-such-backend")});
    QSignalSpy reports(&monitor, &NetworkMonitor::reachabilityReported);
    monitor.start();
    ASSERT_EQ(reports.count(), 1);
    EXPECT_TRUE(reports.first().first().toBool());
}

TEST(FakeNetworkMonitor, AReportFromAnotherThreadReachesTheReceiverOnItsOwnThread)
{
    test::FakeNetworkMonitor monitor(false);
    QObject receiver;
    QList<std::pair<bool, bool>> received; // online, on the receiver's thread
    QObject::connect(&monitor, &NetworkMonitor::reachabilityReported, &receiver, [&](bool online) {
        received.append({online, QThread::currentThread() == receiver.thread()});
    });
    monitor.start();
    std::thread([&] { monitor.report(true); }).join();
    monitor.stop();
    monitor.report(false);

    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() == 2; }, 10000));
    QTest::qWait(50);
    EXPECT_EQ(received, (QList<std::pair<bool, bool>>{{false, true}, {true, true}}));
}
