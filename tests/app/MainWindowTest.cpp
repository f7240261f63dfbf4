#include "ShellFixture.h"
#include "app/AppCommands.h"
#include "app/MainWindowView.h"
#include "app/NavigationRail.h"
#include "app/RailItem.h"
#include "planner/MainWindowState.h"
#include "planner/OsrmDirectionsService.h"
#include "planner/OsrmReplies.h"
#include "support/FakeHttpServer.h"
#include "support/FocusPictures.h"
#include "support/QtPrinters.h"
#include "views/common/DeletionConfirmation.h"
#include "views/kit/ActionButton.h"
#include "views/kit/Brand.h"
#include "views/kit/DisclosureGroup.h"
#include "views/map/MapControlStack.h"
#include "views/place/PlacePanel.h"
#include "views/place/PlaceSearchField.h"
#include "views/place/SelectedPlaceCard.h"
#include "views/route/RouteAlternativeRow.h"
#include "views/route/RoutePanel.h"
#include "views/route/RouteSummaryCard.h"
#include "views/route/TravelModePicker.h"
#include "views/setup/RuntimeSetupView.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QNetworkProxy>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>

using namespace ostrevin;
using namespace ostrevin::test;

namespace {

/// The visible message box of that name, once it is shown.
QMessageBox* shownBox(QWidget* window, const QString& name)
{
    QMessageBox* found = nullptr;
    [[maybe_unused]] const bool shown = QTest::qWaitFor(
        [&] {
            found = window->findChild<QMessageBox*>(name);
            return found && found->isVisible();
        },
        5000);
    return found && found->isVisible() ? found : nullptr;
}

RoutePoint point(const QString& name)
{
    RoutePoint p;
    p.name = name;
    p.latitude = 50.0875;
    p.longitude = 14.4213;
    return p;
}

class MainWindowTest : public ShellFixture {
protected:
    MainWindowView& view() const { return *window->content(); }
    MainWindowState& state() const { return vm->windowState(); }

    /// Which tile is highlighted; none while the panel is hidden.
    std::optional<AppSection> highlighted() const
    {
        for (const auto& [section, raw] : RawEnumTraits<AppSection>::cases) {
            if (view().rail()->item(section)->isSelected())
                return section;
        }
        return std::nullopt;
    }
};

} // namespace

TEST_F(MainWindowTest, RailTilesSwitchSectionsAndTheCurrentOneTogglesThePanel)
{
    build();
    ASSERT_TRUE(window->isShowingContent());
    struct Step {
        const char* name;
        AppSection click;
        AppSection section;
        bool panelVisible;
    };
    const Step steps[] = {
        {"current tile hides the panel", AppSection::place, AppSection::place, false},
        {"and shows it again", AppSection::place, AppSection::place, true},
        {"another tile switches", AppSection::saved, AppSection::saved, true},
        {"hide from the new current tile", AppSection::saved, AppSection::saved, false},
        {"another tile while hidden shows the panel", AppSection::history, AppSection::history, true},
    };
    EXPECT_EQ(highlighted(), AppSection::place);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        QTest::mouseClick(view().rail()->item(step.click), Qt::LeftButton);
        EXPECT_EQ(state().section(), step.section);
        EXPECT_EQ(state().isSidePanelVisible(), step.panelVisible);
        EXPECT_EQ(highlighted(), step.panelVisible ? std::optional(step.section) : std::nullopt);
        EXPECT_EQ(view().sidePanelToggle()->text(),
                  step.panelVisible ? QStringLiteral("Hide Side Panel") : QStringLiteral("Show Side Panel"));
        // The panel of the section is the one on show, and it ends at its full width or gone.
        QWidget* panel = view().slot(MainWindowView::panelSlot(step.section));
        ASSERT_TRUE(QTest::qWaitFor([&] { return panel->isVisible() == step.panelVisible; }, 2000));
        if (step.panelVisible) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return panel->parentWidget()->parentWidget()->width() == 308; }, 2000));
        }
    }
}

TEST_F(MainWindowTest, ThePanelSlidesUnlessTheDesktopAsksForReducedMotion)
{
    build();
    const kit::Brand saved = kit::Brand::current();
    for (const bool reducedMotion : {false, true}) {
        SCOPED_TRACE(reducedMotion ? "reduced motion" : "motion");
        AppearanceState appearance = saved.appearance;
        appearance.reducedMotion = reducedMotion;
        kit::Brand::setCurrent(kit::Brand::resolve(appearance, window->palette()));
        QWidget* sidePanel = window->findChild<QWidget*>(QStringLiteral("sidePanel"));
        for (const bool visible : {false, true}) {
            state().setSidePanelVisible(visible);
            const int target = visible ? MainWindowView::sidePanelWidth : 0;
            // Without motion the panel is where it belongs at once; with it, it gets there.
            EXPECT_EQ(sidePanel->width() == target && sidePanel->isVisible() == visible, reducedMotion);
            EXPECT_TRUE(QTest::qWaitFor(
                [&] { return sidePanel->maximumWidth() == target && sidePanel->isVisible() == visible; }, 2000));
        }
    }
    kit::Brand::setCurrent(saved);
}

