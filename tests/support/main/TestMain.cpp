#include <QCoreApplication>
#include <gtest/gtest.h>

// Tests of the lower layers get an application object (for event loops, timers
// and the network stack) but no GUI.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
