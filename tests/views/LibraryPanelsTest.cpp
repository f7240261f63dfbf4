#include "DeleteChildren.h"
#include "planner/MainWindowState.h"
#include "planner/PlannerFixture.h"
#include "views/common/DeletionConfirmation.h"
#include "views/common/LibraryTexts.h"
#include "views/kit/EmptyStateView.h"
#include "views/kit/IconButton.h"
#include "views/kit/KitLabel.h"
#include "views/kit/LibraryRow.h"
#include "views/kit/RelativeTimeTicker.h"
#include "views/library/HistoryPanel.h"
#include "views/library/SavedPanel.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

using namespace ostrevin;
using namespace ostrevin::test;
using namespace Qt::StringLiterals;

namespace {

using A = PlannerTestAccess;

class LibraryPanelsTest : public WindowedPlannerFixture {
protected:
    const RoutePoint home = makePoint(u"Home"_s, 50.0875, 14.4213);
    const RoutePoint office = makePoint(u"Office"_s, -33.8688, 151.2093);

    void SetUp() override
    {
        PlannerFixture::SetUp();
        build();
        vm->setSavedLocationName(u"Home"_s);
        vm->saveLocation(home);
        vm->setSavedLocationName(u"Office"_s);
        vm->saveLocation(office);
        A::setPoints(*vm, {home, office});
        vm->setSavedRouteName(u"Commute"_s);
        vm->saveCurrentRouteAsNamed();
        A::setPoints(*vm, {});
        vm->setNotice(std::nullopt);
    }

    template <typename Panel> Panel& show()
    {
        auto* panel = new Panel(*vm, &window);
        window.resize(308, 700);
        window.show();
        return *panel;
    }
    /// The row whose title is `title`.
    kit::LibraryRow* row(const QString& title) const
    {
        for (kit::LibraryRow* row : window.findChildren<kit::LibraryRow*>()) {
            if (row->button()->accessibleName() == title)
                return row;
        }
        ADD_FAILURE() << "no row " << title.toStdString();
        return nullptr;
    }
    QAction* menuItem(const QString& rowTitle, const QString& item) const
    {
        for (QAction* action : row(rowTitle)->findChild<QMenu*>()->actions()) {
            if (action->text() == item)
                return action;
        }
        ADD_FAILURE() << "no item " << item.toStdString();
        return nullptr;
    }
    /// The open question; closed ones linger until the event loop deletes them.
    QMessageBox* question() const
    {
        for (QMessageBox* box : window.findChildren<QMessageBox*>()) {
            if (box->isVisible())
                return box;
        }
        return nullptr;
    }
    void rename(SavedPanel& panel, const QString& rowTitle, const QString& typed, bool accept = true)
    {
        menuItem(rowTitle, u"Rename…"_s)->trigger();
        QInputDialog* dialog = panel.renameDialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->windowModality() == Qt::WindowModal);
        for (const QLabel* label : dialog->findChildren<QLabel*>()) // the title and the button say Rename already
            EXPECT_TRUE(label->isHidden()) << label->text().toStdString();
        renameShownName = dialog->textValue();
        dialog->setTextValue(typed);
        accept ? dialog->accept() : dialog->reject();
    }

    QString renameShownName;
};

TEST_F(LibraryPanelsTest, RenameTrimsRefusesBlanksAndStartsFromTheCurrentName)
{
    SavedPanel& panel = show<SavedPanel>();

    rename(panel, u"Home"_s, u"  Flat \n"_s);
    EXPECT_EQ(renameShownName, u"Home"_s);
    EXPECT_EQ(vm->library().savedLocations().last().name, u"Flat"_s);
    EXPECT_EQ(vm->library().savedLocations().last().point.name, u"Flat"_s);

    rename(panel, u"Flat"_s, u"   "_s);
    EXPECT_EQ(renameShownName, u"Flat"_s);
    EXPECT_EQ(vm->notice(), u"Enter a name."_s);
    EXPECT_EQ(vm->library().savedLocations().last().name, u"Flat"_s);

    rename(panel, u"Commute"_s, u"Work run"_s, false);
    EXPECT_EQ(vm->library().savedRoutes().first().name, u"Commute"_s);
    rename(panel, u"Commute"_s, u"Work run"_s);
    EXPECT_EQ(renameShownName, u"Commute"_s); // not what was typed before
    EXPECT_EQ(vm->library().savedRoutes().first().name, u"Work run"_s);
    EXPECT_EQ(store().load<SavedRoute>(store().savedRoutesPath()), vm->library().savedRoutes());
}