TEST_F(MainWindowTest, TheMainContentFadesInAfterTheSetupScreenUnlessMotionIsReduced)
{
    const kit::Brand saved = kit::Brand::current();
    for (const bool reducedMotion : {false, true}) {
        SCOPED_TRACE(reducedMotion ? "reduced motion" : "motion");
        AppearanceState appearance = saved.appearance;
        appearance.reducedMotion = reducedMotion;
        kit::Brand::setCurrent(kit::Brand::resolve(appearance, QPalette()));
        build(/*runtimeInstalled=*/false);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        installRuntime();
        runtime->refresh();
        ASSERT_TRUE(window->isShowingContent());
        const auto* fade = qobject_cast<QGraphicsOpacityEffect*>(view().graphicsEffect());
        if (reducedMotion) {
            EXPECT_EQ(fade, nullptr);
        } else {
            ASSERT_NE(fade, nullptr);
            EXPECT_LT(fade->opacity(), 1.0);
        }
        // It ends fully shown, with no effect left on the content or its toolbar.
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return !view().graphicsEffect() && !view().toolBar()->graphicsEffect(); }, 2000));
        EXPECT_TRUE(view().isVisible() && view().toolBar()->isVisible());
        window.reset();
        runtime.reset();
        QDir(runtimeFolder()).removeRecursively();
    }
    kit::Brand::setCurrent(saved);
}

TEST_F(MainWindowTest, KeyboardShortcutsChooseSectionsAndToggleThePanel)
{
    build();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    struct Step {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        AppSection section;
        bool panelVisible;
    };
    const Step steps[] = {
        {"Ctrl+2", Qt::Key_2, Qt::ControlModifier, AppSection::route, true},
        {"Ctrl+Alt+S hides", Qt::Key_S, Qt::ControlModifier | Qt::AltModifier, AppSection::route, false},
        // Unlike the rail tile, the current section's shortcut always shows the panel.
        {"Ctrl+2 again shows", Qt::Key_2, Qt::ControlModifier, AppSection::route, true},
        {"Ctrl+2 keeps it shown", Qt::Key_2, Qt::ControlModifier, AppSection::route, true},
        {"Ctrl+3", Qt::Key_3, Qt::ControlModifier, AppSection::saved, true},
        {"Ctrl+4", Qt::Key_4, Qt::ControlModifier, AppSection::history, true},
        {"Ctrl+1", Qt::Key_1, Qt::ControlModifier, AppSection::place, true},
        {"Ctrl+Alt+S hides", Qt::Key_S, Qt::ControlModifier | Qt::AltModifier, AppSection::place, false},
        {"Ctrl+Alt+S shows", Qt::Key_S, Qt::ControlModifier | Qt::AltModifier, AppSection::place, true},
    };
    QAction* toggle = window->commands()->action(QStringLiteral("toggleSidePanel"));
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        QTest::keyClick(window.get(), step.key, step.modifiers);
        EXPECT_EQ(state().section(), step.section);
        EXPECT_EQ(state().isSidePanelVisible(), step.panelVisible);
        EXPECT_EQ(toggle->text(),
                  step.panelVisible ? QStringLiteral("Hide Side Panel") : QStringLiteral("Show Side Panel"));
    }
}

TEST_F(MainWindowTest, TheNoticeAlertClearsTheNoticeAndOpensAgainForANewOne)
{
    build();
    for (const QString& text : {QStringLiteral("The first notice."), QStringLiteral("The second notice.")}) {
        SCOPED_TRACE(text.toStdString());
        vm->setNotice(text);
        QMessageBox* box = shownBox(window.get(), QStringLiteral("noticeAlert"));
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Ostrevin"));
        EXPECT_EQ(box->text(), text);
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        EXPECT_EQ(vm->notice(), text);
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        EXPECT_FALSE(vm->notice().has_value());
    }
}

