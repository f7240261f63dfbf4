#include "views/controls/SimulationControlBar.h"

#include "DeleteChildren.h"
#include "planner/MainWindowState.h"
#include "planner/PlannerFixture.h"
#include "views/kit/KitLabel.h"
#include "views/kit/Spinner.h"
#include "views/kit/StatusDot.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <functional>

using namespace ostrevin;
using namespace ostrevin::test;
using namespace Qt::StringLiterals;
using kit::BrandColor;

namespace {

using A = PlannerTestAccess;

class SimulationControlBarTest : public WindowedPlannerFixture {
protected:
    const RoutePoint home = makePoint(u"Home"_s, 50.0875, 14.4213);

    SimulationControlBar& makeBar(std::chrono::milliseconds tick = std::chrono::seconds(10))
    {
        bar = new SimulationControlBar(*vm, vm->windowState(), tick, &window);
        window.resize(900, 300);
        window.show();
        return *bar;
    }
    QString text(const char* name) const { return bar->findChild<kit::KitLabel*>(QLatin1String(name))->text(); }
    QPushButton* button(const char* name) const { return bar->findChild<QPushButton*>(QLatin1String(name)); }
    /// The buttons on show, each with "-" appended when it is disabled.
    QStringList shownButtons() const
    {
        QStringList shown;
        for (const char* name : {"acknowledgeAlert", "stopRoute", "finishReset", "resetLocation"}) {
            if (!button(name)->isHidden())
                shown << QLatin1String(name) + (button(name)->isEnabled() ? u""_s : u"-"_s);
        }
        return shown;
    }

    SimulationControlBar* bar = nullptr;
};

TEST_F(SimulationControlBarTest, EachStateShowsItsHeadlineIndicatorAndActions)
{
    struct Case {
        const char* name;
        std::function<void(LocationPlannerViewModel&)> setUp;
        bool present;
        QString headline;
        QStringList buttons;
        bool spinner;
        BrandColor dot;
    };
    const RoutePoint held = home;
    const QList<Case> cases{
        {"nothing simulated", [](auto&) {}, false, {}, {}, false, BrandColor::Idle},
        {"an incident outlives the hold",
         [](auto& vm) {
             A::setHelperStatus(vm, readyStatus());
             A::setIncidentActive(vm, true);
         },
         true,
         u"iPhone is ready"_s,
         {u"acknowledgeAlert"_s},
         false,
         BrandColor::Attention},
        {"a pending reset without a helper",
         [](auto& vm) { A::setResetPending(vm, true); },
         true,
         u"Location reset isn’t finished"_s,
         {u"finishReset-"_s},
         false,
         BrandColor::Attention},
        {"a pending reset with a helper",
         [](auto& vm) {
             A::setHelperStatus(vm, readyStatus());
             A::setResetPending(vm, true);
         },
         true,
         u"Location reset isn’t finished"_s,
         {u"finishReset"_s},
         false,
         BrandColor::Attention},
        {"a confirmed hold verified in the background keeps its dot and its reset",
         [held](auto& vm) {
             A::setHelperStatus(vm, readyStatus());
             A::holdPoint(vm, held, true);
             A::setLockRefreshing(vm, true);
         },
         true,
         u"Location is set"_s,
         {u"resetLocation"_s},
         false,
         BrandColor::Ready},
        {"a recovering hold can still be reset while it is verified",
         [held](auto& vm) {
             A::setHelperStatus(vm, readyStatus());
             A::holdPoint(vm, held, true);
             A::setIncidentActive(vm, true);
             A::setLockRefreshing(vm, true);
         },
         true,
         u"Restoring location…"_s,
         {u"acknowledgeAlert"_s, u"resetLocation"_s},
         true,
         BrandColor::Attention},
        {"an unconfirmed hold shows the spinner during the same verification",
         [held](auto& vm) {
             A::holdPoint(vm, held, false);
             A::setLockRefreshing(vm, true);
         },
         true,
         u"Verifying location…"_s,
         {u"resetLocation"_s},
         true,
         BrandColor::Idle},
        {"no reset while a route is being planned",
         [held](auto& vm) {
             A::holdPoint(vm, held, true);
             A::setPlanning(vm, true);
         },
         true,
         u"Location is set"_s,
         {u"resetLocation-"_s},
         false,
         BrandColor::Ready},
        {"no reset while the device is busy",
         [held](auto& vm) {
             A::holdPoint(vm, held, true);
             A::setDeviceBusy(vm, true);
         },
         true,
         u"Location is set"_s,
         {u"resetLocation-"_s},
         true,
         BrandColor::Ready},
        {"a playing route",
         [](auto& vm) {
             vm.setRouteName(u"Morning walk"_s);
             A::setRouteRunning(vm, true);
         },
         true,
         u"Route is playing"_s,
         {u"stopRoute"_s, u"resetLocation"_s},
         false,
         BrandColor::Ready},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        build();
        c.setUp(*vm);
        makeBar();
        EXPECT_EQ(bar->isVisible(), c.present);
        if (c.present) {
            EXPECT_EQ(text("headline"), c.headline);
            EXPECT_EQ(shownButtons(), c.buttons);
            EXPECT_EQ(bar->findChild<kit::Spinner*>()->isVisible(), c.spinner);
            if (!c.spinner) {
                EXPECT_EQ(bar->findChild<kit::StatusDot*>()->color(), c.dot);
            }
        }
        delete bar;
        vm.reset();
    }
}

TEST_F(SimulationControlBarTest, ActionsReachTheViewModelAndTheWindowState)
{
    build();
    A::setHelperStatus(*vm, readyStatus());
    A::holdPoint(*vm, home, true);
    A::setIncidentActive(*vm, true);
    makeBar();

    // Reset asks first: the window owns the question.
    QTest::mouseClick(button("resetLocation"), Qt::LeftButton);
    EXPECT_TRUE(vm->windowState().isResetConfirmationPresented());
    EXPECT_TRUE(vm->hold().lockedPoint().has_value());

    // Acknowledged once: the button goes while the recovery goes on, and the alarm's own button logs nothing more.
    QTest::mouseClick(button("acknowledgeAlert"), Qt::LeftButton);
    EXPECT_TRUE(A::incidentAcknowledged(*vm));
    EXPECT_EQ(shownButtons(), QStringList{u"resetLocation"_s});
    vm->acknowledgeLocationSafetyAlarm();
    EXPECT_EQ(eventMessages().count(u"The location interruption was acknowledged."_s), 1);

    // A route's progress outside 0…1 draws an empty or a full line; stopping it holds a point again.
    A::setRouteRunning(*vm, true);
    A::setRouteProgress(*vm, 1.7);
    EXPECT_EQ(bar->findChild<RouteProgressLine*>()->progress(), 1.0);
    A::setRouteProgress(*vm, -0.2);
    EXPECT_EQ(bar->findChild<RouteProgressLine*>()->progress(), 0.0);
    // An exact 0.29 reads 29 %, not 28 %.
    A::setRouteProgress(*vm, 0.29);
    const QString progressText = bar->findChild<RouteProgressLine*>()->accessibleDescription();
    EXPECT_TRUE(progressText.startsWith(QStringLiteral("29%"))) << progressText.toStdString();
    // Stopped with the keyboard: the bar goes while the stop sets the point reached (nothing is held meanwhile);
    // once it is back the bar has the keyboard again, not the device pill, whose Return would open the popover.
    A::stopLocationLock(*vm);
    A::setPoints(*vm, {home});
    auto* pill = new QPushButton(u"Device pill"_s, &window);
    pill->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    button("stopRoute")->setFocus(Qt::TabFocusReason);
    device.holdAnswers(true);
    QTest::keyClick(button("stopRoute"), Qt::Key_Space);
    EXPECT_FALSE(vm->hold().isIPhoneRouteRunning());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !bar->isVisible(); }, 5000));
    device.release();
    EXPECT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return button("resetLocation")->isVisible(); }, 5000));
    EXPECT_EQ(QApplication::focusWidget(), button("resetLocation"));
}

