#include <QApplication>
#include <gtest/gtest.h>

// Tests that build widgets; ctest runs them on the offscreen platform.
int main(int argc, char** argv)
{
    // ctest lists the cases by running this program without the test environment,
    // and without a display the default platform plugin aborts.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // No test reaches a public service: windows that build a map or a search field
    // get no tiles and addresses that refuse at once, unless a test says otherwise.
    for (const char* name : {"OSTREVIN_TILES_URL", "OSTREVIN_SATELLITE_TILES_URL", "OSTREVIN_HYBRID_TILES_URL"}) {
        if (!qEnvironmentVariableIsSet(name))
            qputenv(name, "off");
    }
    for (const char* name : {"OSTREVIN_GEOCODER_URL", "OSTREVIN_DIRECTIONS_CAR_URL", "OSTREVIN_DIRECTIONS_FOOT_URL"}) {
        if (!qEnvironmentVariableIsSet(name))
            qputenv(name, "http://127.0.0.1:9");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