TEST_F(LibraryPanelsTest, DeleteRemovesOnlyAfterTheDestructiveButton)
{
    SavedPanel& panel = show<SavedPanel>();
    A::setPoints(*vm, {home});

    menuItem(u"Commute"_s, u"Delete…"_s)->trigger();
    ASSERT_NE(question(), nullptr);
    EXPECT_TRUE(question()->windowModality() == Qt::WindowModal);
    EXPECT_EQ(question()->text(), u"Delete saved route?"_s);
    EXPECT_EQ(question()->informativeText(), u"Route “Commute” will be permanently deleted."_s);
    for (const QLabel* label : question()->findChildren<QLabel*>()) {
        if (label->text().contains(u"Commute"_s)) {
            EXPECT_EQ(label->textFormat(), Qt::PlainText); // names are never markup
        }
    }
    EXPECT_EQ(vm->library().savedRoutes().size(), 1);
    question()->button(QMessageBox::Cancel)->click();
    EXPECT_FALSE(panel.deletion().pending().has_value());
    EXPECT_EQ(vm->library().savedRoutes().size(), 1);

    // Removing stays possible while a route plays; the draft is not touched.
    A::setRouteRunning(*vm, true);
    menuItem(u"Commute"_s, u"Delete…"_s)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(question() != nullptr, 5000);
    for (QAbstractButton* button : question()->buttons()) {
        if (question()->buttonRole(button) == QMessageBox::DestructiveRole) {
            EXPECT_EQ(button->text(), u"Delete"_s);
            button->click();
            break;
        }
    }
    EXPECT_TRUE(vm->library().savedRoutes().isEmpty());
    EXPECT_EQ(vm->draft().points(), QList<RoutePoint>{home});
    EXPECT_FALSE(panel.deletion().pending().has_value());
    EXPECT_NE(window.findChild<kit::EmptyStateView*>(), nullptr);

    // Nothing pending: the destructive action does nothing.
    panel.deletion().perform();
    EXPECT_EQ(vm->library().savedLocations().size(), 2);
}

TEST_F(LibraryPanelsTest, RowsFollowTheGatesAndSwitchTheSection)
{
    show<SavedPanel>();
    MainWindowState& state = vm->windowState();
    EXPECT_EQ(row(u"Office"_s)->findChild<QWidget*>(u"moreActions"_s)->isEnabled(), true);
    EXPECT_EQ(window.findChildren<kit::LibraryRow*>().size(), 3);

    // Shown on the map: the place section; a route: the route section.
    QTest::mouseClick(row(u"Office"_s)->button(), Qt::LeftButton);
    EXPECT_EQ(vm->draft().points().size(), 1);
    EXPECT_EQ(state.section(), AppSection::place);
    menuItem(u"Home"_s, u"Add to the route"_s)->trigger();
    EXPECT_EQ(vm->draft().points().size(), 2);
    EXPECT_EQ(state.section(), AppSection::route);
    menuItem(u"Commute"_s, u"Load on the map"_s)->trigger();
    EXPECT_EQ(vm->draft().routeName(), u"Commute"_s);

    // Nothing goes to the iPhone without a ready device; with one, the section stays.
    EXPECT_FALSE(menuItem(u"Home"_s, u"Set as the iPhone’s location"_s)->isEnabled());
    A::setHelperStatus(*vm, readyStatus());
    state.setSection(AppSection::saved);
    QTest::mouseClick(row(u"Home"_s)->findChild<kit::IconButton*>(), Qt::LeftButton);
    EXPECT_TRUE(eventually([&] { return vm->hold().lockedPoint().has_value(); }));
    EXPECT_EQ(state.section(), AppSection::saved);

    // While a route plays everything that loads or sends is off; rename and delete stay.
    A::setRouteRunning(*vm, true);
    for (const QString& title : {u"Home"_s, u"Commute"_s}) {
        EXPECT_FALSE(row(title)->button()->isEnabled());
        EXPECT_FALSE(row(title)->findChild<kit::IconButton*>()->isEnabled());
        for (QAction* action : row(title)->findChild<QMenu*>()->actions()) {
            const bool alwaysOn = action->text() == u"Rename…"_s || action->text() == u"Delete…"_s;
            EXPECT_EQ(action->isEnabled(), alwaysOn || action->isSeparator()) << action->text().toStdString();
        }
    }
}

