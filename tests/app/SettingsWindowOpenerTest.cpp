#include "app/SettingsWindowOpener.h"

#include "ShellFixture.h"
#include "app/AppCommands.h"
#include "app/MainWindowView.h"
#include "app/WidgetFileDialogs.h"
#include "planner/MainWindowState.h"
#include "routedata/AppSettings.h"
#include "views/kit/KitLabel.h"
#include "views/kit/MetricView.h"
#include "views/route/RoutePanel.h"
#include "views/route/RouteSummaryCard.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

using namespace ostrevin;
using namespace ostrevin::test;
using namespace Qt::StringLiterals;

namespace {

class SettingsWindowOpenerTest : public ShellFixture {
protected:
    WidgetFileDialogs realDialogs;
};

TEST_F(SettingsWindowOpenerTest, TheMenuAndTheToolbarLinkOpenOneWindowAndAClosedOneOpensAgainOnGeneral)
{
    build();
    ASSERT_NE(window->content(), nullptr);
    auto* opener = new SettingsWindowOpener({*vm, *runtime, *settings, [] {}, {}, u"system"_s}, *window);

    window->commands()->action(u"settings"_s)->trigger();
    QPointer<SettingsWindow> first = opener->window();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->currentTab(), SettingsTab::general);
    first->setCurrentTab(SettingsTab::advanced);
    window->content()->settingsLink()->trigger();
    EXPECT_EQ(opener->window(), first.data());
    EXPECT_EQ(first->currentTab(), SettingsTab::advanced);
    // The installed runtime's version stands under the add-on component.
    const auto labels = first->findChildren<kit::KitLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](kit::KitLabel* label) {
        return label->text().startsWith(u"Installed version: "_s) && !label->isHidden();
    }));

    first->close();
    ASSERT_TRUE(eventually([&] { return first.isNull(); }));
    window->commands()->action(u"settings"_s)->trigger();
    ASSERT_NE(opener->window(), nullptr);
    EXPECT_EQ(opener->window()->currentTab(), SettingsTab::general);
}

TEST_F(SettingsWindowOpenerTest, CtrlQInTheSettingsWindowQuitsAsTheMenuDoes)
{
    build();
    auto* opener = new SettingsWindowOpener({*vm, *runtime, *settings, [] {}, {}, u"system"_s}, *window);
    window->commands()->action(u"settings"_s)->trigger();
    SettingsWindow* settingsWindow = opener->window();
    ASSERT_TRUE(QTest::qWaitForWindowActive(settingsWindow));
    QSignalSpy quit(window.get(), &MainWindow::quitRequested);
    QTest::keyClick(settingsWindow, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quit.count(), 1);
}

// Settings is the active window throughout: an export started there asks and reports over
// it; a failed set, which nobody started there, comes up over the main window.
TEST_F(SettingsWindowOpenerTest, AnExportAsksAndReportsOverTheWindowItStartedFromAndAFailedSetOverTheMainWindow)
{
    fileDialogs = &realDialogs;
    build();
    realDialogs.setWindow(window.get());
    PlannerTestAccess::setPoints(*vm, {makePoint(u"Prague"_s, 50.08, 14.42)});
    auto* opener = new SettingsWindowOpener({*vm, *runtime, *settings, [] {}, {}, u"system"_s}, *window);
    opener->open();
    SettingsWindow* settingsWindow = opener->window();
    settingsWindow->setCurrentTab(SettingsTab::advanced);
    ASSERT_TRUE(QTest::qWaitForWindowActive(settingsWindow));
    const auto noticeOver = [](QWidget* owner) {
        return owner->findChild<QMessageBox*>(u"noticeAlert"_s, Qt::FindDirectChildrenOnly);
    };

    settingsWindow->findChild<QPushButton*>(u"exportGPX"_s)->click();
    auto* dialog = settingsWindow->findChild<QFileDialog*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_NE(dialog, nullptr);
    dialog->selectFile(dir.file(u"Prague.gpx"_s));
    static_cast<QDialog*>(dialog)->accept();
    ASSERT_TRUE(eventually([&] { return noticeOver(settingsWindow) != nullptr; }));
    QPointer<QMessageBox> saved = noticeOver(settingsWindow);

    vm->setNotice(u"Couldn’t set the location. iPhone is locked."_s);
    ASSERT_NE(noticeOver(window.get()), nullptr);
    EXPECT_TRUE(eventually([&] { return saved.isNull(); }));
    EXPECT_TRUE(vm->notice().has_value()) << "the box over Settings gave way without clearing the notice";
}

TEST_F(SettingsWindowOpenerTest, ChangingUnitsRewritesTheRoutePanelAtOnce)
{
    build();
    // As the application does: the formatter reads the units from this store.
    AppSettings::setStandardStore(settings.get());
    const auto uninstall = qScopeGuard([] { AppSettings::setStandardStore(nullptr); });
    AppSettings::setUnits(MeasurementUnits::kilometers, *settings);
    auto* opener = new SettingsWindowOpener({*vm, *runtime, *settings, [] {}, {}, u"system"_s}, *window);
    vm->windowState().setSection(AppSection::route);
    SavedRoute trip;
    trip.name = u"Trip"_s;
    trip.points = {makePoint(u"A"_s, 50, 14), makePoint(u"B"_s, 50.2, 14.2)};
    vm->loadSavedRoute(trip);
    vm->setSelectedSpeedProfile(RouteSpeedProfile::extreme);
    auto* panel = window->findChild<RoutePanel*>();
    ASSERT_TRUE(panel && panel->summaryCard());
    const auto unitTexts = [&] {
        QStringList texts{panel->townSpeedText(), panel->speedMenu()->toolTip()};
        for (const kit::MetricView* metric : panel->summaryCard()->findChildren<kit::MetricView*>())
            texts << metric->accessibleName();
        for (const kit::KitLabel* label : panel->speedControl()->findChildren<kit::KitLabel*>())
            texts << label->text();
        return texts.filter(QRegularExpression(u"\\d ?(km|mi|ft|mph)\\b"_s));
    };
    const QStringList metric = unitTexts();
    ASSERT_GE(metric.size(), 4) << metric.join(u" | "_s).toStdString();

    window->commands()->action(u"settings"_s)->trigger();
    auto* picker = opener->window()->findChild<QComboBox*>(u"unitsPicker"_s);
    ASSERT_NE(picker, nullptr);
    picker->setFocus(Qt::TabFocusReason);
    QTest::keyClick(picker, Qt::Key_Down);
    ASSERT_EQ(AppSettings::units(*settings), MeasurementUnits::miles);
    const QStringList imperial = unitTexts();
    EXPECT_EQ(imperial.size(), metric.size()) << imperial.join(u" | "_s).toStdString();
    EXPECT_TRUE(imperial.filter(u"km"_s).isEmpty()) << imperial.join(u" | "_s).toStdString();
}

} // namespace
