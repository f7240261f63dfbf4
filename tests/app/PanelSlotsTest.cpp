#include "ShellFixture.h"
#include "app/MainWindowView.h"
#include "planner/MainWindowState.h"
#include "views/controls/SimulationControlBar.h"
#include "views/device/DeviceStatusPill.h"

#include <QTest>

using namespace ostrevin;
using namespace ostrevin::test;
using namespace Qt::StringLiterals;

namespace {

using A = PlannerTestAccess;

class PanelSlotsTest : public ShellFixture {};

TEST_F(PanelSlotsTest, TheControlBarFloatsOverTheMapWhileSomethingIsSimulated)
{
    build();
    MainWindowView& view = *window->content();
    window->resize(1200, 800);
    QWidget* slot = view.slot(MainWindowView::Slot::simulationControlBar);
    QWidget* map = view.slot(MainWindowView::Slot::mapColumn);
    EXPECT_TRUE(eventually([&] { return !slot->isVisible(); }));

    A::holdPoint(*vm, makePoint(u"Home"_s, 50.0875, 14.4213), true);
    QTRY_VERIFY_WITH_TIMEOUT(slot->isVisible() && slot->height() > 0, 5000);
    EXPECT_EQ(slot->geometry().bottom() + 1, map->height() - 16);
    EXPECT_LE(slot->width(), map->width() - 32);

    // A narrow map: the buttons go under the status, and the bar grows to hold them.
    const int oneRow = slot->height();
    window->resize(760, 800);
    QTRY_VERIFY_WITH_TIMEOUT(slot->height() > oneRow, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(slot->geometry().bottom() + 1, map->height() - 16, 5000);

    A::stopLocationLock(*vm);
    QTRY_VERIFY_WITH_TIMEOUT(!slot->isVisible(), 5000);
}

TEST_F(PanelSlotsTest, ThePillOpensItsPopoverFromTheToolbar)
{
    build();
    auto* pill = window->findChild<DeviceStatusPill*>();
    ASSERT_NE(pill, nullptr);
    QTest::mouseClick(pill, Qt::LeftButton);
    EXPECT_TRUE(vm->windowState().isDevicePopoverPresented());
    QTRY_VERIFY_WITH_TIMEOUT(pill->popover() && pill->popover()->isVisible(), 5000);
    vm->windowState().setDevicePopoverPresented(false);
    QTRY_VERIFY_WITH_TIMEOUT(!pill->popover(), 5000);
}

} // namespace
