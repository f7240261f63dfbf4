#include "platform/Appearance.h"
#include "support/QtPrinters.h"
#include "views/kit/ActionButton.h"
#include "views/kit/Brand.h"
#include "views/kit/EmptyStateView.h"
#include "views/kit/FieldSurface.h"
#include "views/kit/IconButton.h"
#include "views/kit/KeyboardNavigation.h"
#include "views/kit/KitLabel.h"
#include "views/kit/LibraryRow.h"
#include "views/kit/Theme.h"

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace ostrevin;
using namespace ostrevin::kit;

namespace {

void hover(QWidget* widget)
{
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(widget, &enter);
}

} // namespace

TEST(LibraryRow, ShowsOnlyWhatItHasAndKeepsItsHoverWhenDisabled)
{
    LibraryRow row("mappin"_symbol, QStringLiteral("Home"), QString());
    row.resize(300, 40);
    row.show();
    auto* subtitle = row.findChildren<KitLabel*>().at(1);
    EXPECT_FALSE(subtitle->isVisible()) << "an empty subtitle leaves no second line";
    EXPECT_EQ(row.button()->toolTip(), QStringLiteral("Home"));
    row.setHint(QStringLiteral("Set this place"));
    EXPECT_EQ(row.button()->toolTip(), QStringLiteral("Set this place"));
    row.setSubtitle(QStringLiteral("50.08, 14.42"));
    EXPECT_TRUE(subtitle->isVisible());

    QSignalSpy activated(&row, &LibraryRow::activated);
    QTest::mouseClick(row.button(), Qt::LeftButton);
    EXPECT_EQ(activated.size(), 1);
    row.setRowEnabled(false);
    QTest::mouseClick(row.button(), Qt::LeftButton);
    EXPECT_EQ(activated.size(), 1) << "a disabled row runs no action";
    hover(&row);
    EXPECT_TRUE(row.isHovered()) << "the wash does not depend on the row being enabled";
}

TEST(IconButton, ShowsNoHoverWashWhileDisabled)
{
    IconButton button(QStringLiteral("Play"), "play.fill"_symbol);
    button.show();
    EXPECT_EQ(button.toolTip(), QStringLiteral("Play"));
    EXPECT_EQ(button.accessibleName(), QStringLiteral("Play"));
    hover(&button);
    EXPECT_TRUE(button.showsHoverWash());
    button.setEnabled(false);
    EXPECT_FALSE(button.showsHoverWash());
}

