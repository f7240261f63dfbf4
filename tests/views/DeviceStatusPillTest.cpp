#include "views/device/DeviceStatusPill.h"

#include "DeleteChildren.h"
#include "planner/MainWindowState.h"
#include "planner/PlannerFixture.h"
#include "views/device/DeviceSetupPopover.h"
#include "views/kit/ActionButton.h"
#include "views/kit/DisclosureGroup.h"
#include "views/kit/KitLabel.h"
#include "views/kit/Spinner.h"
#include "views/kit/StatusDot.h"
#include "views/kit/SymbolMark.h"
#include "views/kit/TailTextBox.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>
#include <functional>

using namespace ostrevin;
using namespace ostrevin::test;
using namespace Qt::StringLiterals;
using kit::BrandColor;

namespace {

using A = PlannerTestAccess;

LocationHelperStatus connectedNotReady()
{
    LocationHelperStatus status = readyStatus();
    status.isLocationReady = false;
    return status;
}

LocationHelperStatus unplugged()
{
    LocationHelperStatus status = readyStatus();
    status.isDeviceConnected = false;
    status.isLocationReady = false;
    return status;
}

class DeviceStatusPillTest : public WindowedPlannerFixture {
protected:
    DeviceStatusPill& makePill()
    {
        pill = new DeviceStatusPill(*vm, vm->windowState(), &window);
        window.resize(400, 60);
        window.show();
        pill->show();
        return *pill;
    }
    void checked(const LocationHelperStatus& status)
    {
        A::setHelperStatus(*vm, status);
        A::setLastDeviceCheck(*vm, clock.wallNow());
    }

    QString stateTitle() const { return pill->findChild<kit::KitLabel*>(u"stateTitle"_s)->text(); }

