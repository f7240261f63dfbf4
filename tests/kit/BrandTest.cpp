#include "views/kit/Brand.h"

#include "platform/Appearance.h"
#include "views/kit/GlassSurface.h"
#include "views/kit/Theme.h"

#include <QApplication>
#include <cmath>
#include <gtest/gtest.h>

using namespace ostrevin;
using namespace ostrevin::kit;

namespace {

AppearanceState look(bool dark, bool contrast, bool reducedTransparency = false)
{
    AppearanceState state;
    state.dark = dark;
    state.highContrast = contrast;
    state.reducedTransparency = reducedTransparency;
    return state;
}

} // namespace

TEST(Brand, ResolvesEveryColourForEachAppearance)
{
    struct Case {
        const char* name;
        AppearanceState appearance;
        QRgb accent, accentText, ready, attention, failure;
    };
    const Case cases[] = {
        {"light", look(false, false), 0x087A82, 0x0A6C74, 0x28CD41, 0xFF9500, 0xFF3B30},
        {"dark", look(true, false), 0x0C7F88, 0x45D6CF, 0x32D74B, 0xFF9F0A, 0xFF453A},
        {"light, high contrast", look(false, true), 0x055A60, 0x064D53, 0x28CD41, 0xFF9500, 0xFF3B30},
        {"dark, high contrast", look(true, true), 0x0A6C74, 0x8AEDE7, 0x32D74B, 0xFF9F0A, 0xFF453A},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QPalette palette = Theme::paletteFor(c.appearance);
        const Brand brand = Brand::resolve(c.appearance, palette);
        EXPECT_EQ(brand.accent.rgb() & 0xFFFFFF, c.accent);
        EXPECT_EQ(brand.accentText.rgb() & 0xFFFFFF, c.accentText);
        EXPECT_EQ(brand.ready.rgb() & 0xFFFFFF, c.ready);
        EXPECT_EQ(brand.attention.rgb() & 0xFFFFFF, c.attention);
        EXPECT_EQ(brand.failure.rgb() & 0xFFFFFF, c.failure);
        EXPECT_EQ(brand.onAccent, QColor(Qt::white));
        EXPECT_EQ(brand.accentWash.rgb(), brand.accent.rgb());
        EXPECT_NEAR(brand.accentWash.alphaF(), 0.14, 0.01);
        // Text colours come from the palette, so they follow its lightness.
        EXPECT_EQ(brand.primary, palette.color(QPalette::WindowText));
        EXPECT_EQ(Theme::isDark(palette), c.appearance.dark);
        EXPECT_EQ(brand.secondary.rgb(), brand.primary.rgb());
        EXPECT_NEAR(brand.secondary.alphaF(), 0.55, 0.01);
        EXPECT_NEAR(brand.idle.alphaF(), 0.26, 0.01);
    }
}

TEST(GlassSurface, PicksFillBorderAndShadowByEmphasisAndAccessibility)
{
    struct Case {
        const char* name;
        GlassEmphasis emphasis;
        AppearanceState appearance;
        bool translucent;
        qreal borderOpacity, borderWidth, shadowOpacity, shadowRadius;
    };
    const Case cases[] = {
        {"standard is opaque", GlassEmphasis::Standard, look(false, false), false, 0.1, 1.0, 0.08, 4},
        {"elevated is translucent", GlassEmphasis::Elevated, look(false, false), true, 0.14, 1.0, 0.16, 12},
        {"elevated, reduced transparency", GlassEmphasis::Elevated, look(true, false, true), false, 0.14, 1.0, 0.16,
         12},
        {"standard, high contrast", GlassEmphasis::Standard, look(false, true), false, 0.4, 1.5, 0.08, 4},
        {"elevated, high contrast", GlassEmphasis::Elevated, look(true, true), true, 0.4, 1.5, 0.16, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Brand brand = Brand::resolve(c.appearance, Theme::paletteFor(c.appearance));
        const GlassLook glass = glassLook(c.emphasis, brand);
        EXPECT_EQ(glass.translucent, c.translucent);
        EXPECT_EQ(glass.fill.rgb(), c.translucent ? brand.window.rgb() : brand.base.rgb());
        EXPECT_NEAR(glass.fill.alphaF(), c.translucent ? 0.86 : 1.0, 0.01);
        EXPECT_NEAR(glass.border.alphaF(), c.borderOpacity, 0.01);
        EXPECT_EQ(glass.borderWidth, c.borderWidth);
        EXPECT_EQ(glass.shadowOpacity, c.shadowOpacity);
        EXPECT_EQ(glass.shadowRadius, c.shadowRadius);
        EXPECT_EQ(glass.shadowOffsetY, 3);
    }
}

TEST(Theme, FollowsTheAppearanceWhereTheDesktopPaletteDisagrees)
{
    QApplication::setPalette(Theme::paletteFor(look(false, false)));
    FixedAppearance appearance(look(false, false));
    Theme theme(appearance);
    EXPECT_FALSE(Theme::isDark(QApplication::palette()));
    EXPECT_EQ(Brand::current().accent, QColor(0x087A82));

    appearance.set(look(true, false));
    EXPECT_TRUE(Theme::isDark(QApplication::palette()));
    EXPECT_EQ(Brand::current().accent, QColor(0x0C7F88));
    EXPECT_EQ(Brand::current().primary, QApplication::palette().color(QPalette::WindowText));

    appearance.set(look(true, true));
    EXPECT_EQ(Brand::current().accentText, QColor(0x8AEDE7));
    EXPECT_EQ(QApplication::palette().color(QPalette::WindowText), QColor(Qt::white));
}

namespace {

// WCAG's contrast ratio of two opaque colours.
double contrast(const QColor& a, const QColor& b)
{
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

QColor over(const QColor& top, const QColor& bottom)
{
    const qreal a = top.alphaF();
    return QColor::fromRgbF(float(top.redF() * a + bottom.redF() * (1 - a)),
                            float(top.greenF() * a + bottom.greenF() * (1 - a)),
                            float(top.blueF() * a + bottom.blueF() * (1 - a)));
}

} // namespace

TEST(Theme, KeepsTextLegibleInEveryAppearance)
{
    const std::pair<const char*, AppearanceState> looks[] = {
        {"light", look(false, false)},
        {"dark", look(true, false)},
        {"light, high contrast", look(false, true)},
        {"dark, high contrast", look(true, true)},
    };
    for (const auto& [name, appearance] : looks) {
        SCOPED_TRACE(name);
        const Brand brand = Brand::resolve(appearance, Theme::paletteFor(appearance));
        const double body = appearance.highContrast ? 7.0 : 4.5;
        for (const QColor& background : {brand.window, brand.base}) {
            EXPECT_GE(contrast(brand.primary, background), body);
            EXPECT_GE(contrast(brand.accentText, background), 4.5);
            EXPECT_GE(contrast(over(brand.secondary, background), background), 3.0);
        }
        EXPECT_GE(contrast(brand.onAccent, brand.accent), 4.5);
    }
}
