// Controls of the kit show the keyboard focus, and a disabled one looks disabled.
#include "support/FocusPictures.h"
#include "views/kit/ActionButton.h"
#include "views/kit/Brand.h"
#include "views/kit/LinkButton.h"

#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace ostrevin;
using namespace ostrevin::kit;

TEST(KitFocus, EveryControlDrawsItsFocusAndThePrimaryButtonsRingShowsOnItsFill)
{
    struct Case {
        const char* name;
        std::function<QAbstractButton*()> make;
    };
    const Case cases[] = {
        {"primary button", [] { return new ActionButton(QStringLiteral("Set location")); }},
        {"secondary button",
         [] { return new ActionButton(QStringLiteral("Check again"), ActionButton::Kind::Secondary); }},
        {"link", [] { return new LinkButton(QStringLiteral("Clear route…"), BrandColor::Failure); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        QAbstractButton* button = c.make();
        layout->addWidget(button);
        const test::FocusPictures pictures = test::focusPictures(*button);
        ASSERT_TRUE(pictures.hadFocus);
        EXPECT_NE(pictures.focused, pictures.unfocused);
        if (std::string_view(c.name) == "primary button") {
            // The ring's middle, 1 px in from the top edge, halfway along: not the fill's accent.
            const QColor ring = pictures.focused.pixelColor(pictures.focused.width() / 2, 1);
            const QColor accent = Brand::current().accent;
            EXPECT_GT(std::abs(ring.lightness() - accent.lightness()), 40) << ring.name().toStdString();
        }
    }
}

TEST(KitLook, ADisabledLinkLooksDisabled)
{
    LinkButton link(QStringLiteral("Clear route…"), BrandColor::Failure);
    link.resize(link.sizeHint());
    const QImage enabled = link.grab().toImage();
    link.setEnabled(false);
    EXPECT_NE(link.grab().toImage(), enabled);
}

TEST(KitLook, AButtonsSymbolStandsBeforeItsTitleAndWidensIt)
{
    ActionButton plain(QStringLiteral("Set location"));
    ActionButton withSymbol(QStringLiteral("Set location"));
    withSymbol.setSymbol("location.fill"_symbol);
    EXPECT_GT(withSymbol.sizeHint().width(), plain.sizeHint().width());
    plain.resize(280, plain.heightForWidth(280));
    withSymbol.resize(plain.size());
    EXPECT_NE(withSymbol.grab().toImage(), plain.grab().toImage());
    // Narrow, the title wraps beside the symbol and the button grows.
    EXPECT_GT(withSymbol.heightForWidth(60), withSymbol.heightForWidth(280));
}