TEST_F(LibraryPanelsTest, ARowKeepsKeyboardFocusWhileItsListChanges)
{
    SavedPanel& panel = show<SavedPanel>();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    kit::LibraryRow* office = row(u"Office"_s);
    office->button()->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), office->button());

    // Another location added, another renamed, its own name changed: the row stays.
    vm->setSavedLocationName(u"Zoo"_s);
    vm->saveLocation(makePoint(u"Zoo"_s, 50.1, 14.4));
    rename(panel, u"Home"_s, u"Flat"_s);
    rename(panel, u"Office"_s, u"Work"_s);
    EXPECT_EQ(row(u"Work"_s), office);
    EXPECT_EQ(QApplication::focusWidget(), office->button());
    EXPECT_EQ(window.findChildren<kit::LibraryRow*>().size(), 4);

    // Another one deleted: still there, and its menu acts on the renamed location.
    menuItem(u"Flat"_s, u"Delete…"_s)->trigger();
    ASSERT_NE(panel.deletion().dialog(), nullptr);
    panel.deletion().perform();
    EXPECT_EQ(window.findChildren<kit::LibraryRow*>().size(), 3);
    EXPECT_EQ(QApplication::focusWidget(), office->button());
    menuItem(u"Work"_s, u"Add to the route"_s)->trigger();
    ASSERT_EQ(vm->draft().points().size(), 1);
    EXPECT_EQ(vm->draft().points().first().name, u"Work"_s);
}

TEST_F(LibraryPanelsTest, SubtitlesUsePointsAsDecimalSeparatorsAndTheRoutesSummary)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    show<SavedPanel>();
    QLocale::setDefault(QLocale::c());
    const auto subtitle = [&](const QString& title) {
        return row(title)->button()->findChildren<kit::KitLabel*>().last()->text();
    };
    EXPECT_EQ(subtitle(u"Office"_s), u"-33.86880, 151.20930"_s);
    EXPECT_EQ(subtitle(u"Commute"_s), u"Driving · Normal · 2 points"_s);
}