TEST_F(MainWindowTest, ANoticeRaisedOverTheSetupScreenIsShownAndTheDevicePopoverClosesThere)
{
    build(/*runtimeInstalled=*/false);
    ASSERT_FALSE(window->isShowingContent());
    // As a failed export or reset started from Settings on a first run reports.
    vm->setNotice(QStringLiteral("The route couldn’t be exported."));
    QMessageBox* box = shownBox(window.get(), QStringLiteral("noticeAlert"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("The route couldn’t be exported."));
    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    EXPECT_FALSE(vm->notice().has_value());

    // Installed: the popover opens; the runtime gone again: it closes with the content.
    installRuntime();
    runtime->refresh();
    ASSERT_TRUE(window->isShowingContent());
    state().setDevicePopoverPresented(true);
    QDir(runtimeFolder()).removeRecursively();
    runtime->refresh();
    EXPECT_FALSE(window->isShowingContent());
    EXPECT_FALSE(state().isDevicePopoverPresented());
}

TEST_F(MainWindowTest, TheResetConfirmationCancelsOrResets)
{
    AppSettings::setLockedPoint(point(QStringLiteral("Home")), *settings);
    build();
    ASSERT_TRUE(vm->hold().lockedPoint().has_value());
    QAction* reset = window->commands()->action(QStringLiteral("resetLocation"));
    ASSERT_TRUE(reset->isEnabled());

    for (const bool confirm : {false, true}) {
        SCOPED_TRACE(confirm ? "Reset location" : "Cancel");
        reset->trigger();
        EXPECT_TRUE(state().isResetConfirmationPresented());
        QMessageBox* box = shownBox(window.get(), QStringLiteral("resetConfirmation"));
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), QStringLiteral("Reset the iPhone’s location?"));
        QAbstractButton* button = confirm ? box->findChild<QPushButton*>(QStringLiteral("resetLocationButton"))
                                          : box->button(QMessageBox::Cancel);
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_FALSE(state().isResetConfirmationPresented());
        EXPECT_EQ(vm->hold().isLocationResetPending(), confirm);
        EXPECT_EQ(vm->hold().lockedPoint().has_value(), !confirm);
        // The reset runs on: without a known iPhone it stays pending and says so.
        EXPECT_TRUE(QTest::qWaitFor([&] { return !vm->device().isDeviceBusy(); }, 10000));
    }
    // Pending now: the item stays disabled until the reset is over.
    EXPECT_FALSE(reset->isEnabled());
}

TEST_F(MainWindowTest, MenuItemsFollowTheViewModelAndTheRuntime)
{
    build(/*runtimeInstalled=*/false);
    EXPECT_FALSE(window->isShowingContent());
    AppCommands& commands = *window->commands();
    // The build's feed is empty: no update item at all.
    EXPECT_EQ(commands.action(QStringLiteral("checkForUpdates")), nullptr);
    EXPECT_FALSE(commands.action(QStringLiteral("checkAgain"))->isEnabled());
    EXPECT_FALSE(commands.action(QStringLiteral("exportGPX"))->isEnabled());
    // No reset confirmation over the setup screen, and none saved up for later.
    state().setResetConfirmationPresented(true);
    EXPECT_FALSE(state().isResetConfirmationPresented());

    installRuntime();
    runtime->refresh();
    EXPECT_TRUE(window->isShowingContent());
    EXPECT_TRUE(window->content()->toolBar()->isVisible());
    EXPECT_EQ(window->findChild<QMessageBox*>(QStringLiteral("resetConfirmation")), nullptr);
    EXPECT_TRUE(commands.action(QStringLiteral("checkAgain"))->isEnabled());
    EXPECT_FALSE(commands.action(QStringLiteral("resetLocation"))->isEnabled());
    // A route to export enables the export.
    vm->selectPlace(point(QStringLiteral("Prague")), LocationPlannerViewModel::MapFraming::keepCamera);
    EXPECT_TRUE(commands.action(QStringLiteral("exportGPX"))->isEnabled());
    vm->clearRoute();
    EXPECT_FALSE(commands.action(QStringLiteral("exportGPX"))->isEnabled());
}

TEST_F(MainWindowTest, DeviceMenuItemsFollowTheViewModelsState)
{
    build();
    AppCommands& commands = *window->commands();
    QAction* prepare = commands.action(QStringLiteral("prepareIPhone"));
    QAction* checkAgain = commands.action(QStringLiteral("checkAgain"));
    QAction* reset = commands.action(QStringLiteral("resetLocation"));
    struct Case {
        const char* name;
        std::function<void(LocationPlannerViewModel&)> change;
        bool prepare, checkAgain, reset;
    };
    const Case cases[] = {
        {"iPhone to prepare, nothing held", [](LocationPlannerViewModel&) {}, true, true, false},
        {"location held",
         [](LocationPlannerViewModel& m) { PlannerTestAccess::holdPoint(m, point(QStringLiteral("Home")), true); },
         true, true, true},
        // During an incident the user must be able to end the restore loop.
        {"held point being verified",
         [](LocationPlannerViewModel& m) { PlannerTestAccess::setLockRefreshing(m, true); }, false, false, true},
        {"device busy", [](LocationPlannerViewModel& m) { PlannerTestAccess::setDeviceBusy(m, true); }, false, false,
         false},
        {"busy no more", [](LocationPlannerViewModel& m) { PlannerTestAccess::setDeviceBusy(m, false); }, false, false,
         true},
        {"verified", [](LocationPlannerViewModel& m) { PlannerTestAccess::setLockRefreshing(m, false); }, true, true,
         true},
        {"route planning", [](LocationPlannerViewModel& m) { PlannerTestAccess::setPlanning(m, true); }, false, false,
         false},
        {"planned", [](LocationPlannerViewModel& m) { PlannerTestAccess::setPlanning(m, false); }, true, true, true},
        {"reset pending", [](LocationPlannerViewModel& m) { PlannerTestAccess::setResetPending(m, true); }, true, true,
         false},
    };
    LocationHelperStatus connected = readyStatus();
    connected.isLocationReady = false;
    PlannerTestAccess::setHelperStatus(*vm, connected);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.change(*vm);
        EXPECT_EQ(prepare->isEnabled(), c.prepare);
        EXPECT_EQ(checkAgain->isEnabled(), c.checkAgain);
        EXPECT_EQ(reset->isEnabled(), c.reset);
    }
}

