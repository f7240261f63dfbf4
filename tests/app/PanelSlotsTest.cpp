#include "ShellFixture.h"
#include "app/MainWindowView.h"
#include "planner/MainWindowState.h"
#include "views/controls/SimulationControlBar.h"
#include "views/device/DeviceStatusPill.h"
#include "views/kit/Brand.h"
#include "views/kit/EdgeTransition.h"

#include <QGraphicsEffect>
#include <QSignalSpy>
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

    // A long name and two buttons: side by side at the bar's full width, not on the narrowest map.
    A::holdPoint(*vm, makePoint(u"Prague Castle courtyard beside the south gardens, Hradčany, Prague 1"_s, 50.09, 14.4),
                 true);
    A::setIncidentActive(*vm, true);
    QTRY_VERIFY_WITH_TIMEOUT(slot->isVisible() && slot->height() > 0, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(slot->geometry().bottom() + 1, map->height() - 16, 5000);
    EXPECT_LE(slot->width(), map->width() - 32);

    // A narrow map: the buttons go under the status, and the bar grows to hold them.
    const int oneRow = slot->height();
    window->resize(window->minimumWidth(), 800);
    QTRY_VERIFY_WITH_TIMEOUT(slot->height() > oneRow, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(slot->geometry().bottom() + 1, map->height() - 16, 5000);

    A::stopLocationLock(*vm);
    A::setIncidentActive(*vm, false);
    QTRY_VERIFY_WITH_TIMEOUT(!slot->isVisible(), 5000);
}

TEST_F(PanelSlotsTest, TheControlBarSlidesAcrossTheMapsEdgeUnlessMotionIsReduced)
{
    build();
    window->resize(1200, 800);
    MainWindowView& view = *window->content();
    QWidget* slot = view.slot(MainWindowView::Slot::simulationControlBar);
    QWidget* map = view.slot(MainWindowView::Slot::mapColumn);
    auto* bar = window->findChild<SimulationControlBar*>();
    ASSERT_NE(bar, nullptr);
    kit::EdgeTransition* transition = kit::EdgeTransition::of(*bar);
    ASSERT_NE(transition, nullptr);
    // Long enough that a busy machine cannot skip the whole way in one frame.
    transition->setDuration(std::chrono::seconds(1));
    const kit::Brand saved = kit::Brand::current();
    const RoutePoint home = makePoint(u"Home"_s, 50.0875, 14.4213);
    const auto hold = [&](bool held) { held ? A::holdPoint(*vm, home, true) : A::stopLocationLock(*vm); };
    // At rest: in its place over the map's bottom edge, drawn without a fade.
    const auto atRest = [&] {
        return slot->isVisible() && !transition->isRunning() && slot->geometry().bottom() + 1 == map->height() - 16 &&
               (!bar->graphicsEffect() || !bar->graphicsEffect()->isEnabled());
    };
    const auto gone = [&] { return bar->isHidden() && !slot->isVisible() && !transition->isRunning(); };

    struct Case {
        const char* name;
        bool reducedMotion;
        bool heldBefore;
        /// Applied one after another, each next one while the last is under way.
        QList<bool> holds;
        bool shownRightAfter;
        bool shownAtEnd;
    };
    const Case cases[] = {
        {"comes in from the edge", false, false, {true}, true, true},
        {"stays on show until it is out, then goes", false, true, {false}, true, false},
        {"a removal cut short turns round from where it is", false, true, {false, true}, true, true},
        {"reduced motion: there at once", true, false, {true}, true, true},
        {"reduced motion: gone at once", true, true, {false}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppearanceState appearance = saved.appearance;
        appearance.reducedMotion = c.reducedMotion;
        kit::Brand::setCurrent(kit::Brand::resolve(appearance, window->palette()));
        hold(c.heldBefore);
        QTRY_VERIFY_WITH_TIMEOUT(c.heldBefore ? atRest() : gone(), 5000);

        QSignalSpy steps(transition, &kit::EdgeTransition::progressChanged);
        qreal before = transition->progress();
        for (qsizetype i = 0; i < c.holds.size(); ++i) {
            if (i > 0) {
                ASSERT_TRUE(QTest::qWaitFor([&] { return transition->progress() > 0 && transition->progress() < 1; }));
                before = transition->progress();
            }
            hold(c.holds[i]);
        }
        // With motion the bar moves on from where it was; without, it is already where it ends.
        EXPECT_EQ(!bar->isHidden(), c.shownRightAfter);
        EXPECT_EQ(transition->isRunning(), !c.reducedMotion);
        EXPECT_EQ(transition->progress(), c.reducedMotion ? (c.shownAtEnd ? 1.0 : 0.0) : before);
        if (c.shownAtEnd) {
            QTRY_VERIFY_WITH_TIMEOUT(atRest(), 5000);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(gone(), 5000);
        }
        // It is out of sight only when it ends out of sight.
        const bool wentOut = std::any_of(steps.cbegin(), steps.cend(),
                                         [](const QList<QVariant>& step) { return step.at(0).toReal() == 0; });
        EXPECT_EQ(wentOut, !c.shownAtEnd);
    }
    kit::Brand::setCurrent(saved);
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
