#include "platform/KeepAwakeToken.h"
#include "platform/LinuxKeepAwake.h"

#include <QDBusConnection>
#include <QTest>
#include <atomic>
#include <barrier>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace ostrevin;

namespace {

QStringList g_warnings;

void recordWarnings(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtWarningMsg)
        g_warnings << message;
}

} // namespace

TEST(KeepAwakeToken, EndsExactlyOnceWhateverEndsItAndFromWhicheverThread)
{
    for (int round = 0; round < 50; ++round) {
        std::atomic<int> releases = 0;
        auto token = std::make_unique<KeepAwakeToken>([&] { ++releases; });
        std::barrier start(5);
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&] {
                start.arrive_and_wait();
                token->end();
            });
        }
        start.arrive_and_wait();
        token->end();
        for (auto& thread : threads)
            thread.join();
        token.reset();
        ASSERT_EQ(releases.load(), 1) << "round " << round;
    }

    std::atomic<int> releases = 0;
    {
        KeepAwakeToken dropped([&] { ++releases; });
    }
    EXPECT_EQ(releases.load(), 1);
}

TEST(LinuxKeepAwake, WithoutAnyBusTheActivityIsALoggedNoOp)
{
    const QDBusConnection none(QStringLiteral("ostrevin-no-such-connection"));
    ASSERT_FALSE(none.isConnected());
    LinuxKeepAwake keepAwake(none, none);

    g_warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(recordWarnings);
    auto token = keepAwake.begin(QStringLiteral("Ostrevin is holding the iPhone's simulated location."));
    qInstallMessageHandler(previous);

    ASSERT_NE(token, nullptr);
    ASSERT_EQ(g_warnings.size(), 1);
    EXPECT_TRUE(g_warnings.first().contains(u"may sleep")) << g_warnings.first().toStdString();
    token->end();
    token.reset();
}