TEST_F(MainWindowTest, ClosingQuitsAtOnceUnlessSomethingRunsOnTheIPhone)
{
    struct Case {
        const char* name;
        bool held;
        bool confirm;
        bool quits;
    };
    const Case cases[] = {
        {"nothing held", false, false, true},
        {"held, cancelled", true, false, false},
        {"held, confirmed", true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        if (c.held)
            AppSettings::setLockedPoint(point(QStringLiteral("Home")), *settings);
        build();
        QSignalSpy quit(window.get(), &MainWindow::quitRequested);
        window->close();
        if (c.held) {
            EXPECT_EQ(quit.count(), 0);
            EXPECT_TRUE(window->isVisible());
            QMessageBox* box = shownBox(window.get(), QStringLiteral("quitConfirmation"));
            ASSERT_NE(box, nullptr);
            QAbstractButton* button = c.confirm ? box->findChild<QPushButton*>(QStringLiteral("confirmQuitButton"))
                                                : box->button(QMessageBox::Cancel);
            QTest::mouseClick(button, Qt::LeftButton);
        }
        EXPECT_EQ(quit.count(), c.quits ? 1 : 0);
        if (c.quits) {
            // Once confirmed, the quit's own close goes through without asking again.
            window->close();
            EXPECT_FALSE(window->isVisible());
        }
    }
}

// Minimised, the readiness monitor runs on, once however often restored; a reinstall that fails offline keeps the
// installed runtime and says why with the warning symbol, news with the information one; the setup screen stops it.
TEST_F(MainWindowTest, TheMonitorOutlivesMinimisingAndAFailedReinstallKeepsTheRuntimeWithAWarning)
{
    using namespace std::chrono_literals;
    build();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isMinimized(); }, 5000));
    clock.advance(30s);
    EXPECT_TRUE(eventually([&] { return device.calls().count(QStringLiteral("detectHelper")) == 1; }));
    window->showNormal();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isMinimized() && view().isVisible(); }, 5000));
    EXPECT_EQ(clock.pendingSleeps(), 1);

    runtime->install();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !runtime->isInstalling(); }, 30000));
    EXPECT_TRUE(window->isShowingContent());
    QMessageBox* box = shownBox(window.get(), QStringLiteral("noticeAlert"));
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().contains(QStringLiteral("wasn’t reinstalled")));
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    vm->setNotice(QStringLiteral("Route “Trip” is saved."), LocationPlannerViewModel::NoticeKind::information);
    EXPECT_EQ(box->icon(), QMessageBox::Information);

    QDir(runtimeFolder()).removeRecursively();
    runtime->refresh();
    ManualClock::runPostedEvents();
    EXPECT_EQ(clock.pendingSleeps(), 0);
}

TEST_F(MainWindowTest, FillingASlotReplacesItsContent)
{
    build();
    MainWindowView& content = view();
    auto* first = new QWidget;
    QPointer<QWidget> firstGuard(first);
    content.fill(MainWindowView::Slot::placePanel, first);
    content.fill(MainWindowView::Slot::placePanel, new QLabel(QStringLiteral("second")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return firstGuard.isNull(); }, 2000));
    QWidget* slot = content.slot(MainWindowView::Slot::placePanel);
    EXPECT_EQ(slot->objectName(), QStringLiteral("placePanel"));
    EXPECT_EQ(slot->layout()->count(), 1);
}

TEST_F(MainWindowTest, TheFirstSizeFitsTheScreensFreeAreaWithTheMapsBottomEdgeOnIt)
{
    for (const bool installed : {true, false}) {
        SCOPED_TRACE(installed ? "main content" : "setup screen");
        build(installed);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        const QRect available = window->screen()->availableGeometry();
        EXPECT_TRUE(available.contains(window->frameGeometry())) << window->width() << "x" << window->height();
        if (installed) {
            // The control bar sits over the map's bottom edge: the edge must be on screen.
            QWidget* map = window->content()->slot(MainWindowView::Slot::mapColumn);
            const QRect onScreen(map->mapToGlobal(QPoint(0, 0)), map->size());
            EXPECT_TRUE(available.contains(onScreen));
        }
        window.reset();
    }
}