TEST_F(SimulationControlBarTest, TheHeldDurationMovesOnWithTheClockAlone)
{
    build();
    A::holdPoint(*vm, home, true);
    A::setLockStartedAt(*vm, clock.wallNow().addSecs(-55));
    A::setLastLockRefresh(*vm, clock.wallNow().addSecs(-5));
    makeBar(std::chrono::milliseconds(20));
    EXPECT_EQ(text("detail"), u"Home · Active for less than a minute · Verified just now"_s);

    clock.advance(std::chrono::seconds(10));
    EXPECT_TRUE(eventually([&] { return text("detail").contains(u"Active for 1 min"_s); }))
        << text("detail").toStdString();
}

TEST_F(SimulationControlBarTest, ANarrowBarPutsTheButtonsUnderTheStatusAndALongNameGivesWayToTheTimesOrTheProgress)
{
    build();
    A::holdPoint(*vm, home, true);
    A::setIncidentActive(*vm, true);
    makeBar();
    const QPushButton* acknowledge = button("acknowledgeAlert");
    const kit::KitLabel* detail = bar->findChild<kit::KitLabel*>(u"detail"_s);
    const auto buttonsUnderStatus = [&] {
        return acknowledge->mapTo(bar, QPoint(0, 0)).y() >= detail->mapTo(bar, QPoint(0, detail->height())).y();
    };
    bar->resize(SimulationControlBar::maximumBarWidth, 120);
    QTRY_VERIFY_WITH_TIMEOUT(!buttonsUnderStatus(), 5000);
    bar->resize(300, 200);
    QTRY_VERIFY_WITH_TIMEOUT(buttonsUnderStatus(), 5000);
    // A long name is cut: how long the point is held and its verification, or the route's progress, stay whole
    // at the end of at most two lines.
    const QString longName = u"Through the old town, along the river and over every bridge of Prague "_s.repeated(4);
    A::holdPoint(*vm, makePoint(longName, 50.0875, 14.4213), true);
    A::setLockStartedAt(*vm, clock.wallNow());
    for (const bool route : {false, true}) {
        vm->setRouteName(longName);
        A::setRouteRunning(*vm, route);
        const QString end =
            route ? vm->routeProgressSummary() : u" · Active for less than a minute · Not verified yet"_s;
        for (const int width : {SimulationControlBar::maximumBarWidth, 360}) {
            bar->resize(width, 300);
            const auto lines = [&] { return detail->linesForWidth(detail->width()); };
            QTRY_VERIFY_WITH_TIMEOUT(lines().size() <= 2 && lines().join(u' ').endsWith(end), 5000);
        }
    }
}

} // namespace
