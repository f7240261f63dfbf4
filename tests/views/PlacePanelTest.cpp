#include "views/place/PlacePanel.h"

#include "planner/MainWindowState.h"
#include "planner/PlannerFixture.h"
#include "platform/FixedPlaceSearchService.h"
#include "platform/PhotonPlaceSearchService.h"
#include "support/FakeHttpServer.h"
#include "support/FocusPictures.h"
#include "views/common/DeviceBlockerNotice.h"
#include "views/common/MapMark.h"
#include "views/kit/ActionButton.h"
#include "views/kit/Brand.h"
#include "views/kit/ElidingLineEdit.h"
#include "views/kit/IconButton.h"
#include "views/kit/LibraryRow.h"
#include "views/kit/PanelSection.h"
#include "views/kit/SymbolMark.h"
#include "views/place/CityChips.h"
#include "views/place/PlaceSearchField.h"
#include "views/place/SelectedPlaceCard.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QScrollArea>
#include <QTest>
#include <cmath>

using namespace ostrevin;
using namespace ostrevin::test;

namespace {

class PlacePanelTest : public PlannerFixture {
protected:
    PlacePanel& show(PlaceSearchService& service)
    {
        panel = std::make_unique<PlacePanel>(build(), service);
        panel->resize(308, 720);
        panel->show();
        QApplication::setActiveWindow(panel.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(panel.get()));
        return *panel;
    }

    void TearDown() override
    {
        panel.reset();
        PlannerFixture::TearDown();
    }

    FixedPlaceSearchService noPlaces{{}};
    std::unique_ptr<PlacePanel> panel;
};

RouteHistoryItem historyEntry(const char* title, int pointCount)
{
    RouteHistoryItem item;
    item.title = QString::fromUtf8(title);
    for (int i = 0; i < pointCount; ++i)
        item.points << makePoint(item.title, 50 + i, 14);
    return item;
}

} // namespace