TEST_F(MainWindowTest, EveryRailTileShowsTheKeyboardFocusSelectedOrNot)
{
    build();
    for (const auto& [section, raw] : RawEnumTraits<AppSection>::cases) {
        SCOPED_TRACE(raw.toString().toStdString());
        const test::FocusPictures pictures = test::focusPictures(*view().rail()->item(section));
        ASSERT_TRUE(pictures.hadFocus);
        EXPECT_NE(pictures.focused, pictures.unfocused);
    }
}

TEST_F(MainWindowTest, CtrlDigitsTakeTheKeyboardIntoThePanelAndTabFollowsItsReadingOrder)
{
    build();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    int digit = 1;
    for (const auto& [section, raw] : RawEnumTraits<AppSection>::cases) {
        SCOPED_TRACE(raw.toString().toStdString());
        QTest::keyClick(window.get(), Qt::Key(Qt::Key_0 + digit++), Qt::ControlModifier);
        QWidget* panel = view().slot(MainWindowView::panelSlot(section));
        ASSERT_TRUE(QTest::qWaitFor([&] { return panel->isVisible(); }, 2000));
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        EXPECT_TRUE(panel->isAncestorOf(focused)) << focused->metaObject()->className();

        // Tab walks the panel top to bottom, and left to right within a row.
        QPoint previous(-1, -1);
        for (int step = 0; step < 40 && focused && panel->isAncestorOf(focused); ++step) {
            const QPoint at = focused->mapTo(panel, QPoint(0, 0));
            const bool sameRow = std::abs(at.y() - previous.y()) < focused->height() / 2 + 4;
            EXPECT_TRUE(sameRow ? at.x() > previous.x() : at.y() > previous.y())
                << focused->metaObject()->className() << " " << focused->objectName().toStdString() << " at " << at.x()
                << "," << at.y() << " after " << previous.x() << "," << previous.y();
            previous = at;
            QTest::keyClick(focused, Qt::Key_Tab);
            focused = QApplication::focusWidget();
        }
    }
}

TEST_F(MainWindowTest, AHiddenPanelIsBuiltWhenItsSectionFirstShowsAndTakesItsPlaceInTheTabCycle)
{
    build();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_NE(window->findChild<PlacePanel*>(), nullptr);
    EXPECT_EQ(window->findChild<RoutePanel*>(), nullptr) << "built before its section showed";

    // Every panel, however late it was built, sits between the same two stops, as
    // when all were built with the window: hidden panels are no stops.
    std::optional<std::pair<QWidget*, QWidget*>> neighbours;
    for (const auto& [section, raw] : RawEnumTraits<AppSection>::cases) {
        SCOPED_TRACE(raw.toString().toStdString());
        QTest::mouseClick(view().rail()->item(section), Qt::LeftButton);
        QWidget* panel = view().slot(MainWindowView::panelSlot(section));
        ASSERT_TRUE(QTest::qWaitFor([&] { return panel->isVisible(); }, 2000));
        view().focusPanel();
        QWidget* first = QApplication::focusWidget();
        ASSERT_TRUE(first && panel->isAncestorOf(first));
        QTest::keyClick(first, Qt::Key_Backtab);
        QWidget* before = QApplication::focusWidget();
        first->setFocus(Qt::TabFocusReason);
        QWidget* after = first;
        for (int step = 0; step < 60 && after && panel->isAncestorOf(after); ++step) {
            QTest::keyClick(after, Qt::Key_Tab);
            after = QApplication::focusWidget();
        }
        EXPECT_FALSE(panel->isAncestorOf(before));
        EXPECT_FALSE(panel->isAncestorOf(after));
        if (!neighbours)
            neighbours = {before, after};
        EXPECT_EQ(before, neighbours->first) << (before ? before->metaObject()->className() : "none");
        EXPECT_EQ(after, neighbours->second) << (after ? after->metaObject()->className() : "none");
    }
    EXPECT_NE(window->findChild<RoutePanel*>(), nullptr);
}

