#include "platform/TerminationSignals.h"

#include <QSignalSpy>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>

using namespace ostrevin;

namespace {

volatile sig_atomic_t earlierHandlerRan = 0;

extern "C" void earlierHandler(int)
{
    earlierHandlerRan = 1;
}

} // namespace

TEST(TerminationSignals, EachSignalArrivesOnTheEventLoopAndTheProcessLives)
{
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signalNumber);
        TerminationSignals signals_;
        ASSERT_TRUE(signals_.isActive());
        QSignalSpy received(&signals_, &TerminationSignals::received);
        ASSERT_EQ(::raise(signalNumber), 0);
        ASSERT_TRUE(received.wait(5000));
        EXPECT_EQ(received.count(), 1);
        EXPECT_EQ(received.first().first().toInt(), signalNumber);
    }
}

TEST(TerminationSignals, OnlyOneInstanceHandlesAndTheEarlierHandlerComesBack)
{
    struct sigaction action {};
    action.sa_handler = earlierHandler;
    sigemptyset(&action.sa_mask);
    struct sigaction saved {};
    ::sigaction(SIGHUP, &action, &saved);
    {
        TerminationSignals first;
        TerminationSignals second;
        EXPECT_TRUE(first.isActive());
        EXPECT_FALSE(second.isActive());
        QSignalSpy received(&first, &TerminationSignals::received);
        ::raise(SIGHUP);
        ASSERT_TRUE(received.wait(5000));
        EXPECT_EQ(earlierHandlerRan, 0);
    }
    ::raise(SIGHUP);
    EXPECT_EQ(earlierHandlerRan, 1);
    ::sigaction(SIGHUP, &saved, nullptr);
}
