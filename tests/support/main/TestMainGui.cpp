#include <QApplication>
#include <gtest/gtest.h>

// Tests that build widgets; ctest runs them on the offscreen platform.
int main(int argc, char** argv)
{
    // ctest lists the cases by running this program without the test environment,
    // and without a display the default platform plugin aborts.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
