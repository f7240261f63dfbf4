#include "platform/KeepAwakeToken.h"
#include "platform/LinuxKeepAwake.h"
#include "support/CapturedWarnings.h"

#include <QDBusConnection>
#include <QTest>
#include <atomic>
#include <barrier>
#include <gtest/gtest.h>
#include <optional>
#include <thread>
#include <vector>

using namespace ostrevin;

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

    std::optional<test::CapturedWarnings> capture(std::in_place);
    auto token = keepAwake.begin(QStringLiteral("Ostrevin is holding the iPhone's simulated location."));
    const QStringList warnings = capture->warnings();
    capture.reset();

    ASSERT_NE(token, nullptr);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings.first().contains(u"may sleep")) << warnings.first().toStdString();
    token->end();
    token.reset();
}
