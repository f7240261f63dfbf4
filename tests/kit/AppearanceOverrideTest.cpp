#include "platform/Appearance.h"
#include "platform/PlatformFactory.h"

#include <gtest/gtest.h>

using namespace ostrevin;

TEST(AppearanceOverride, ReadsTheFourNamesAndRefusesTheRest)
{
    struct Case {
        const char* text;
        std::optional<std::pair<bool, bool>> darkAndContrast;
    };
    const Case cases[] = {
        {"light", std::pair{false, false}},
        {"dark", std::pair{true, false}},
        {"light-contrast", std::pair{false, true}},
        {"dark-contrast", std::pair{true, true}},
        {" Dark ", std::pair{true, false}},
        {"", std::nullopt},
        {"auto", std::nullopt},
        {"dark-", std::nullopt},
        {"darkcontrast", std::nullopt},
        {"dark-contrast-x", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto state = parseAppearanceOverride(QString::fromUtf8(c.text));
        ASSERT_EQ(state.has_value(), c.darkAndContrast.has_value());
        if (!state)
            continue;
        EXPECT_EQ(state->dark, c.darkAndContrast->first);
        EXPECT_EQ(state->highContrast, c.darkAndContrast->second);
        // Pictures of a pinned look must not depend on when they were taken.
        EXPECT_TRUE(state->reducedMotion);
        EXPECT_EQ(appearanceName(*state), QString::fromUtf8(c.text).trimmed().toLower());
    }
}

TEST(AppearanceOverride, TheEnvironmentPinsTheFactorysAppearance)
{
    qputenv("OSTREVIN_APPEARANCE", "dark-contrast");
    auto pinned = PlatformFactory::createAppearance([] { return false; });
    EXPECT_TRUE(pinned->current().dark);
    EXPECT_TRUE(pinned->current().highContrast);

    // A misspelt value is not a silent light look: it is ignored with a warning
    // and the desktop decides (here: no portal on the test's bus, a dark palette).
    qputenv("OSTREVIN_APPEARANCE", "drak");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/ostrevin-test-bus");
    auto desktop = PlatformFactory::createAppearance([] { return true; });
    EXPECT_TRUE(desktop->current().dark);
    EXPECT_FALSE(desktop->current().highContrast);
    qunsetenv("OSTREVIN_APPEARANCE");
}