TEST_F(LibraryPanelsTest, HistoryReuseLoadsSetsAndSwitchesSection)
{
    A::setHelperStatus(*vm, readyStatus());
    HistoryPanel& panel = show<HistoryPanel>();
    MainWindowState& state = vm->windowState();
    // Empty: the way to the place panel.
    ASSERT_NE(panel.findChild<kit::EmptyStateView*>(), nullptr);
    panel.findChild<kit::EmptyStateView*>()->findChild<QPushButton*>()->click();
    EXPECT_EQ(state.section(), AppSection::place);

    A::setPoints(*vm, {home, office});
    vm->setRouteName(u"Commute"_s);
    A::saveCurrentRouteToHistory(*vm);
    A::setPoints(*vm, {});
    QTRY_VERIFY_WITH_TIMEOUT(panel.findChildren<kit::LibraryRow*>().size() == 1, 5000);

    // A route entry: the row loads it into the route panel.
    QTest::mouseClick(row(u"Commute"_s)->button(), Qt::LeftButton);
    EXPECT_EQ(vm->draft().points().size(), 2);
    EXPECT_EQ(state.section(), AppSection::route);
    EXPECT_EQ(row(u"Commute"_s)->findChild<kit::IconButton*>()->toolTip(), u"Start route"_s);

    // A location entry: its button sets the point and shows the place panel.
    vm->selectPlace(home, LocationPlannerViewModel::MapFraming::keepCamera);
    vm->pushLastPointToIPhone();
    ASSERT_TRUE(eventually([&] { return vm->hold().lockedPoint().has_value() && !vm->device().isDeviceBusy(); }));
    QTRY_VERIFY_WITH_TIMEOUT(panel.findChildren<kit::LibraryRow*>().size() == 2, 5000);
    vm->selectPlace(office, LocationPlannerViewModel::MapFraming::keepCamera);
    kit::IconButton* setLocation = row(u"Home"_s)->findChild<kit::IconButton*>();
    EXPECT_EQ(setLocation->toolTip(), u"Set location"_s);
    ASSERT_TRUE(eventually([&] { return setLocation->isEnabled(); }));
    QTest::mouseClick(setLocation, Qt::LeftButton);
    EXPECT_EQ(state.section(), AppSection::place);
    EXPECT_TRUE(eventually([&] { return vm->hold().lockedPoint() && vm->hold().lockedPoint()->name == u"Home"_s; }));

    // While a route plays every row and button is off.
    A::setRouteRunning(*vm, true);
    for (kit::LibraryRow* entry : panel.findChildren<kit::LibraryRow*>()) {
        EXPECT_FALSE(entry->button()->isEnabled());
        EXPECT_FALSE(entry->findChild<kit::IconButton*>()->isEnabled());
    }
}

TEST(RelativeDateText, NamesTheDistanceInTheLargestWholeUnit)
{
    const QDateTime now(QDate(2026, 3, 14), QTime(9, 41), Qt::UTC);
    const QList<std::pair<qint64, QString>> cases{
        {-300, u"now"_s}, // a clock set back: never "in 5 min."
        {59, u"now"_s},
        {60, u"1 min. ago"_s},
        {3599, u"59 min. ago"_s},
        {7200, u"2 hr. ago"_s},
        {86400, u"yesterday"_s},
        {3 * 86400, u"3 days ago"_s},
        {15 * 86400, u"2 wk. ago"_s},
        {400 * 86400, u"1 yr. ago"_s},
    };
    for (const auto& [secondsAgo, expected] : cases)
        EXPECT_EQ(common::relativeDateText(now.addSecs(-secondsAgo), now), expected) << secondsAgo;
}

} // namespace

TEST_F(LibraryPanelsTest, HistoryDatesFollowTheClockWhileShown)
{
    HistoryPanel& panel = show<HistoryPanel>();
    panel.ticker().setInterval(std::chrono::milliseconds(20));
    A::setPoints(*vm, {home, office});
    vm->setRouteName(u"Commute"_s);
    A::saveCurrentRouteToHistory(*vm);
    const auto subtitle = [&] { return row(u"Commute"_s)->button()->findChildren<kit::KitLabel*>().last()->text(); };
    QTRY_VERIFY_WITH_TIMEOUT(panel.findChildren<kit::LibraryRow*>().size() == 1, 5000);
    EXPECT_TRUE(subtitle().endsWith(u"now"_s)) << subtitle().toStdString();

    clock.advance(std::chrono::minutes(5));
    QTRY_VERIFY_WITH_TIMEOUT(subtitle().endsWith(u"5 min. ago"_s), 5000);
    // Hidden, it keeps still.
    window.hide();
    EXPECT_FALSE(panel.ticker().isTicking());
}