TEST_F(MainWindowTest, TabGoesRoundEveryControlOfAPlannedRouteInReadingOrder)
{
    FakeHttpServer server;
    networkAccess.setProxy(QNetworkProxy::NoProxy);
    OsrmDirectionsService osrm(networkAccess, server.url(QStringLiteral("/car")), server.url(QStringLiteral("/foot")));
    server.setReply("GET", "/car/route/v1/driving/8.270000,50.000000;14.000000,50.000000",
                    FakeHttpReply::json(osrmReply(
                        {{.duration = 100, .summary = "D1"}, {.duration = 200, .summary = "D2", .offset = 0.01}})));
    directions = &osrm;
    AppSettings::setLockedPoint(point(QStringLiteral("Home")), *settings);
    build();
    PlannerTestAccess::setHelperStatus(*vm, readyStatus());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

    // Ctrl+2 lands on the panel's first control; a suggestion picked with Return hands on to the next field.
    QTest::keyClick(window.get(), Qt::Key_2, Qt::ControlModifier);
    auto* panel = window->findChild<RoutePanel*>();
    ASSERT_NE(panel, nullptr);
    auto* field = panel->findChild<PlaceSearchField*>(QStringLiteral("startField"));
    QLineEdit* start = field->findChild<QLineEdit*>();
    QLineEdit* destination = panel->findChild<QWidget*>(QStringLiteral("destinationField"))->findChild<QLineEdit*>();
    EXPECT_EQ(QApplication::focusWidget(), start);
    QTest::keyClicks(start, QStringLiteral("Mainz"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !field->suggestions().isEmpty(); }, 5000));
    QTest::keyClick(start, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), destination);
    // Planning disables the fields under the focus; they have it back once it ends.
    vm->setRouteEndpoint(makePoint(QStringLiteral("Home"), 50, 14), LocationPlannerViewModel::RouteEnd::destination);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return panel->directionsGroup() && panel->directionsGroup()->isVisible(); }, 10000));
    EXPECT_EQ(QApplication::focusWidget(), destination);

    start->setFocus(Qt::TabFocusReason);
    QList<QWidget*> visited;
    for (QWidget* focused = start; focused && (visited.isEmpty() || focused != start) && visited.size() < 80;
         focused = QApplication::focusWidget()) {
        QTest::keyClick(focused, Qt::Key_Tab);
        visited << QApplication::focusWidget();
    }
    ASSERT_EQ(visited.takeLast(), start) << "it loops in a part of the window";
    // In reading order: the panel top to bottom, the map, its bar, the toolbar, the rail.
    QList<QWidget*> expected{destination, panel->findChild<TravelModePicker*>()->findChild<QAbstractButton*>(),
                             panel->findChild<QComboBox*>()};
    for (QWidget* row : panel->alternativeRows())
        expected << row;
    expected << panel->summaryCard()->nameField() << panel->directionsGroup()->header()
             << panel->pointsGroup()->header() << panel->startRouteButton();
    for (QWidget* button : window->findChild<MapControlStack*>()->findChildren<QAbstractButton*>())
        expected << button;
    expected << window->findChild<QWidget*>(QStringLiteral("resetLocation"))
             << window->findChild<QWidget*>(QStringLiteral("DeviceStatusPill"));
    for (const auto& [section, raw] : RawEnumTraits<AppSection>::cases)
        expected << view().rail()->item(section);
    qsizetype previous = -1;
    for (QWidget* control : std::as_const(expected)) {
        ASSERT_NE(control, nullptr);
        const qsizetype at = visited.indexOf(control);
        EXPECT_GT(at, previous) << control->metaObject()->className();
        previous = std::max(previous, at);
    }
}