TEST_F(PlacePanelTest, SetLocationIsEnabledOnlyForASelectedPointOnAFreeReadyIPhone)
{
    struct Case {
        const char* name;
        bool selected;
        std::function<void(LocationPlannerViewModel&)> state;
        bool enabled;
    };
    const Case cases[] = {
        {"ready, point selected", true, [](auto&) {}, true},
        {"no point", false, [](auto&) {}, false},
        {"iPhone not connected", true,
         [](auto& vm) { PlannerTestAccess::setHelperStatus(vm, LocationHelperStatus::missing()); }, false},
        {"route plays", true, [](auto& vm) { PlannerTestAccess::setRouteRunning(vm, true); }, false},
        {"route being planned", true, [](auto& vm) { PlannerTestAccess::setPlanning(vm, true); }, false},
        {"device busy", true, [](auto& vm) { PlannerTestAccess::setDeviceBusy(vm, true); }, false},
        {"reset pending", true, [](auto& vm) { PlannerTestAccess::setResetPending(vm, true); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlacePanel& shown = show(noPlaces);
        PlannerTestAccess::setHelperStatus(*vm, readyStatus());
        if (c.selected)
            vm->selectPlace(makePoint(QStringLiteral("Here"), 50, 14),
                            LocationPlannerViewModel::MapFraming::keepCamera);
        c.state(*vm);
        EXPECT_EQ(shown.setLocationButton()->isEnabled(), c.enabled);
        const bool editable = vm->canEditRouteDraft();
        EXPECT_EQ(shown.searchField()->isEnabled(), editable);
        EXPECT_EQ(shown.cityChips()->isEnabled(), editable);
        EXPECT_EQ(shown.card() != nullptr, c.selected) << "the card stays visible while locked";
        panel.reset();
        vm.reset();
    }
}

TEST_F(PlacePanelTest, TheBlockerNoticeExplainsAndOpensTheDevicePopover)
{
    LocationHelperStatus connected = LocationHelperStatus::missing();
    connected.helper = LocationHelper{};
    connected.isDeviceConnected = true;
    LocationHelperStatus unplugged = connected;
    unplugged.isDeviceConnected = false;
    struct Case {
        const char* name;
        bool checked;
        LocationHelperStatus status;
        bool resetPending;
        QString message;
    };
    const Case cases[] = {
        {"before the first check", false, LocationHelperStatus::missing(), false, {}},
        {"ready", true, readyStatus(), false, {}},
        {"reset pending while ready", true, readyStatus(), true, QStringLiteral("Finish the location reset first.")},
        {"no helper tool", true, LocationHelperStatus::missing(), false,
         QStringLiteral("Quit Ostrevin and open it again, then click Install.")},
        {"connected, not ready", true, connected, false, QStringLiteral("Click Prepare iPhone.")},
        {"no iPhone", true, unplugged, false, QStringLiteral("Connect iPhone with a cable and unlock it.")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlacePanel& shown = show(noPlaces);
        PlannerTestAccess::setHelperStatus(*vm, c.status);
        PlannerTestAccess::setResetPending(*vm, c.resetPending);
        if (c.checked)
            PlannerTestAccess::setLastDeviceCheck(*vm, QDateTime::currentDateTimeUtc());
        DeviceBlockerNotice* notice = shown.blockerNotice();
        EXPECT_EQ(notice->message(), c.message);
        EXPECT_EQ(notice->isVisible(), !c.message.isEmpty());
        if (notice->isVisible()) {
            // Right of the text is part of the button too.
            QTest::mouseClick(notice, Qt::LeftButton, {}, QPoint(notice->width() - 2, notice->height() / 2));
            EXPECT_TRUE(vm->windowState().isDevicePopoverPresented());
            QTest::mouseClick(notice, Qt::LeftButton);
            EXPECT_TRUE(vm->windowState().isDevicePopoverPresented());
        }
        panel.reset();
        vm.reset();
    }
}

TEST_F(PlacePanelTest, TheCardCommitsTrimmedNamesAndKeepsWhatTheUserTypesInAPanelNoTallerThanItsContent)
{
    PlacePanel& shown = show(noPlaces);
    vm->selectPlace(makePoint(QStringLiteral("Old"), 50, 14), LocationPlannerViewModel::MapFraming::keepCamera);
    SelectedPlaceCard* card = shown.card();
    ASSERT_NE(card, nullptr);
    QLineEdit* name = card->nameField();

    struct Case {
        const char* name;
        const char* typed;
        bool pressReturn; // else the focus moves away
        const char* expected;
    };
    const Case cases[] = {
        {"Return trims", "  Home  ", true, "Home"},
        {"an emptied field restores the name", "   ", false, "Home"},
        {"focus loss commits", "Work", false, "Work"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        name->setFocus(Qt::MouseFocusReason);
        name->setText(QString::fromUtf8(c.typed));
        if (c.pressReturn)
            QTest::keyClick(name, Qt::Key_Return);
        else
            shown.searchField()->lineEdit()->setFocus(Qt::TabFocusReason);
        EXPECT_EQ(vm->draft().selectedPoint()->name, QString::fromUtf8(c.expected));
        EXPECT_EQ(name->text(), QString::fromUtf8(c.expected));
    }

    // A rename from elsewhere waits while the user types; another place does not.
    name->setFocus(Qt::MouseFocusReason);
    name->setText(QStringLiteral("Typing"));
    vm->renameSelectedPoint(QStringLiteral("Geocoded"));
    EXPECT_EQ(name->text(), QStringLiteral("Typing"));
    shown.cityChips()->chips().first()->click();
    EXPECT_EQ(shown.card(), card);
    EXPECT_EQ(name->text(), QStringLiteral("Prague"));
    // A short panel scrolls no further than its content.
    shown.resize(308, 300);
    QCoreApplication::processEvents();
    const QWidget* column = shown.findChild<QScrollArea*>()->widget();
    EXPECT_EQ(column->height(), shown.cityChips()->mapTo(column, QPoint(0, shown.cityChips()->height())).y() +
                                    column->layout()->contentsMargins().bottom());
}

TEST_F(PlacePanelTest, ALongNameEndsInAnEllipsisAndTheCoordinatesShrinkBeforeTheyAreCut)
{
    build();
    SelectedPlaceCard card(*vm, makePoint(u"Kostel Nejsvětější Trojice a klášter na Novém Městě"_qs, -33.9, -151));
    card.show();
    auto* title = qobject_cast<kit::ElidingLineEdit*>(card.nameField());
    ASSERT_NE(title, nullptr);
    auto* coordinates = card.findChild<QWidget*>(QStringLiteral("coordinates"));
    const int full = coordinates->font().pixelSize();
    for (const auto& [width, size] : {std::pair(420, full), {225, full - 1}, {160, int(std::ceil(full * 0.8))}}) {
        card.resize(width, 120);
        QTRY_COMPARE_WITH_TIMEOUT(coordinates->font().pixelSize(), size, 5000);
        title->clearFocus();
        EXPECT_TRUE(title->shownText().endsWith(u'…')) << width;
    }
}

TEST_F(PlacePanelTest, ThePinIsLiveOnlyWithinAMillionthOfADegreeOfTheHeldPoint)
{
    PlacePanel& shown = show(noPlaces);
    vm->selectPlace(makePoint(QStringLiteral("Here"), 50, 14), LocationPlannerViewModel::MapFraming::keepCamera);
    EXPECT_FALSE(shown.card()->isPinLive()) << "nothing held";
    struct Case {
        double latitude;
        double longitude;
        bool live;
    };
    for (const Case& c : {Case{50.0, 14.0, true}, Case{50.000001, 13.999999, true}, Case{50.0000011, 14.0, false},
                          Case{50.0, 14.0000011, false}}) {
        PlannerTestAccess::holdPoint(*vm, makePoint(QStringLiteral("Held"), c.latitude, c.longitude), true);
        EXPECT_EQ(shown.card()->isPinLive(), c.live) << c.latitude << ", " << c.longitude;
    }
}

TEST_F(PlacePanelTest, RecentPlacesAreTheNewestFourSinglePoints)
{
    const QList<RouteHistoryItem> history = {historyEntry("A", 1), historyEntry("route", 2), historyEntry("B", 1),
                                             historyEntry("C", 1), historyEntry("empty", 0), historyEntry("D", 1),
                                             historyEntry("E", 1)};
    QStringList titles;
    for (const RouteHistoryItem& item : PlacePanel::recentPlaces(history))
        titles << item.title;
    EXPECT_EQ(titles, (QStringList{u"A"_qs, u"B"_qs, u"C"_qs, u"D"_qs}));
    EXPECT_TRUE(PlacePanel::recentPlaces({historyEntry("route", 2)}).isEmpty());
}

TEST_F(PlacePanelTest, ASlowSearchDoesNotReplaceACityPickedMeanwhile)
{
    FakeHttpServer server;
    FakeHttpReply slow = FakeHttpReply::json(
        R"({"features":[{"geometry":{"type":"Point","coordinates":[13.4,52.5]},"properties":{"name":"Berlin"}}]})");
    slow.delayMs = 300;
    server.setReply("GET", "/api", slow);
    QNetworkAccessManager network;
    network.setProxy(QNetworkProxy::NoProxy);
    PhotonPlaceSearchService photon(network, server.url());
    PlacePanel& shown = show(photon);
    QLineEdit* search = shown.searchField()->lineEdit();

    search->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(search, QStringLiteral("Berlin"));
    QTest::keyClick(search, Qt::Key_Return);
    EXPECT_TRUE(shown.searchField()->isResolving());
    shown.cityChips()->chips().first()->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !shown.searchField()->isResolving(); }, 10000));
    QTest::qWait(50);
    EXPECT_EQ(vm->draft().selectedPoint()->name, QStringLiteral("Prague"));

    // Undisturbed, the same search picks its place, and a failure becomes the notice.
    search->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(search, QStringLiteral("Berlin"));
    QTest::keyClick(search, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return vm->draft().selectedPoint()->name == u"Berlin"; }, 10000));
    server.setReply("GET", "/api", FakeHttpReply::json(R"({"features":[]})"));
    search->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(search, QStringLiteral("Nowhere"));
    QTest::keyClick(search, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return vm->notice().has_value(); }, 10000));
    EXPECT_EQ(vm->notice().value_or(QString()), QStringLiteral("The address “Nowhere” wasn’t found."));
    EXPECT_EQ(vm->draft().selectedPoint()->name, QStringLiteral("Berlin"));
}