    DeviceStatusPill* pill = nullptr;
};

TEST_F(DeviceStatusPillTest, ThePillShowsTheStateInItsColour)
{
    struct Case {
        const char* name;
        std::function<void()> setUp;
        QString title;
        bool spinner;
        BrandColor dot;
        const char* symbol;
    };
    const RoutePoint home = makePoint(u"Home"_s, 50.0875, 14.4213);
    const QList<Case> cases{
        {"before the first check, even with a helper", [&] { A::setHelperStatus(*vm, readyStatus()); }, u"Working…"_s,
         true, BrandColor::Idle, "iphone"},
        {"ready", [&] { checked(readyStatus()); }, u"Ready"_s, false, BrandColor::Ready, "iphone"},
        {"connected but not ready", [&] { checked(connectedNotReady()); }, u"Needs setup"_s, false,
         BrandColor::Attention, "iphone"},
        {"no helper tool", [&] { checked(LocationHelperStatus::missing()); }, u"Needs setup"_s, false,
         BrandColor::Attention, "iphone.slash"},
        {"unplugged with nothing simulated", [&] { checked(unplugged()); }, u"Not connected"_s, false, BrandColor::Idle,
         "iphone.slash"},
        {"unplugged while a location is held",
         [&] {
             checked(unplugged());
             A::holdPoint(*vm, home, true);
         },
         u"Not connected"_s, false, BrandColor::Attention, "iphone.slash"},
        {"unplugged while a reset is pending",
         [&] {
             checked(unplugged());
             A::setResetPending(*vm, true);
         },
         u"Not connected"_s, false, BrandColor::Attention, "iphone.slash"},
        {"a check runs",
         [&] {
             checked(readyStatus());
             A::setCheckingDevice(*vm, true);
         },
         u"Working…"_s, true, BrandColor::Idle, "iphone"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        build();
        makePill();
        c.setUp(); // after the pill exists: it follows the changes live
        EXPECT_EQ(stateTitle(), c.title);
        EXPECT_EQ(pill->findChild<kit::Spinner*>()->isVisible(), c.spinner);
        if (!c.spinner) {
            EXPECT_EQ(pill->findChild<kit::StatusDot*>()->color(), c.dot);
        }
        EXPECT_EQ(pill->findChild<kit::SymbolMark*>()->symbol().name(), c.symbol);
        EXPECT_TRUE(pill->accessibleName().endsWith(u", "_s + c.title));
        delete pill;
        vm.reset();
    }
}

TEST_F(DeviceStatusPillTest, ThePopoverFollowsThePillTheMenuAndClicksOutside)
{
    build();
    checked(readyStatus());
    makePill();
    MainWindowState& state = vm->windowState();

    QTest::mouseClick(pill, Qt::LeftButton);
    EXPECT_TRUE(state.isDevicePopoverPresented());
    QTRY_VERIFY_WITH_TIMEOUT(pill->popover() && pill->popover()->isVisible(), 5000);
    // Its first button has the focus, and Return presses it.
    EXPECT_EQ(QApplication::focusWidget(), pill->popover()->findChild<QWidget*>(u"checkAgain"_s));
    const qsizetype calls = device.calls().size();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_GT(device.calls().size(), calls);

    // The menu's toggle writes the same flag.
    state.setDevicePopoverPresented(false);
    QTRY_VERIFY_WITH_TIMEOUT(!pill->popover(), 5000);
    state.setDevicePopoverPresented(true);
    QTRY_VERIFY_WITH_TIMEOUT(pill->popover() && pill->popover()->isVisible(), 5000);

    // Any other way of closing it (a click outside, Escape) writes the flag back.
    QTest::keyClick(pill->popover(), Qt::Key_Escape);
    QTRY_VERIFY_WITH_TIMEOUT(!state.isDevicePopoverPresented(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!pill->popover(), 5000);

    // Opened again, it starts with its details folded.
    state.setDevicePopoverPresented(true);
    QTRY_VERIFY_WITH_TIMEOUT(pill->popover(), 5000);
    EXPECT_FALSE(pill->popover()->findChild<kit::DisclosureGroup*>()->isExpanded());

    // Closed and presented again before the closed one is deleted, it still shows.
    state.setDevicePopoverPresented(false);
    state.setDevicePopoverPresented(true);
    QTRY_VERIFY_WITH_TIMEOUT(pill->popover() && pill->popover()->isVisible(), 5000);
}

TEST_F(DeviceStatusPillTest, ThePopoverShowsTheChecklistHintActionsAndDetails)
{
    struct Case {
        const char* name;
        std::function<void()> setUp;
        QList<bool> done;
        QString hintStart; // empty: no hint
        bool prepare;
        bool checkAgainEnabled;
        QString details; // empty: no details
    };
    const QList<Case> cases{
        {"before any check, no details",
         [&] { A::setHelperStatus(*vm, LocationHelperStatus::missing()); },
         {false, false, false},
         u"The add-on component"_s,
         false,
         true,
         {}},
        {"no helper after a check: its installation hint",
         [&] {
             LocationHelperStatus missing = LocationHelperStatus::missing();
             missing.installHint = u"Open Ostrevin again to install the add-on."_s;
             checked(missing);
         },
         {false, false, false},
         u"The add-on component"_s,
         false,
         true,
         u"Open Ostrevin again to install the add-on."_s},
        {"connected, not ready",
         [&] { checked(connectedNotReady()); },
         {true, true, false},
         u"Developer Mode"_s,
         true,
         true,
         {}},
        {"unplugged", [&] { checked(unplugged()); }, {true, false, false}, u"If iPhone asks"_s, false, true, {}},
        {"ready", [&] { checked(readyStatus()); }, {true, true, true}, {}, false, true, {}},
        {"a route plays",
         [&] {
             checked(readyStatus());
             A::setRouteRunning(*vm, true);
         },
         {true, true, true},
         {},
         false,
         false,
         {}},
        // As Device > Check Again: a check is refused meanwhile, so the button says so.
        {"the held point is being verified",
         [&] {
             checked(readyStatus());
             A::setLockRefreshing(*vm, true);
         },
         {true, true, true},
         {},
         false,
         false,
         {}},
        {"the last error comes before the hint",
         [&] {
             LocationHelperStatus missing = LocationHelperStatus::missing();
             missing.installHint = u"hint"_s;
             checked(missing);
             A::setLastDeviceError(*vm, u"Device is not connected"_s);
         },
         {false, false, false},
         u"The add-on component"_s,
         false,
         true,
         u"Device is not connected"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        build();
        makePill();
        vm->windowState().setDevicePopoverPresented(true);
        DeviceSetupPopover* popover = pill->popover();
        ASSERT_NE(popover, nullptr);
        c.setUp();
        for (int i = 0; i < 3; ++i) {
            const QWidget* row = popover->findChild<QWidget*>(u"step%1"_s.arg(i + 1));
            EXPECT_EQ(row->findChild<kit::SymbolMark*>()->isVisible(), c.done[i]) << "step " << i + 1;
            EXPECT_EQ(row->accessibleDescription(), c.done[i] ? u"Done"_s : u"Not yet"_s);
        }
        const auto* hint = popover->findChild<kit::KitLabel*>(u"setupHint"_s);
        EXPECT_EQ(hint->isVisible(), !c.hintStart.isEmpty());
        if (!c.hintStart.isEmpty()) {
            EXPECT_TRUE(hint->text().startsWith(c.hintStart)) << hint->text().toStdString();
        }
        EXPECT_EQ(popover->findChild<kit::ActionButton*>(u"prepareIPhone"_s)->isVisible(), c.prepare);
        EXPECT_EQ(popover->findChild<kit::ActionButton*>(u"checkAgain"_s)->isEnabled(), c.checkAgainEnabled);
        EXPECT_EQ(popover->findChild<kit::DisclosureGroup*>()->isVisible(), !c.details.isEmpty());
        EXPECT_EQ(popover->findChild<QPlainTextEdit*>()->toPlainText(), c.details);
        delete pill;
        vm.reset();
    }
}

TEST_F(DeviceStatusPillTest, LongToolOutputKeepsItsEndAndCheckAgainChecksWithProgress)
{
    build();
    checked(connectedNotReady());
    makePill();
    vm->windowState().setDevicePopoverPresented(true);
    DeviceSetupPopover* popover = pill->popover();
    auto* details = popover->findChild<QPlainTextEdit*>();
    // A one-line error leaves no empty box under it; long output stops by 140 and scrolls.
    A::setLastDeviceError(*vm, u"Device is not connected"_s);
    EXPECT_LT(details->height(), 2 * details->fontMetrics().height() + 12);
    EXPECT_EQ(details->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    const QString output = u"start of the output\n"_s + QString(40'000, u'x') + u"\nERROR: the last line"_s;
    A::setLastDeviceError(*vm, output);
    const QString shown = details->toPlainText();
    EXPECT_EQ(shown.size(), kit::TailTextBox::tailCharacters);
    EXPECT_TRUE(shown.endsWith(u"ERROR: the last line"_s));
    EXPECT_TRUE(details->isReadOnly());
    // At most 140: as many whole lines as that allows.
    EXPECT_LE(details->height(), 140);
    EXPECT_GT(details->height(), 140 - details->fontMetrics().height());
    EXPECT_EQ(details->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);

    device.holdAnswers(true);
    auto* checkAgain = popover->findChild<kit::ActionButton*>(u"checkAgain"_s);
    checkAgain->setFocus(Qt::TabFocusReason);
    QTest::keyClick(checkAgain, Qt::Key_Return); // Return presses the focused button
    EXPECT_TRUE(vm->device().isCheckingDevice());
    EXPECT_FALSE(popover->findChild<kit::ActionButton*>(u"checkAgain"_s)->isEnabled());
    EXPECT_FALSE(popover->findChild<kit::ActionButton*>(u"prepareIPhone"_s)->isEnabled());
    EXPECT_EQ(stateTitle(), u"Working…"_s);
    device.release();
    EXPECT_TRUE(eventually([&] { return !vm->device().isCheckingDevice(); }));
}

// A dismissed password dialog: the reason shows above Details, which open at it within the screen.
TEST_F(DeviceStatusPillTest, AFailedPreparationSaysWhyAndItsDetailsOpenAtTheReasonOnTheScreen)
{
    build();
    checked(connectedNotReady());
    const QString reason = u"The administrator password wasn’t entered."_s;
    LocationHelperStatus failed = connectedNotReady();
    failed.failureReason = reason;
    failed.installHint =
        u"iPhone isn’t ready yet.\n\nDetails:\n"_s + reason + u"\n\nCommand line: "_s + QString(3000, u'x');
    device.preparedStatus = failed;
    const QRect available = window.screen()->availableGeometry();
    window.move(available.right() + 1 - 400, available.bottom() + 1 - 520);
    makePill();
    vm->windowState().setDevicePopoverPresented(true);
    DeviceSetupPopover* popover = pill->popover();
    QTest::mouseClick(popover->findChild<kit::ActionButton*>(u"prepareIPhone"_s), Qt::LeftButton);
    ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));
    auto* said = popover->findChild<kit::KitLabel*>(u"failureReason"_s);
    EXPECT_EQ(said->isVisible() ? said->text() : QString(), reason);
    auto* group = popover->findChild<kit::DisclosureGroup*>(u"details"_s);
    EXPECT_LT(said->mapTo(popover, QPoint(0, said->height())).y(), group->mapTo(popover, QPoint()).y());
    const int belowPill = pill->mapToGlobal(QPoint(0, pill->height())).y() + 4;
    QTest::mouseClick(group->header(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popover));
    EXPECT_EQ(popover->findChild<QPlainTextEdit*>()->cursorForPosition(QPoint(4, 4)).block().text(), reason);
    ASSERT_GT(belowPill + popover->height(), available.bottom() + 1) << "the screen is too tall for this case";
    EXPECT_TRUE(available.contains(popover->geometry())) << popover->y() << " + " << popover->height();
}

} // namespace