TEST_F(MainWindowTest, APlacePickedWithReturnHandsTheFocusToItsCardAndFurtherReturnsChangeNothing)
{
    build();
    PlannerTestAccess::setHelperStatus(*vm, readyStatus());
    PlannerTestAccess::setLastDeviceCheck(*vm, clock.wallNow());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    auto* panel = window->findChild<PlacePanel*>();
    // Nothing saved or recent: before the pick, the city chips followed the field.
    for (const bool sendsAtOnce : {false, true}) {
        vm->setAutoSendOnAdd(sendsAtOnce);
        QTest::keyClick(window.get(), Qt::Key_1, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("50.1, 14.4"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        if (!sendsAtOnce) {
            EXPECT_EQ(QApplication::focusWidget(), panel->card()->nameField());
        }
        ASSERT_TRUE(eventually([&] { return vm->canEditRouteDraft(); }));
        // Sent at once, the field was disabled until the send ended: it has the keyboard back.
        EXPECT_TRUE(panel->isAncestorOf(QApplication::focusWidget())) << sendsAtOnce;
        for (const bool held : {false, true, true}) {
            QWidget* focused = QApplication::focusWidget();
            QTest::simulateEvent(focused ? focused : window.get(), true, Qt::Key_Return, {}, QStringLiteral("\r"),
                                 held);
        }
        EXPECT_EQ(vm->draft().points().last().name, QStringLiteral("Selected place")) << sendsAtOnce;
        EXPECT_EQ(device.calls().count(QStringLiteral("resendLocation")), sendsAtOnce ? 1 : 0);
    }
    // Set location with the keyboard is disabled while it sends, and at each verification, also while another
    // window has the keyboard; Qt moves the focus on meanwhile, out of the panel. Each end gives it back, once the
    // iPhone unplugged during the send is back.
    QAbstractButton* setLocation = panel->setLocationButton();
    setLocation->setFocus(Qt::TabFocusReason);
    device.holdAnswers(true);
    QTest::keyClick(setLocation, Qt::Key_Return);
    ASSERT_TRUE(eventually([&] { return !setLocation->isEnabled(); }));
    LocationHelperStatus unplugged = readyStatus();
    unplugged.isDeviceConnected = false;
    PlannerTestAccess::setHelperStatus(*vm, unplugged);
    device.release();
    ASSERT_TRUE(eventually([&] { return vm->canEditRouteDraft(); }));
    PlannerTestAccess::setHelperStatus(*vm, readyStatus());
    ASSERT_TRUE(eventually([&] { return setLocation->isEnabled(); }));
    EXPECT_EQ(QApplication::focusWidget(), setLocation);
    QWidget other;
    for (const bool anotherWindowActive : {false, true}) {
        if (anotherWindowActive) {
            other.show();
            other.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
        }
        PlannerTestAccess::setVerifying(*vm, true);
        ASSERT_NE(window->focusWidget(), setLocation);
        PlannerTestAccess::setVerifying(*vm, false);
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        EXPECT_EQ(QApplication::focusWidget(), setLocation) << anotherWindowActive;
    }
}

// At the content sizes of a 1366 × 768 and a 1024 × 600 screen. Names go in before any suggestion shows, so the
// new rows push the field down; a point sent at once disables the field until the send ends.
TEST_F(MainWindowTest, AddPointKeepsTheKeyboardForTheNextPointAndReturnOnItsEmptyFieldDoesNothing)
{
    build();
    PlannerTestAccess::setHelperStatus(*vm, readyStatus());
    PlannerTestAccess::setLastDeviceCheck(*vm, clock.wallNow());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    for (const QSize size : {QSize(1350, 680), QSize(1008, 520)}) {
        SCOPED_TRACE(size.height());
        window->resize(size);
        vm->clearRoute();
        vm->loadSavedRoute(
            {.points = {makePoint(QStringLiteral("A"), 50, 14), makePoint(QStringLiteral("B"), 50.01, 14.01)}});
        QTest::keyClick(window.get(), Qt::Key_2, Qt::ControlModifier);
        auto* panel = window->findChild<RoutePanel*>();
        ASSERT_TRUE(QTest::qWaitFor([&] { return panel->pointsGroup()->header()->isVisible(); }, 5000));
        // Return opens the points; Tab goes on through their rows to Add point.
        panel->pointsGroup()->header()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QLineEdit* add = panel->addPointField()->lineEdit();
        ASSERT_TRUE(QTest::qWaitFor([&] { return add->height() >= add->minimumSizeHint().height(); }, 5000));
        for (int step = 0; step < 8 && QApplication::focusWidget() != add; ++step)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* viewport = panel->findChild<QScrollArea*>()->viewport();
        const qsizetype sent = device.calls().count(QStringLiteral("resendLocation"));
        for (const auto& [text, sendsAtOnce] : {std::pair{"Mainz", false}, std::pair{"Maidstone", true}}) {
            SCOPED_TRACE(text);
            vm->setAutoSendOnAdd(sendsAtOnce);
            const qsizetype count = vm->draft().points().size();
            ASSERT_EQ(QApplication::focusWidget(), add);
            QTest::keyClicks(add, QString::fromUtf8(text));
            QTest::keyClick(add, Qt::Key_Return);
            ASSERT_TRUE(
                eventually([&] { return vm->draft().points().size() == count + 1 && vm->canEditRouteDraft(); }));
            EXPECT_EQ(QApplication::focusWidget(), add);
            EXPECT_TRUE(add->text().isEmpty());
            EXPECT_TRUE(QTest::qWaitFor(
                [&] { return viewport->rect().contains(QRect(add->mapTo(viewport, QPoint(0, 0)), add->size())); },
                2000))
                << "out of sight";
            QTest::keyClick(add, Qt::Key_Return);
            EXPECT_EQ(vm->draft().points().size(), count + 1);
            EXPECT_EQ(panel->deletionConfirmation().dialog(), nullptr) << "no “Clear the entire route?”";
        }
        EXPECT_EQ(device.calls().count(QStringLiteral("resendLocation")), sent + 1);
    }
}

// Planning that a Destination pick or a travel mode change started fails with a notice. Closed with a key, the
// notice leaves the keyboard on the control that started the planning, where the next Return changes nothing: the
// window's first control (the rail's Place tile, the device pill) would switch the section or open the popover.
TEST_F(MainWindowTest, AfterAFailedPlanningsNoticeTheKeyboardIsBackOnTheControlThatStartedIt)
{
    FakeHttpServer server;
    networkAccess.setProxy(QNetworkProxy::NoProxy);
    OsrmDirectionsService osrm(networkAccess, server.url(QStringLiteral("/car")), server.url(QStringLiteral("/foot")));
    directions = &osrm;
    build();
    PlannerTestAccess::setHelperStatus(*vm, readyStatus());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    vm->setRouteEndpoint(makePoint(QStringLiteral("Home"), 50, 14), LocationPlannerViewModel::RouteEnd::start);
    QTest::keyClick(window.get(), Qt::Key_2, Qt::ControlModifier);
    auto* panel = window->findChild<RoutePanel*>();
    const auto closeNoticeWith = [&](Qt::Key key) {
        QPointer<QMessageBox> box = shownBox(window.get(), QStringLiteral("noticeAlert"));
        ASSERT_TRUE(box);
        ASSERT_TRUE(QTest::qWaitFor([&] { return box->isAncestorOf(QApplication::focusWidget()); }, 5000));
        QTest::keyClick(QApplication::focusWidget(), key);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !box; }, 5000));
        // As the window manager does once the box is gone (this platform has none).
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    };
    const auto returnChangesNothing = [&] {
        const QList<RoutePoint> points = vm->draft().points();
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window.get(), Qt::Key_Return);
        EXPECT_EQ(state().section(), AppSection::route);
        EXPECT_FALSE(state().isDevicePopoverPresented());
        EXPECT_FALSE(vm->isPlanningAddressRoute());
        EXPECT_EQ(vm->draft().points(), points);
    };

    // The destination, picked with Return: no route leads there.
    QLineEdit* destination = panel->destinationField()->lineEdit();
    destination->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(destination, QStringLiteral("Mainz"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel->destinationField()->suggestions().isEmpty(); }, 5000));
    QTest::keyClick(destination, Qt::Key_Return);
    closeNoticeWith(Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), destination);
    returnChangesNothing();

    // Planned once the service answers; then walking, picked with an arrow key, which picks before the focus
    // follows, finds no route.
    server.setReply("GET", "/car/route/v1/driving/14.000000,50.000000;8.270000,50.000000",
                    FakeHttpReply::json(osrmReply({{.duration = 100, .summary = "D1"}})));
    vm->replanRoute();
    ASSERT_TRUE(eventually([&] { return !vm->draft().routeAlternatives().isEmpty(); }));
    QAbstractButton* walking = panel->travelModePicker()->segment(RouteTransportMode::walking);
    panel->travelModePicker()->segment(RouteTransportMode::automobile)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    ASSERT_EQ(vm->draft().selectedTransportMode(), RouteTransportMode::walking);
    closeNoticeWith(Qt::Key_Escape);
    EXPECT_EQ(QApplication::focusWidget(), walking);
    returnChangesNothing();
}