TEST_F(PlacePanelTest, ListsSixSavedLocationsAndRowsAndStarActOnTheDraft)
{
    QList<SavedLocation> saved;
    for (int i = 0; i < 7; ++i) {
        SavedLocation location;
        location.name = u"Saved %1"_qs.arg(i);
        location.point = makePoint(location.name, 51.5074, -0.1278 + i);
        saved << location;
    }
    store().save(saved, store().savedLocationsPath());
    store().save(QList{historyEntry("Vyšehrad", 1)}, store().historyPath());
    PlacePanel& shown = show(noPlaces);

    const auto savedRows = shown.savedSection()->findChildren<kit::LibraryRow*>();
    ASSERT_EQ(savedRows.size(), PlacePanel::savedLocationLimit);
    savedRows.first()->button()->click();
    EXPECT_EQ(vm->draft().selectedPoint()->name, QStringLiteral("Saved 0"));
    const auto recentRows = shown.recentSection()->findChildren<kit::LibraryRow*>();
    ASSERT_EQ(recentRows.size(), 1);
    recentRows.first()->button()->click();
    EXPECT_EQ(vm->draft().selectedPoint()->name, QStringLiteral("Vyšehrad"));

    // The star takes a name being typed into the point before saving it.
    QLineEdit* name = shown.card()->nameField();
    name->setFocus(Qt::MouseFocusReason);
    name->setText(QStringLiteral(" Castle hill "));
    shown.card()->findChild<kit::IconButton*>()->click();
    EXPECT_EQ(vm->library().savedLocations().first().name, QStringLiteral("Castle hill"));
    EXPECT_TRUE(vm->library().isSavedLocation(shown.card()->point()));
}

