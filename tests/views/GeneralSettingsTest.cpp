#include "SettingsFixture.h"
#include "routedata/AppLanguage.h"

#include <QPushButton>
#include <QStandardItemModel>
#include <QTest>

using namespace ostrevin;
using namespace ostrevin::test;
using namespace Qt::StringLiterals;

namespace {

class GeneralSettingsTest : public SettingsFixture {};

TEST_F(GeneralSettingsTest, OpensOnGeneralAndShowsOneTabAtATime)
{
    open();
    EXPECT_EQ(window->currentTab(), SettingsTab::general);
    window->tabButton(SettingsTab::alerts)->click();
    EXPECT_EQ(window->currentTab(), SettingsTab::alerts);
    for (SettingsTab tab : allCases<SettingsTab>())
        EXPECT_EQ(window->tabContent(tab)->isHidden(), tab != SettingsTab::alerts);
}

TEST_F(GeneralSettingsTest, RestartNowAsksFirstOnlyWhileSomethingRunsOnTheIPhone)
{
    struct Case {
        const char* name;
        bool held, routeRunning, asks;
    };
    for (const Case& c :
         {Case{"idle", false, false, false}, Case{"held", true, false, true}, Case{"route", false, true, true}}) {
        SCOPED_TRACE(c.name);
        build();
        if (c.held)
            PlannerTestAccess::holdPoint(*vm, makePoint(u"Prague"_s, 50.08, 14.42), true);
        PlannerTestAccess::setRouteRunning(*vm, c.routeRunning);
        relaunches = 0;
        open();
        pick(u"languagePicker"_s, u"en"_s);
        child<QPushButton>(u"restartNow"_s)->click();
        EXPECT_EQ(relaunches, c.asks ? 0 : 1);
        EXPECT_EQ(window->findChild<QMessageBox*>(u"relaunchConfirmation"_s) != nullptr, c.asks);
        if (c.asks) {
            ASSERT_TRUE(answer(u"relaunchConfirmation"_s, u"Restart"_s));
            EXPECT_EQ(relaunches, 1);
        }
        window.reset();
    }
}

TEST_F(GeneralSettingsTest, CancellingTheRestartKeepsTheNewLanguageStoredAndTheRowShown)
{
    build();
    PlannerTestAccess::holdPoint(*vm, makePoint(u"Prague"_s, 50.08, 14.42), true);
    open();
    auto* row = child<QWidget>(u"restartRow"_s);
    EXPECT_TRUE(row->isHidden());
    pick(u"languagePicker"_s, u"en"_s);
    EXPECT_EQ(AppLanguage::selectedCode(*settings), u"en"_s);
    EXPECT_FALSE(row->isHidden());
    child<QPushButton>(u"restartNow"_s)->click();
    ASSERT_TRUE(answer(u"relaunchConfirmation"_s, u"Cancel"_s));
    EXPECT_EQ(relaunches, 0);
    EXPECT_FALSE(row->isHidden());
    // Back to what the run started with: no restart needed, and no empty list stored.
    pick(u"languagePicker"_s, AppLanguage::systemTag());
    EXPECT_TRUE(row->isHidden());
    EXPECT_FALSE(settings->contains(AppSettings::name(AppSettings::Key::appleLanguages)));
}

TEST_F(GeneralSettingsTest, NewRouteDefaultsApplyToAnEmptyDraftOnly)
{
    open();
    auto* travel = child<QComboBox>(u"travelModePicker"_s);
    ASSERT_EQ(travel->count(), 3);
    EXPECT_EQ(travel->itemData(2).toString(), u"transit"_s);
    pick(u"travelModePicker"_s, u"walking"_s);
    EXPECT_EQ(AppSettings::defaultTravelMode(*settings), RouteTransportMode::walking);
    EXPECT_EQ(vm->draft().selectedTransportMode(), RouteTransportMode::walking);

    PlannerTestAccess::setPoints(*vm, {makePoint(u"A"_s, 50, 14)});
    pick(u"speedPicker"_s, u"fast"_s);
    EXPECT_EQ(AppSettings::defaultSpeedProfile(*settings), RouteSpeedProfile::fast);
    EXPECT_EQ(vm->draft().selectedSpeedProfile(), RouteSpeedProfile::normal);
    PlannerTestAccess::setPoints(*vm, {});
    vm->setSelectedSpeedProfile(RouteSpeedProfile::slow);
    pick(u"speedPicker"_s, u"fast"_s); // the value in force again: the empty draft keeps what it was given
    EXPECT_EQ(vm->draft().selectedSpeedProfile(), RouteSpeedProfile::slow);
}

TEST_F(GeneralSettingsTest, PickersFollowTheStoreAndShowNoRowForAnUnknownValue)
{
    settings->setValue(AppSettings::name(AppSettings::Key::units), u"furlongs"_s);
    open();
    EXPECT_EQ(child<QComboBox>(u"unitsPicker"_s)->currentIndex(), -1);
    EXPECT_EQ(settings->value(AppSettings::name(AppSettings::Key::units)).toString(), u"furlongs"_s);
    EXPECT_EQ(child<QComboBox>(u"speedPicker"_s)->currentData().toString(), u"normal"_s);
    // The map's own style menu writes the same key.
    AppSettings::setMapStyle(MapStylePreference::hybrid, *settings);
    EXPECT_EQ(child<QComboBox>(u"mapStylePicker"_s)->currentData().toString(), u"hybrid"_s);
}

TEST_F(GeneralSettingsTest, AMapStyleWithoutTilesHereSaysSoAndCannotBePicked)
{
    // This run has hybrid tiles, and no satellite ones.
    qputenv("OSTREVIN_SATELLITE_TILES_URL", "off");
    qputenv("OSTREVIN_HYBRID_TILES_URL", "https://tiles.invalid/{z}/{x}/{y}.png");
    open();
    qunsetenv("OSTREVIN_SATELLITE_TILES_URL");
    qunsetenv("OSTREVIN_HYBRID_TILES_URL");
    auto* picker = child<QComboBox>(u"mapStylePicker"_s);
    const auto* rows = qobject_cast<QStandardItemModel*>(picker->model());
    ASSERT_NE(rows, nullptr);
    ASSERT_EQ(picker->count(), 3);
    const QStringList expected{u"Standard"_s, u"Satellite (not available)"_s, u"Hybrid"_s};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(picker->itemText(row), expected[row]);
        EXPECT_EQ(rows->item(row)->isEnabled(), row != 1) << row;
    }
}

} // namespace

TEST_F(GeneralSettingsTest, ReturnAndEscapeOnTheRestartQuestionDoNotRestart)
{
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        SCOPED_TRACE(key == Qt::Key_Return ? "Return" : "Escape");
        build();
        PlannerTestAccess::holdPoint(*vm, makePoint(u"Prague"_s, 50.08, 14.42), true);
        relaunches = 0;
        SettingsWindow& shown = open();
        shown.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&shown));
        pick(u"languagePicker"_s, u"en"_s);
        child<QPushButton>(u"restartNow"_s)->click();
        QPointer<QMessageBox> box = child<QMessageBox>(u"relaunchConfirmation"_s);
        ASSERT_TRUE(box);
        box->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(box));
        QTest::keyClick(box->focusWidget() ? box->focusWidget() : box.data(), key);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !box || !box->isVisible(); }, 2000));
        EXPECT_EQ(relaunches, 0);
        window.reset();
    }
}