// Start route pressed with the keyboard: once the route plays, the keyboard is on Stop route, the control that took
// the button's place, not on the map's locate button that follows in the window.
TEST_F(MainWindowTest, OnceARouteStartedWithTheKeyboardPlaysStopRouteHasTheKeyboard)
{
    build();
    PlannerTestAccess::setHelperStatus(*vm, readyStatus());
    PlannerTestAccess::setLastDeviceCheck(*vm, clock.wallNow());
    PlannerTestAccess::setPoints(*vm, {point(QStringLiteral("A")), makePoint(QStringLiteral("B"), 50.01, 14.01)});
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_2, Qt::ControlModifier);
    device.persistentLocationActive = true;
    device.holdAnswers(true);
    QAbstractButton* startRoute = window->findChild<RoutePanel*>()->startRouteButton();
    startRoute->setFocus(Qt::TabFocusReason);
    QTest::keyClick(startRoute, Qt::Key_Return);
    ASSERT_TRUE(eventually([&] { return !device.playbacks().isEmpty(); }));
    device.playbacks().last().started(device.playbacks().last().helper);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return QApplication::focusWidget() == window->findChild<QAbstractButton*>(QStringLiteral("stopRoute")); },
        2000));
}

TEST_F(MainWindowTest, ReturnPressesTheFocusedButton)
{
    build();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    RailItem* route = view().rail()->item(AppSection::route);
    route->setFocus(Qt::TabFocusReason);
    QTest::keyClick(route, Qt::Key_Return);
    EXPECT_EQ(state().section(), AppSection::route);
    QTest::keyClick(route, Qt::Key_Enter);
    EXPECT_FALSE(state().isSidePanelVisible());
}

// Drawing the icon at the desktop's sizes waits until the window's first frame is
// up; the setup screen, which shows it, has it from the start.
TEST_F(MainWindowTest, TheApplicationIconFollowsTheFirstFrameButTheSetupScreenHasItAtOnce)
{
    for (const bool installed : {true, false}) {
        SCOPED_TRACE(installed ? "main content" : "setup screen");
        QApplication::setWindowIcon(QIcon());
        build(installed);
        if (installed) {
            EXPECT_TRUE(QApplication::windowIcon().isNull()) << "not before the first frame";
        } else {
            const auto* icon = window->findChild<QLabel*>(QStringLiteral("onboardingIcon"));
            ASSERT_NE(icon, nullptr);
            EXPECT_FALSE(icon->pixmap().isNull());
        }
        QSignalSpy painted(window.get(), &MainWindow::firstFramePainted);
        ASSERT_TRUE(painted.wait(5000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window->windowIcon().isNull(); }, 5000));
        window.reset();
        runtime.reset();
        QDir(runtimeFolder()).removeRecursively();
    }
}
