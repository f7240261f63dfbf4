#include "ShellFixture.h"
#include "app/AppCommands.h"
#include "app/MainWindowView.h"
#include "planner/MainWindowState.h"
#include "views/kit/IconButton.h"
#include "views/place/PlacePanel.h"
#include "views/place/SelectedPlaceCard.h"
#include "views/route/RoutePanel.h"
#include "views/route/RouteSummaryCard.h"

#include <QAction>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace ostrevin;
using namespace ostrevin::test;

namespace {

SavedRoute route(const QString& name, int count)
{
    SavedRoute saved;
    saved.name = name;
    saved.speedKmh = 50;
    for (int i = 0; i < count; ++i)
        saved.points << makePoint(QStringLiteral("P%1").arg(i + 1), 50 + i * 0.01, 14 + i * 0.01);
    return saved;
}

/// The questions of the real window, answered from the keyboard or the mouse.
class ConfirmationTest : public ShellFixture {
protected:
    /// The open, active box of that name.
    QMessageBox* shownBox(const QString& name)
    {
        QMessageBox* box = nullptr;
        if (!QTest::qWaitFor(
                [&] {
                    box = window->findChild<QMessageBox*>(name);
                    return box && box->isVisible();
                },
                5000))
            return nullptr;
        box->activateWindow();
        return QTest::qWaitForWindowActive(box) ? box : nullptr;
    }

    void closeWith(QMessageBox* box, Qt::Key key)
    {
        QPointer<QMessageBox> guard(box);
        QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, key);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !guard || !guard->isVisible(); }, 2000));
    }

    RoutePanel& routePanel() const { return *window->findChild<RoutePanel*>(); }
    PlacePanel& placePanel() const { return *window->findChild<PlacePanel*>(); }

    kit::IconButton* star() const
    {
        for (auto* button : placePanel().card()->findChildren<kit::IconButton*>()) {
            if (button->toolTip() == QStringLiteral("Save location"))
                return button;
        }
        return nullptr;
    }

    /// Selects a place named Home away from the saved Home, whose star then asks.
    void selectAnotherHome()
    {
        vm->selectPlace(makePoint(QStringLiteral("Home"), 48.2, 16.37),
                        LocationPlannerViewModel::MapFraming::keepCamera);
        ASSERT_TRUE(QTest::qWaitFor([&] { return placePanel().card() && star(); }, 2000));
    }
};

} // namespace

TEST_F(ConfirmationTest, ReturnAndEscapeCancelEveryDestructiveConfirmation)
{
    AppSettings::setLockedPoint(makePoint(QStringLiteral("Held"), 50.0875, 14.4213), *settings);
    build();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    vm->selectPlace(makePoint(QStringLiteral("Home"), 50.08, 14.42), LocationPlannerViewModel::MapFraming::keepCamera);
    star()->click();
    ASSERT_EQ(vm->library().savedLocations().size(), 1);
    vm->loadSavedRoute(route(QStringLiteral("Trip"), 2));
    vm->setSavedRouteName(QStringLiteral("Trip"));
    vm->saveCurrentRouteAsNamed();
    ASSERT_EQ(vm->library().savedRoutes().size(), 1);
    QSignalSpy quit(window.get(), &MainWindow::quitRequested);

    struct Case {
        const char* name;
        const char* box;
        std::function<void()> ask;
        std::function<bool()> untouched;
    };
    const Case cases[] = {
        {"reset location", "resetConfirmation",
         [&] { window->commands()->action(QStringLiteral("resetLocation"))->trigger(); },
         [&] { return vm->hold().lockedPoint() && !vm->hold().isLocationResetPending(); }},
        {"quit", "quitConfirmation", [&] { window->close(); }, [&] { return quit.isEmpty(); }},
        {"clear route", "deletionConfirmation",
         [&] {
             vm->windowState().setSection(AppSection::route);
             vm->loadSavedRoute(route(QStringLiteral("Trip"), 3));
             routePanel().resetButton()->click();
         },
         [&] { return vm->draft().points().size() == 3; }},
        {"save a route under a taken name", "routeNameReplacement",
         [&] { routePanel().summaryCard()->saveButton()->click(); },
         [&] { return vm->library().savedRoutes().first().points.size() == 2; }},
        {"save a location under a taken name", "locationNameReplacement",
         [&] {
             vm->windowState().setSection(AppSection::place);
             selectAnotherHome();
             star()->click();
         },
         [&] { return vm->library().savedLocations().first().point.latitude == 50.08; }},
    };
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (key == Qt::Key_Return ? ", Return" : ", Escape"));
            c.ask();
            QMessageBox* box = shownBox(QString::fromLatin1(c.box));
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->escapeButton(), box->button(QMessageBox::Cancel));
            EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Cancel));
            closeWith(box, key);
            EXPECT_TRUE(c.untouched());
            EXPECT_FALSE(vm->library().pendingNameReplacement().has_value());
            window->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        }
    }
}

TEST_F(ConfirmationTest, TheStarOfASecondPlaceOfTheSameNameAsksBeforeReplacingTheSavedOne)
{
    build();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    vm->selectPlace(makePoint(QStringLiteral("Home"), 50.08, 14.42), LocationPlannerViewModel::MapFraming::keepCamera);
    ASSERT_TRUE(QTest::qWaitFor([&] { return star() != nullptr; }, 2000));
    QTest::mouseClick(star(), Qt::LeftButton);
    ASSERT_EQ(vm->library().savedLocations().size(), 1);

    selectAnotherHome();
    QTest::mouseClick(star(), Qt::LeftButton);
    QMessageBox* box = shownBox(QStringLiteral("locationNameReplacement"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("Replace “Home”?"));
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    QAbstractButton* replace = nullptr;
    for (QAbstractButton* button : box->buttons()) {
        if (box->buttonRole(button) == QMessageBox::DestructiveRole)
            replace = button;
    }
    ASSERT_NE(replace, nullptr);
    EXPECT_EQ(replace->text(), QStringLiteral("Replace"));
    QTest::mouseClick(replace, Qt::LeftButton);
    ASSERT_EQ(vm->library().savedLocations().size(), 1);
    EXPECT_DOUBLE_EQ(vm->library().savedLocations().first().point.latitude, 48.2);
    EXPECT_FALSE(vm->library().pendingNameReplacement().has_value());
}