TEST(EmptyStateView, OffersAButtonOnlyWithBothATitleAndAnAction)
{
    struct Case {
        const char* name;
        QString title;
        bool withAction;
        bool button;
    };
    const Case cases[] = {
        {"both", QStringLiteral("Add"), true, true},
        {"title only", QStringLiteral("Add"), false, false},
        {"action only", QString(), true, false},
        {"neither", QString(), false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int runs = 0;
        std::function<void()> action;
        if (c.withAction)
            action = [&runs] { ++runs; };
        EmptyStateView view("bookmark"_symbol, QStringLiteral("Nothing saved yet."), c.title, action);
        const auto buttons = view.findChildren<QPushButton*>();
        ASSERT_EQ(buttons.size(), c.button ? 1 : 0);
        if (c.button) {
            buttons.first()->click();
            EXPECT_EQ(runs, 1);
        }
    }
}

TEST(KitLabel, WrapsShortTextsAndCutsLongOnesAfterTheirLastLine)
{
    const QString shortTitle = QStringLiteral("Saved places nearby");
    const QString longTitle = QStringLiteral("A route name long enough to need more than two lines at this width, "
                                             "so that the rest is cut with an ellipsis");
    struct Case {
        const char* name;
        QString text;
        int maximumLines;
        int width;
        qsizetype lines;
        bool cut;
    };
    const Case cases[] = {
        {"short, one line", shortTitle, 2, 400, 1, false}, {"short, wrapped", shortTitle, 2, 130, 2, false},
        {"long, two lines", longTitle, 2, 160, 2, true},   {"long, unlimited", longTitle, 0, 160, 4, false},
        {"single line", longTitle, 1, 160, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        KitLabel label(c.text, TextStyle::Title2);
        label.setMaximumLines(c.maximumLines);
        const QStringList lines = label.linesForWidth(c.width);
        if (c.maximumLines == 0) {
            EXPECT_GE(lines.size(), c.lines);
        } else {
            EXPECT_EQ(lines.size(), c.lines);
        }
        EXPECT_EQ(lines.last().endsWith(QChar(0x2026)), c.cut) << lines.join(u'|').toStdString();
        if (!c.cut) {
            EXPECT_EQ(lines.join(u' '), c.text);
        }
        const QFontMetrics metrics(label.fontForWidth(c.width));
        for (const QString& line : lines)
            EXPECT_LE(metrics.horizontalAdvance(line), c.width) << line.toStdString();
    }
}

TEST(KitLabel, ShrinksASingleLineOnlyDownToItsMinimumScale)
{
    KitLabel value(QStringLiteral("1,234.5 km"), TextStyle::Callout);
    value.setMaximumLines(1);
    value.setMinimumScale(0.7);
    const int natural = value.fontForWidth(1000).pixelSize();
    const int narrow = QFontMetrics(value.fontForWidth(1000)).horizontalAdvance(value.text());
    EXPECT_LT(value.fontForWidth(narrow * 9 / 10).pixelSize(), natural);
    EXPECT_GE(value.fontForWidth(narrow * 9 / 10).pixelSize(), int(natural * 0.7));
    EXPECT_EQ(value.fontForWidth(10).pixelSize(), int(natural * 0.7));
}

TEST(ActionButton, FillsFollowTheEnabledStateAndContrast)
{
    struct Case {
        const char* name;
        ActionButton::Kind kind;
        bool enabled;
        bool contrast;
        BrandColor fill;
        qreal fillOpacity;
    };
    const Case cases[] = {
        {"primary", ActionButton::Kind::Primary, true, false, BrandColor::Accent, 1.0},
        {"primary, disabled", ActionButton::Kind::Primary, false, false, BrandColor::Primary, 0.08},
        {"secondary", ActionButton::Kind::Secondary, true, false, BrandColor::Primary, 0.08},
        {"primary, high contrast", ActionButton::Kind::Primary, true, true, BrandColor::Accent, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppearanceState appearance;
        appearance.highContrast = c.contrast;
        FixedAppearance fixed(appearance);
        Theme theme(fixed);
        const Brand& brand = Brand::current();
        ActionButton button(QStringLiteral("Go"), c.kind);
        button.setEnabled(c.enabled);
        button.resize(200, 38);
        QImage image(button.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(brand.window);
        button.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());

        // Inside the shape, away from the label: the fill over the window colour.
        const QColor expectedFill = brand.color(c.fill);
        const qreal a = expectedFill.alphaF() * c.fillOpacity;
        const QColor inside = image.pixelColor(20, 19);
        EXPECT_NEAR(inside.redF(), expectedFill.redF() * a + brand.window.redF() * (1 - a), 0.02);
        EXPECT_NEAR(inside.greenF(), expectedFill.greenF() * a + brand.window.greenF() * (1 - a), 0.02);
        // On the edge (mid-height, first column): a border only with high contrast.
        const QColor edge = image.pixelColor(0, 19);
        const bool bordered = qAbs(edge.lightnessF() - inside.lightnessF()) > 0.1;
        EXPECT_EQ(bordered, c.contrast);
    }
}

TEST(FieldSurface, ShowsFocusWhileItsFieldHasItUnlessTheCallerDecides)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* field = new QLineEdit;
    auto* surface = new FieldSurface(field);
    auto* other = new QLineEdit;
    layout->addWidget(surface);
    layout->addWidget(other);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    other->setFocus();
    EXPECT_FALSE(surface->showsFocus());
    field->setFocus();
    EXPECT_TRUE(surface->showsFocus());
    surface->setFocused(false);
    EXPECT_FALSE(surface->showsFocus()) << "a field with its own idea of focus decides";
}

// A held Return as X11 sends it: releases and presses at one server time, which Qt
// often fails to mark as repeats. A button is pressed once per press of the hand.
TEST(HeldActionKeys, PressAButtonOncePerPress)
{
    QPushButton button;
    button.setAutoDefault(true);
    ignoreHeldActionKeys(button);
    QSignalSpy clicks(&button, &QPushButton::clicked);
    // Pressed at 1000, repeated at 1500 and 1540, let go at 1600, pressed again at 1700.
    bool press = true;
    for (const int time : {1000, 1500, 1500, 1540, 1540, 1600, 1700}) {
        QKeyEvent key(press ? QEvent::KeyPress : QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, 36, 0, 0);
        key.setTimestamp(time);
        QApplication::sendEvent(&button, &key);
        press = !press;
    }
    EXPECT_EQ(clicks.count(), 2);
}
