// A disabled button on a real X11 window, as the screen shows it.
#include "DeleteChildren.h"
#include "views/controls/SymbolButton.h"

#include <QScreen>
#include <QTest>

using namespace ostrevin;
using namespace ostrevin::test;

namespace {

class DisabledButtonTest : public WindowedPlannerFixture {};

// Finish reset is disabled while the reset runs: it must read as a dimmed button, not a black box.
TEST_F(DisabledButtonTest, AProminentButtonDisabledShowsItsDimmedFillNotBlack)
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
