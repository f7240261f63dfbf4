// Floating windows and translucent fills on a plain X11 server with no compositing
// manager; run through tests/alerts/with-xvfb.sh.
#include "DeleteChildren.h"
#include "views/controls/SymbolButton.h"
#include "views/device/DeviceSetupPopover.h"
#include "views/device/DeviceStatusPill.h"
#include "views/kit/GlassSurface.h"

#include <QScreen>
#include <QTest>

using namespace ostrevin;
using namespace ostrevin::test;

namespace {

class NoCompositorTest : public WindowedPlannerFixture {};

TEST_F(NoCompositorTest, ThePopoversCornersShowTheWindowBeneathNotBlack)
{
    ASSERT_FALSE(kit::desktopCompositesWindows());
    build();
    const QColor beneath(0, 200, 120);
    window.setWindowFlag(Qt::FramelessWindowHint);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, beneath);
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    window.setGeometry(0, 0, 700, 700);
    auto* pill = new DeviceStatusPill(*vm, vm->windowState(), &window);
    pill->move(200, 20);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    vm->windowState().setDevicePopoverPresented(true);
    QTRY_VERIFY_WITH_TIMEOUT(pill->popover() && pill->popover()->isVisible(), 5000);
    DeviceSetupPopover* popover = pill->popover();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popover));
    const QRect frame = popover->geometry();
    const QRect surface = frame.marginsRemoved(kit::glassShadowMargins(kit::GlassEmphasis::Standard).toMargins());
    const auto pixel = [&](QPoint at) {
        return popover->screen()->grabWindow(0, at.x(), at.y(), 1, 1).toImage().pixelColor(0, 0);
    };
    // Once the surface shows, its shadow margin and rounded corners show the window beneath.
    QTRY_VERIFY_WITH_TIMEOUT(pixel(surface.center()) != beneath, 5000);
    for (const QPoint at : {frame.topLeft(), surface.topLeft(), surface.topRight(), surface.bottomLeft(),
                            surface.bottomRight(), QPoint(frame.center().x(), frame.bottom())})
        EXPECT_EQ(pixel(at), beneath) << at.x() << "," << at.y();
}

// Finish reset is disabled while the reset runs: it must read as a dimmed button, not a black box.
TEST_F(NoCompositorTest, AProminentButtonDisabledShowsItsDimmedFillNotBlack)
{
    build();
    window.setGeometry(0, 0, 300, 120);
    QPushButton* button =
        symbolButton(QStringLiteral("Finish reset"), "location.slash"_symbol, SymbolButtonStyle::Prominent);
    button->setParent(&window);
    button->setGeometry(20, 20, 200, 40);
    button->setEnabled(false);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QPoint inside = button->mapToGlobal(QPoint(button->width() - 12, button->height() / 2));
    const auto lightness = [&] {
        return window.screen()->grabWindow(0, inside.x(), inside.y(), 1, 1).toImage().pixelColor(0, 0).lightness();
    };
    const int windowLightness = window.palette().color(QPalette::Window).lightness();
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(lightness() - windowLightness) < 40, 5000);
}

} // namespace
