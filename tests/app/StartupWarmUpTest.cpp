#include "app/StartupWarmUp.h"

#include "views/kit/Symbols.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QImageReader>
#include <gtest/gtest.h>
#include <optional>

using namespace ostrevin;

TEST(StartupWarmUp, TheInterfaceThreadGetsFontsAndImagesWhileItRunsAndItsEndWaitsForItsThreads)
{
    for (const bool usedMeanwhile : {true, false}) {
        SCOPED_TRACE(usedMeanwhile ? "used while it runs" : "gone at once");
        const FontConfigurationWarmUp configuration;
        std::optional<StartupWarmUp> warmUp(std::in_place, configuration);
        if (usedMeanwhile) {
            // What start-up does right after it begins, long before it can have ended.
            ASSERT_TRUE(kit::loadSymbolFont());
            const QFont symbols = kit::symbolFont(24);
            EXPECT_EQ(QFontInfo(symbols).family(), QStringLiteral("Material Icons"));
            EXPECT_GT(QFontMetrics(symbols).horizontalAdvance(
                          kit::SymbolName::fromString(QStringLiteral("car.fill")).glyph()),
                      0);
            QImageReader icon(QStringLiteral(OSTREVIN_SOURCE_DIR "/data/icons/com.ostrevin.Ostrevin.svg"));
            EXPECT_FALSE(icon.read().isNull()) << icon.errorString().toStdString();
        }
        // Its threads read the font and image plug-in lists, which go with the application.
        warmUp.reset();
    }
}