TEST_F(PlacePanelTest, TheBlockerNoticeShowsTheKeyboardFocus)
{
    PlacePanel& shown = show(noPlaces);
    PlannerTestAccess::setHelperStatus(*vm, LocationHelperStatus::missing());
    PlannerTestAccess::setLastDeviceCheck(*vm, QDateTime::currentDateTimeUtc());
    DeviceBlockerNotice* notice = shown.blockerNotice();
    ASSERT_TRUE(notice->isVisible());
    const test::FocusPictures pictures = test::focusPictures(*notice);
    ASSERT_TRUE(pictures.hadFocus);
    EXPECT_NE(pictures.focused, pictures.unfocused);
}

TEST_F(PlacePanelTest, ARenameRefusedWhileEditingIsLockedPutsThePointsNameBack)
{
    PlacePanel& shown = show(noPlaces);
    vm->selectPlace(makePoint(u"Old"_qs, 50.08, 14.42), LocationPlannerViewModel::MapFraming::keepCamera);
    ASSERT_NE(shown.card(), nullptr);
    QLineEdit* name = shown.card()->nameField();
    QTest::mouseClick(name, Qt::LeftButton);
    ASSERT_TRUE(name->hasFocus());
    QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(name, u"New"_qs);

    // A background check locks editing: the field goes disabled and the rename is refused.
    PlannerTestAccess::setCheckingDevice(*vm, true);
    EXPECT_EQ(vm->draft().selectedPoint()->name, u"Old"_qs);
    EXPECT_EQ(name->text(), u"Old"_qs);
    PlannerTestAccess::setCheckingDevice(*vm, false);
    EXPECT_EQ(name->text(), u"Old"_qs);
}

TEST_F(PlacePanelTest, TheCardAndTheMapAgreeWhetherTheIPhoneIsOnThePoint)
{
    PlacePanel& shown = show(noPlaces);
    struct Case {
        const char* name;
        double heldLatitude;
        bool live;
    };
    // 50.087501 − 50.0875 is a little over a millionth in binary.
    for (const Case& c : {Case{"same", 50.0875, true}, Case{"a millionth apart", 50.087501, true},
                          Case{"two millionths apart", 50.087502, false}}) {
        SCOPED_TRACE(c.name);
        PlannerTestAccess::holdPoint(*vm, makePoint(u"Held"_qs, c.heldLatitude, 14.4213), true);
        vm->selectPlace(makePoint(u"Here"_qs, 50.0875, 14.4213), LocationPlannerViewModel::MapFraming::keepCamera);
        ASSERT_NE(shown.card(), nullptr);
        EXPECT_EQ(shown.card()->isPinLive(), c.live);
        const QList<MapMark> marks =
            MapMark::forDraft(vm->draft().points(), vm->hold().routeLivePoint(), vm->hold().lockedPoint());
        ASSERT_EQ(marks.size(), 1);
        EXPECT_EQ(marks.first().isLive, c.live);
        EXPECT_EQ(MapMark::beacon(marks, vm->hold().routeLivePoint(), vm->hold().lockedPoint()).has_value(), !c.live);
    }
}

TEST_F(PlacePanelTest, TheSearchGlyphFollowsALightDarkChange)
{
    PlacePanel& shown = show(noPlaces);
    kit::SymbolMark* glyph = nullptr;
    for (kit::SymbolMark* mark : shown.findChildren<kit::SymbolMark*>())
        if (mark->symbol() == "magnifyingglass"_symbol)
            glyph = mark;
    ASSERT_NE(glyph, nullptr);
    const kit::Brand saved = kit::Brand::current();
    QImage pictures[2];
    for (const bool dark : {false, true}) {
        AppearanceState appearance = saved.appearance;
        appearance.dark = dark;
        // The theme sets the appearance's palette; the text colours come from it.
        QPalette palette;
        palette.setColor(QPalette::WindowText, dark ? Qt::white : Qt::black);
        kit::Brand::setCurrent(kit::Brand::resolve(appearance, palette));
        pictures[dark] = glyph->grab().toImage();
    }
    kit::Brand::setCurrent(saved);
    EXPECT_NE(pictures[0], pictures[1]);
}

TEST_F(PlacePanelTest, TheSetLocationButtonCarriesItsSymbol)
{
    PlacePanel& place = show(noPlaces);
    kit::ActionButton* setLocation = nullptr;
    for (kit::ActionButton* button : place.findChildren<kit::ActionButton*>())
        if (button->text() == QStringLiteral("Set location"))
            setLocation = button;
    ASSERT_NE(setLocation, nullptr);
    EXPECT_EQ(setLocation->symbol(), "location.fill"_symbol);
}
