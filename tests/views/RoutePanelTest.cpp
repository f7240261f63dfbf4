#include "views/route/RoutePanel.h"

#include "planner/OsrmDirectionsService.h"
#include "planner/OsrmReplies.h"
#include "planner/PlannerFixture.h"
#include "platform/FixedPlaceSearchService.h"
#include "platform/PhotonPlaceSearchService.h"
#include "routedata/RouteSpeedCalculator.h"
#include "routedata/TovrelFormat.h"
#include "support/FakeHttpServer.h"
#include "views/common/DeletionConfirmation.h"
#include "views/kit/ActionButton.h"
#include "views/kit/Brand.h"
#include "views/kit/DisclosureGroup.h"
#include "views/kit/ElidingLineEdit.h"
#include "views/kit/EmptyStateView.h"
#include "views/kit/IconButton.h"
#include "views/kit/InlineNotice.h"
#include "views/kit/KitLabel.h"
#include "views/kit/MetricView.h"
#include "views/kit/PanelSection.h"
#include "views/kit/RelativeTimeTicker.h"
#include "views/place/PlaceSearchField.h"
#include "views/place/PlaceSuggestionList.h"
#include "views/route/RouteAlternativeRow.h"
#include "views/route/RoutePointRow.h"
#include "views/route/RouteSummaryCard.h"
#include "views/route/TravelModePicker.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QWheelEvent>

using namespace ostrevin;
using namespace ostrevin::test;
using namespace Qt::StringLiterals;

namespace {

using A = PlannerTestAccess;

QList<RoutePoint> line(int count)
{
    QList<RoutePoint> points;
    for (int i = 0; i < count; ++i)
        points << makePoint(QStringLiteral("P%1").arg(i + 1), 50 + i * 0.001, 14 + i * 0.001);
    return points;
}

SavedRoute savedRoute(const QString& name, const QList<RoutePoint>& points)
{
    SavedRoute route;
    route.name = name;
    route.speedKmh = 50;
    route.points = points;
    return route;
}

/// The panel over a view model that plans against an OSRM server on 127.0.0.1.
class RoutePanelTest : public PlannerFixture {
protected:
    void SetUp() override
    {
        PlannerFixture::SetUp();
        http.setProxy(QNetworkProxy::NoProxy);
        enforceOsrmLimits(server);
        osrm = std::make_unique<OsrmDirectionsService>(http, server.url(QStringLiteral("/car")),
                                                       server.url(QStringLiteral("/foot")));
        server.setReply("GET", "/car/route/v1/driving/14.000000,50.000000;14.100000,50.100000",
                        FakeHttpReply::json(osrmReply({{.duration = 100, .summary = "D1"},
                                                       {.duration = 200, .summary = "D2", .offset = 0.01},
                                                       {.duration = 300, .summary = "D3", .offset = 0.02}})));
    }

    void TearDown() override
    {
        panel.reset();
        PlannerFixture::TearDown();
    }

    RoutePanel& show(PlaceSearchService& search)
    {
        LocationPlannerViewModel::Dependencies deps = dependencies();
        deps.directions = osrm.get();
        vm = std::make_unique<LocationPlannerViewModel>(deps, LocationPlannerViewModel::Services::leaveStopped);
        A::setHelperStatus(*vm, readyStatus());
        panel = std::make_unique<RoutePanel>(*vm, search);
        panel->resize(308, 900);
        panel->show();
        QApplication::setActiveWindow(panel.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(panel.get()));
        return *panel;
    }

    /// Picks both ends, which plans at once; three alternatives come back.
    void planRoute()
    {
        vm->setRouteEndpoint(makePoint(QStringLiteral("Home"), 50, 14), LocationPlannerViewModel::RouteEnd::start);
        vm->setRouteEndpoint(makePoint(QStringLiteral("Work"), 50.1, 14.1),
                             LocationPlannerViewModel::RouteEnd::destination);
        ASSERT_TRUE(eventually([&] { return !vm->isPlanningAddressRoute(); }));
        ASSERT_EQ(vm->draft().routeAlternatives().size(), 3);
    }

    RoutePanel& show() { return show(noPlaces); }

    QMessageBox* confirmation() const { return panel->deletionConfirmation().dialog(); }

    void answer(QMessageBox* box, bool confirm)
    {
        ASSERT_NE(box, nullptr);
        for (QAbstractButton* button : box->buttons()) {
            const auto role = box->buttonRole(button);
            if ((confirm && role == QMessageBox::DestructiveRole) || (!confirm && role == QMessageBox::RejectRole)) {
                button->click();
                return;
            }
        }
        FAIL() << "no such button";
    }

    FakeHttpServer server;
    QNetworkAccessManager http;
    std::unique_ptr<OsrmDirectionsService> osrm;
    FixedPlaceSearchService noPlaces{{}};
    std::unique_ptr<RoutePanel> panel;
};

} // namespace

TEST_F(RoutePanelTest, ATravelModeChangeReplansOnlyAPlannedRouteWhileOnline)
{
    struct Case {
        const char* name;
        bool planned;
        bool online;
        RouteTransportMode stored;
        RouteTransportMode picked;
        bool replans;
        RouteTransportMode afterwards;
    };
    using M = RouteTransportMode;
    const Case cases[] = {
        {"planned and online", true, true, M::automobile, M::walking, true, M::walking},
        {"loaded without alternatives", false, true, M::automobile, M::walking, false, M::walking},
        {"planned but offline", true, false, M::automobile, M::walking, false, M::walking},
        {"the mode already stored", true, true, M::automobile, M::automobile, false, M::automobile},
        {"transit over a stored bus is a change", false, true, M::bus, M::transit, false, M::transit},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RoutePanel& shown = show();
        vm->setSelectedTransportMode(c.stored);
        if (c.planned)
            planRoute();
        else
            vm->loadSavedRoute(savedRoute(QStringLiteral("Loaded"), line(3)));
        vm->setSelectedTransportMode(c.stored);
        A::setOnline(*vm, c.online);
        const qsizetype alternativesBefore = vm->draft().routeAlternatives().size();

        QTest::mouseClick(shown.travelModePicker()->segment(c.picked), Qt::LeftButton);

        EXPECT_EQ(vm->draft().selectedTransportMode(), c.afterwards);
        EXPECT_EQ(vm->isPlanningAddressRoute(), c.replans);
        EXPECT_EQ(shown.travelModePicker()->shownMode(), c.picked);
        if (c.picked == c.stored) {
            EXPECT_EQ(vm->draft().routeAlternatives().size(), alternativesBefore) << "nothing changed";
        }
        if (!c.online) {
            EXPECT_TRUE(vm->draft().routeAlternatives().isEmpty());
            EXPECT_TRUE(shown.offlineNotice()->isVisible());
            EXPECT_TRUE(shown.planButton()->isVisible());
            EXPECT_FALSE(shown.planButton()->isEnabled());
        }
        ASSERT_TRUE(eventually([&] { return !vm->isPlanningAddressRoute(); }));
        vm->setNotice(std::nullopt);
        panel.reset();
        vm.reset();
    }
}

TEST_F(RoutePanelTest, TheAnyModeChecksNoSegment)
{
    RoutePanel& shown = show();
    vm->setSelectedTransportMode(RouteTransportMode::any);
    EXPECT_EQ(shown.travelModePicker()->shownMode(), std::nullopt);
    EXPECT_EQ(shown.travelModePicker()->toolTip(), QStringLiteral("The travel mode is chosen automatically."));
    vm->setSelectedTransportMode(RouteTransportMode::tram);
    EXPECT_EQ(shown.travelModePicker()->shownMode(), RouteTransportMode::transit);
}

TEST_F(RoutePanelTest, TheTownSpeedSliderKeepsItsRangeWithoutClampingTheStoredSpeed)
{
    struct Case {
        const char* name;
        double stored;
        std::optional<Qt::Key> key;
        int sliderShows;
        double speedAfterwards;
    };
    const Case cases[] = {
        {"raised to the slowest town speed", 25, std::nullopt, 90, 90},
        {"a planned speed above the range stays", 300, std::nullopt, 220, 300},
        {"a speed between steps stays", 93, std::nullopt, 93, 93},
        {"one step up from the bottom", 90, Qt::Key_Right, 95, 95},
        {"the user's move from beyond the range lands inside it", 300, Qt::Key_Left, 215, 215},
        {"down at the bottom stays at the bottom", 90, Qt::Key_Home, 90, 90},
        {"up to the top", 150, Qt::Key_End, 220, 220},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RoutePanel& shown = show();
        EXPECT_FALSE(shown.townSpeedSlider()->isVisible()) << "only the extreme profile has it";
        vm->setSpeedKmh(c.stored);
        shown.speedMenu()->activated(3);
        ASSERT_EQ(vm->draft().selectedSpeedProfile(), RouteSpeedProfile::extreme);
        QSlider* slider = shown.townSpeedSlider();
        ASSERT_TRUE(slider->isVisible());
        EXPECT_EQ(slider->minimum(), 90);
        EXPECT_EQ(slider->maximum(), 220);
        EXPECT_EQ(slider->singleStep(), 5);
        if (c.key)
            QTest::keyClick(slider, *c.key);
        EXPECT_EQ(slider->value(), c.sliderShows);
        EXPECT_DOUBLE_EQ(vm->draft().speedKmh(), c.speedAfterwards);
        EXPECT_EQ(shown.townSpeedText(), TovrelFormat::speed(c.speedAfterwards, TovrelFormat::UnitWidth::Abbreviated));
        panel.reset();
        vm.reset();
    }
    EXPECT_EQ(RoutePanel::townSpeedForPosition(92), 90);
    EXPECT_EQ(RoutePanel::townSpeedForPosition(93), 95);
    EXPECT_EQ(RoutePanel::townSpeedForPosition(224), 220);
}

TEST_F(RoutePanelTest, LongRoutesListOnlyTheirEndsAndNoRowMoves)
{
    struct Case {
        const char* name;
        int points;
        std::function<void(LocationPlannerViewModel&)> state;
        int rows;
        bool notice;
        bool menusOpen;
        bool canSend;
    };
    const auto idle = [](auto&) {};
    const Case cases[] = {
        {"24 points, all listed", 24, idle, 24, false, true, true},
        {"25 points, only the ends", 25, idle, 2, true, false, true},
        {"40 points, only the ends", 40, idle, 2, true, false, true},
        {"a route plays", 3, [](auto& m) { A::setRouteRunning(m, true); }, 3, false, false, false},
        {"a device operation runs", 3, [](auto& m) { A::setDeviceBusy(m, true); }, 3, false, false, false},
        {"a reset is pending", 3, [](auto& m) { A::setResetPending(m, true); }, 3, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RoutePanel& shown = show();
        const QList<RoutePoint> points = line(c.points);
        vm->loadSavedRoute(savedRoute(QStringLiteral("Long"), points));
        A::setLastPushedPointID(*vm, points.last().id);
        c.state(*vm);
        const QList<RoutePointRow*> rows = shown.pointRows();
        ASSERT_EQ(rows.size(), c.rows);
        EXPECT_EQ(rows.first()->point().id, points.first().id);
        EXPECT_EQ(rows.last()->point().id, points.last().id);
        EXPECT_EQ(!shown.longRouteNotice()->isHidden(), c.notice);
        if (c.notice) {
            EXPECT_EQ(
                shown.longRouteNotice()->text(),
                QStringLiteral("This route has %1 points. Only the start and destination are shown.").arg(c.points));
        }
        for (int i = 0; i < rows.size(); ++i) {
            const RoutePointRow::Flags& flags = rows.at(i)->flags();
            EXPECT_EQ(flags.canMoveUp, c.points < 25 && i > 0) << i;
            EXPECT_EQ(flags.canMoveDown, c.points < 25 && i < rows.size() - 1) << i;
            EXPECT_EQ(rows.at(i)->menuButton()->isEnabled(), c.menusOpen) << i;
            EXPECT_EQ(rows.at(i)->sendButton()->isEnabled(), c.canSend) << i;
            EXPECT_EQ(rows.at(i)->showsPushedMark(), i == rows.size() - 1) << i;
        }
        panel.reset();
        vm.reset();
    }
}

TEST_F(RoutePanelTest, EveryRemovalWaitsForTheConfirmation)
{
    struct Case {
        const char* name;
        std::function<void(RoutePanel&)> ask;
        bool confirm;
        bool lockedWhenConfirmed;
        QString title;
        QString message;
        int pointsAfterwards;
    };
    const QString pointTitle = QStringLiteral("Remove point?");
    const QString pointMessage = QStringLiteral("Point “<b>P2</b>” will be removed from the route.");
    const QString routeTitle = QStringLiteral("Clear the entire route?");
    const QString routeMessage =
        QStringLiteral("All points of the current route will be removed. Saved routes stay unchanged.");
    const auto removeSecondPoint = [](RoutePanel& p) { p.pointRows().at(1)->removeAction()->trigger(); };
    const auto clearRoute = [](RoutePanel& p) { p.clearRouteButton()->click(); };
    const auto reset = [](RoutePanel& p) { p.resetButton()->click(); };
    const Case cases[] = {
        {"a point, cancelled", removeSecondPoint, false, false, pointTitle, pointMessage, 3},
        {"a point, confirmed", removeSecondPoint, true, false, pointTitle, pointMessage, 2},
        {"a point, confirmed while a route plays", removeSecondPoint, true, true, pointTitle, pointMessage, 3},
        {"the clear link, cancelled", clearRoute, false, false, routeTitle, routeMessage, 3},
        {"the clear link, confirmed", clearRoute, true, false, routeTitle, routeMessage, 0},
        {"the reset button, cancelled", reset, false, false, routeTitle, routeMessage, 3},
        {"the reset button, confirmed", reset, true, false, routeTitle, routeMessage, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RoutePanel& shown = show();
        QList<RoutePoint> points = line(3);
        points[1].name = QStringLiteral("<b>P2</b>");
        vm->loadSavedRoute(savedRoute(QStringLiteral("Three"), points));
        c.ask(shown);
        EXPECT_EQ(vm->draft().points().size(), 3) << "nothing goes at the first click";
        QMessageBox* box = confirmation();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), c.title);
        EXPECT_EQ(box->informativeText(), c.message);
        EXPECT_EQ(box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))->textFormat(), Qt::PlainText);
        if (c.lockedWhenConfirmed)
            A::setRouteRunning(*vm, true);
        answer(box, c.confirm);
        EXPECT_EQ(vm->draft().points().size(), c.pointsAfterwards);
        EXPECT_FALSE(shown.deletionConfirmation().pending().has_value());
        panel.reset();
        vm.reset();
    }
}

TEST_F(RoutePanelTest, ADismissedQuestionRemovesNothingLater)
{
    RoutePanel& shown = show();
    vm->loadSavedRoute(savedRoute(QStringLiteral("Three"), line(3)));
    shown.pointRows().at(1)->removeAction()->trigger();
    const QPointer<QMessageBox> dismissed = confirmation();
    shown.deletionConfirmation().dismiss();
    EXPECT_EQ(confirmation(), nullptr);
    shown.pointRows().at(0)->removeAction()->trigger();
    ASSERT_NE(confirmation(), dismissed.data());
    if (dismissed)
        answer(dismissed, true); // its button must not run the later request
    EXPECT_EQ(vm->draft().points().size(), 3);
    EXPECT_TRUE(shown.deletionConfirmation().pending().has_value()) << "the open question still asks";
}

TEST_F(RoutePanelTest, ResettingAlonePointNeedsNoConfirmation)
{
    RoutePanel& shown = show();
    vm->setRouteEndpoint(makePoint(QStringLiteral("Home"), 50, 14), LocationPlannerViewModel::RouteEnd::start);
    ASSERT_EQ(vm->draft().points().size(), 1);
    shown.resetButton()->click();
    EXPECT_EQ(confirmation(), nullptr);
    EXPECT_TRUE(vm->draft().points().isEmpty());
    EXPECT_FALSE(vm->draft().routeStartPoint().has_value());
}

TEST_F(RoutePanelTest, SavedItemsAreDeletedOnlyThroughTheirOwnCase)
{
    SavedLocation location;
    location.point = makePoint(QStringLiteral("Here"), 50, 14);
    EXPECT_EQ(PendingDeletion::savedLocation(location).message(),
              QStringLiteral("Location “” will be permanently deleted."));
    location.name = QStringLiteral("Here");
    const SavedRoute route = savedRoute(QStringLiteral("Commute"), line(2));
    EXPECT_EQ(PendingDeletion::savedRoute(route).title(), QStringLiteral("Delete saved route?"));

    store().save(QList{location}, store().savedLocationsPath());
    store().save(QList{route}, store().savedRoutesPath());
    RoutePanel& shown = show();
    vm->loadSavedRoute(vm->library().savedRoutes().first());
    shown.deletionConfirmation().ask(PendingDeletion::savedRoute(vm->library().savedRoutes().first()));
    answer(confirmation(), true);
    EXPECT_TRUE(vm->library().savedRoutes().isEmpty());
    EXPECT_EQ(vm->draft().points().size(), 2) << "the draft stays";
    EXPECT_EQ(vm->library().savedLocations().size(), 1);
}

TEST_F(RoutePanelTest, ControlsFollowTheDraftAndTheDevice)
{
    struct Case {
        const char* name;
        int points;
        std::function<void(LocationPlannerViewModel&)> state;
        bool startRoute;
        bool reset;
        bool editing;
        bool speed;
    };
    const auto idle = [](auto&) {};
    const Case cases[] = {
        {"a route, iPhone ready", 2, idle, true, true, true, true},
        {"one point", 1, idle, false, true, true, true},
        {"no points", 0, idle, false, false, true, true},
        {"a route plays", 2, [](auto& m) { A::setRouteRunning(m, true); }, false, false, false, false},
        {"a route is planned", 2, [](auto& m) { A::setPlanning(m, true); }, false, false, false, true},
        {"the device is busy", 2, [](auto& m) { A::setDeviceBusy(m, true); }, false, false, false, true},
        {"the device is checked", 2, [](auto& m) { A::setCheckingDevice(m, true); }, false, false, false, true},
        {"a reset is pending", 2, [](auto& m) { A::setResetPending(m, true); }, false, true, true, true},
        {"the held point is being verified", 2, [](auto& m) { A::setVerifying(m, true); }, false, true, true, true},
        {"no helper tool", 2, [](auto& m) { A::setHelperStatus(m, LocationHelperStatus::missing()); }, false, true,
         true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RoutePanel& shown = show();
        if (c.points > 0)
            vm->loadSavedRoute(savedRoute(QStringLiteral("Route"), line(c.points)));
        c.state(*vm);
        EXPECT_EQ(shown.startRouteButton()->isEnabled(), c.startRoute);
        EXPECT_EQ(shown.resetButton()->isEnabled(), c.reset);
        EXPECT_EQ(shown.upperGroup()->isEnabled(), c.editing);
        EXPECT_EQ(shown.startField()->isEnabledTo(&shown), c.editing);
        EXPECT_EQ(shown.speedControl()->isEnabledTo(&shown), c.editing && c.speed);
        EXPECT_EQ(shown.emptyState()->isVisibleTo(&shown), c.points == 0);
        EXPECT_EQ(shown.summaryCard() != nullptr, c.points >= 2);
        if (shown.summaryCard()) {
            EXPECT_TRUE(shown.summaryCard()->saveButton()->isEnabled()) << "saving is always offered";
            EXPECT_EQ(shown.summaryCard()->nameField()->isEnabled(), c.editing);
            EXPECT_EQ(shown.addPointField()->isEnabled(), c.editing);
            EXPECT_EQ(shown.clearRouteButton()->isEnabled(), c.editing);
            EXPECT_EQ(shown.planButton()->isVisibleTo(&shown), !vm->isPlanningAddressRoute());
            EXPECT_EQ(shown.progressRow()->isVisibleTo(&shown), vm->isPlanningAddressRoute());
        }
        panel.reset();
        vm.reset();
    }
}

TEST_F(RoutePanelTest, AlternativesAreChosenFromTheirRowsAndShowTheirDirections)
{
    RoutePanel& shown = show();
    planRoute();
    EXPECT_FALSE(shown.planButton()->isVisible());
    const QList<RouteAlternativeRow*> rows = shown.alternativeRows();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_TRUE(rows.at(0)->isSelected());
    ASSERT_NE(shown.directionsGroup(), nullptr);
    shown.directionsGroup()->setExpanded(true);

    QTest::mouseClick(rows.at(2), Qt::LeftButton, {}, QPoint(rows.at(2)->width() - 4, 4));

    EXPECT_EQ(vm->draft().selectedRouteAlternativeID(), vm->draft().routeAlternatives().at(2).id);
    EXPECT_EQ(vm->draft().points().first().longitude, vm->draft().routeAlternatives().at(2).points.first().longitude);
    const QList<RouteAlternativeRow*> after = shown.alternativeRows();
    EXPECT_FALSE(after.at(0)->isSelected());
    EXPECT_TRUE(after.at(2)->isSelected());
    EXPECT_TRUE(shown.directionsGroup()->isExpanded()) << "the open directions stay open";

    A::setDeviceBusy(*vm, true);
    shown.alternativeRows().at(1)->click();
    EXPECT_EQ(vm->draft().selectedRouteAlternativeID(), vm->draft().routeAlternatives().at(2).id)
        << "locked while busy";
}

TEST_F(RoutePanelTest, TheSummaryRoundsTimeUpAndSavesUnderTheShownName)
{
    struct Case {
        double seconds;
        qint64 minutes;
    };
    for (const Case& c : {Case{-5, 0}, Case{0, 0}, Case{30, 1}, Case{60, 1}, Case{61, 2}})
        EXPECT_EQ(RouteSummaryCard::shownMinutes(c.seconds), c.minutes) << c.seconds;
    EXPECT_EQ(RouteSummaryCard::arrivalText(0, QDateTime::currentDateTimeUtc()), QStringLiteral("–"));

    RoutePanel& shown = show();
    vm->loadSavedRoute(savedRoute(QStringLiteral("Old"), line(2)));
    QTest::keyClick(shown.summaryCard()->nameField(), Qt::Key_End);
    QTest::keyClicks(shown.summaryCard()->nameField(), QStringLiteral(" trip"));
    EXPECT_EQ(vm->draft().routeName(), QStringLiteral("Old trip"));
    shown.summaryCard()->saveButton()->click();
    ASSERT_EQ(vm->library().savedRoutes().size(), 1);
    EXPECT_EQ(vm->library().savedRoutes().first().name, QStringLiteral("Old trip"));

    // The same name over other points asks first.
    vm->setNotice(std::nullopt);
    vm->loadSavedRoute(savedRoute(QStringLiteral("Old trip"), line(3)));
    shown.summaryCard()->saveButton()->click();
    ASSERT_NE(shown.replacementQuestion(), nullptr);
    EXPECT_EQ(vm->library().savedRoutes().first().points.size(), 2);
    answer(shown.replacementQuestion(), true);
    EXPECT_EQ(vm->library().savedRoutes().first().points.size(), 3);
}

TEST_F(RoutePanelTest, TheEndFieldsShowTheEndsAndPlanOnceBothAreKnown)
{
    FixedPlaceSearchService places{
        {{QStringLiteral("Work"), QStringLiteral("Work"), QStringLiteral("Prague"), 50.1, 14.1}}};
    RoutePanel& shown = show(places);
    vm->handleRouteMapClick(50, 14);
    ASSERT_EQ(vm->draft().points().size(), 1);
    EXPECT_EQ(shown.startField()->value(), QStringLiteral("50.00000, 14.00000")) << "a generic name shows its place";
    EXPECT_EQ(shown.destinationField()->value(), std::nullopt);
    EXPECT_TRUE(shown.resetButton()->isEnabled());
    EXPECT_FALSE(shown.emptyState()->isVisible());
    EXPECT_FALSE(shown.planButton()->isVisible());

    QLineEdit* edit = shown.destinationField()->lineEdit();
    edit->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(edit, QStringLiteral("Work"));
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_TRUE(eventually([&] { return vm->draft().routeAlternatives().size() == 3; }));
    EXPECT_EQ(shown.destinationField()->value(), QStringLiteral("Work"));
    EXPECT_EQ(shown.alternativeRows().size(), 3);
    EXPECT_FALSE(shown.planButton()->isVisible()) << "a planned route needs no plan button";
}

TEST_F(RoutePanelTest, PointRowsMoveTheirPointsThroughTheViewModel)
{
    RoutePanel& shown = show();
    const QList<RoutePoint> points = line(3);
    vm->loadSavedRoute(savedRoute(QStringLiteral("Three"), points));
    shown.pointRows().at(0)->moveDownAction()->trigger();
    EXPECT_EQ(vm->draft().points().at(1).id, points.at(0).id);
    shown.pointRows().at(2)->moveUpAction()->trigger();
    EXPECT_EQ(vm->draft().points().at(1).id, points.at(2).id);
    const QList<RoutePointRow*> rows = shown.pointRows();
    ASSERT_EQ(rows.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(rows.at(i)->point().id, vm->draft().points().at(i).id) << "rows follow the new order";
}

TEST_F(RoutePanelTest, AMovedPointKeepsItsRowAndKeyboardFocusAndTabFollowsTheNewOrder)
{
    RoutePanel& shown = show();
    vm->loadSavedRoute(savedRoute(QStringLiteral("Three"), line(3)));
    shown.pointsGroup()->setExpanded(true);
    const QList<RoutePointRow*> before = shown.pointRows();
    ASSERT_EQ(before.size(), 3);
    RoutePointRow* third = before.at(2);
    QTRY_VERIFY_WITH_TIMEOUT(third->isVisible(), 5000);
    third->sendButton()->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), third->sendButton());

    third->moveUpAction()->trigger();
    EXPECT_EQ(shown.pointRows(), (QList<RoutePointRow*>{before.at(0), third, before.at(1)}))
        << "the rows are kept, in the new order";
    EXPECT_EQ(QApplication::focusWidget(), third->sendButton());
    EXPECT_TRUE(third->moveUpAction()->isEnabled() && third->moveDownAction()->isEnabled()) << "now in the middle";

    // Tab walks the rows as they are shown now, not as they were made.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), third->menuButton());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), before.at(1)->sendButton());

    // A point added keeps the others' rows, and the focus where it was.
    before.at(0)->sendButton()->setFocus(Qt::TabFocusReason);
    vm->addRoutePoint(makePoint(QStringLiteral("P4"), 50.01, 14.01));
    ASSERT_EQ(shown.pointRows().size(), 4);
    EXPECT_EQ(shown.pointRows().mid(0, 3), (QList<RoutePointRow*>{before.at(0), third, before.at(1)}));
    EXPECT_EQ(QApplication::focusWidget(), before.at(0)->sendButton());
}

TEST_F(RoutePanelTest, TheSummaryShowsTheDistanceTimeAndArrivalOfEveryEdit)
{
    RoutePanel& shown = show();
    const QDateTime now = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
    shown.setClock([now] { return now; });
    vm->loadSavedRoute(savedRoute(QStringLiteral("Trip"),
                                  {makePoint(QStringLiteral("A"), 50, 14), makePoint(QStringLiteral("B"), 50.2, 14.2),
                                   makePoint(QStringLiteral("C"), 50.05, 14.05)}));
    // What the card must show for the draft as it is now, worked out apart from the view model's cache.
    const auto expected = [&] {
        const QList<RoutePoint>& points = vm->draft().points();
        double meters = 0;
        for (qsizetype i = 1; i < points.size(); ++i)
            meters += RouteSpeedCalculator::segmentDistance(points.at(i - 1), points.at(i));
        const double seconds = RouteSpeedCalculator::duration(
            points, vm->draft().selectedSpeedProfile(), vm->draft().selectedTransportMode(), vm->draft().speedKmh());
        return QStringList{QStringLiteral("Distance ") + TovrelFormat::distance(meters),
                           QStringLiteral("Time ") + TovrelFormat::duration(RouteSummaryCard::shownMinutes(seconds)),
                           QStringLiteral("Arrival ") + RouteSummaryCard::arrivalText(seconds, now)};
    };
    const auto shownMetrics = [&] {
        QStringList texts;
        for (const kit::MetricView* metric : shown.summaryCard()->findChildren<kit::MetricView*>())
            texts << metric->accessibleName();
        return texts;
    };
    struct Step {
        const char* name;
        std::function<void()> edit;
    };
    const Step steps[] = {
        {"Move down", [&] { shown.pointRows().at(0)->moveDownAction()->trigger(); }},
        {"next speed profile", [&] { QTest::keyClick(shown.speedMenu(), Qt::Key_Down); }},
        {"walking",
         [&] { QTest::mouseClick(shown.travelModePicker()->segment(RouteTransportMode::walking), Qt::LeftButton); }},
        {"a point added",
         [&] {
             shown.addPointField()->lineEdit()->setFocus(Qt::MouseFocusReason);
             QTest::keyClicks(shown.addPointField()->lineEdit(), QStringLiteral("50.3, 14.3"));
             QTest::keyClick(shown.addPointField()->lineEdit(), Qt::Key_Return);
         }},
        {"a point removed",
         [&] {
             shown.pointRows().at(1)->removeAction()->trigger();
             answer(confirmation(), true);
         }},
    };
    ASSERT_EQ(shownMetrics(), expected());
    QStringList before = shownMetrics();
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.edit();
        EXPECT_EQ(shownMetrics(), expected());
        EXPECT_NE(shownMetrics(), before) << "the step changes the metrics";
        before = shownMetrics();
    }
}

TEST_F(RoutePanelTest, ASlowSearchDoesNotReplaceWhatWasChosenMeanwhile)
{
    FakeHttpServer photonServer;
    FakeHttpReply slow = FakeHttpReply::json(
        R"({"features":[{"geometry":{"type":"Point","coordinates":[13.4,52.5]},"properties":{"name":"Berlin"}}]})");
    slow.delayMs = 300;
    photonServer.setReply("GET", "/api", slow);
    PhotonPlaceSearchService photon(http, photonServer.url());
    const RoutePoint clicked = makePoint(QStringLiteral("Clicked"), 48, 11);
    const auto nameOf = [](const std::optional<RoutePoint>& point) { return point ? point->name : QString(); };
    struct Case {
        const char* name;
        std::function<PlaceSearchField*(RoutePanel&)> field;
        std::function<void()> meanwhile;
        std::function<QString()> result;
        const char* disturbed;
        bool onARoute;
    };
    const Case cases[] = {
        {"start", [](RoutePanel& p) { return p.startField(); },
         [&] { vm->setRouteEndpoint(clicked, LocationPlannerViewModel::RouteEnd::start); },
         [&] { return nameOf(vm->draft().routeStartDisplayPoint()); }, "Clicked", false},
        {"destination", [](RoutePanel& p) { return p.destinationField(); },
         [&] { vm->setRouteEndpoint(clicked, LocationPlannerViewModel::RouteEnd::destination); },
         [&] { return nameOf(vm->draft().routeDestinationDisplayPoint()); }, "Clicked", false},
        {"add point", [](RoutePanel& p) { return p.addPointField(); },
         [&] { vm->loadSavedRoute(savedRoute(QStringLiteral("Other"), line(2))); },
         [&] { return vm->draft().points().last().name; }, "P2", true},
    };
    for (const Case& c : cases) {
        for (const bool disturbed : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (disturbed ? ", changed meanwhile" : ", undisturbed"));
            RoutePanel& shown = show(photon);
            if (c.onARoute)
                vm->loadSavedRoute(savedRoute(QStringLiteral("Trip"), line(3)));
            PlaceSearchField* field = c.field(shown);
            QSignalSpy picked(field, &PlaceSearchField::picked);
            field->lineEdit()->setFocus(Qt::MouseFocusReason);
            QTest::keyClicks(field->lineEdit(), QStringLiteral("Berlin"));
            QTest::keyClick(field->lineEdit(), Qt::Key_Return);
            ASSERT_TRUE(field->isResolving());
            if (disturbed)
                c.meanwhile();
            ASSERT_TRUE(QTest::qWaitFor([&] { return !picked.isEmpty(); }, 10000));
            EXPECT_EQ(c.result(), disturbed ? QString::fromLatin1(c.disturbed) : QStringLiteral("Berlin"));
            panel.reset();
            vm.reset();
        }
    }
}

TEST_F(RoutePanelTest, TypingSurvivesABackgroundCheckThatDisablesTheFields)
{
    FixedPlaceSearchService places{
        {{QStringLiteral("Mainz"), QStringLiteral("Mainz"), QStringLiteral("Germany"), 50.0, 8.27}}};
    RoutePanel& shown = show(places);
    vm->setRouteEndpoint(makePoint(QStringLiteral("Home"), 50, 14), LocationPlannerViewModel::RouteEnd::start);
    PlaceSearchField* start = shown.startField();
    QTest::mouseClick(start->lineEdit(), Qt::LeftButton);
    ASSERT_TRUE(start->lineEdit()->hasFocus());
    QTest::keyClick(start->lineEdit(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(start->lineEdit(), QStringLiteral("Mai"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return start->showsSuggestions(); }, 2000));

    A::setCheckingDevice(*vm, true);
    EXPECT_FALSE(start->isEnabled());
    EXPECT_EQ(start->text(), QStringLiteral("Mai"));
    A::setCheckingDevice(*vm, false);
    EXPECT_EQ(start->text(), QStringLiteral("Mai"));
    // Back in the field, the list is there again and a click picks from it.
    QTest::mouseClick(start->lineEdit(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return start->showsSuggestions(); }, 2000));
    QTest::keyClick(start->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(vm->draft().routeStartDisplayPoint()->name, QStringLiteral("Mainz"));
}

TEST_F(RoutePanelTest, ASearchEndingWhileItsFieldIsDisabledKeepsTheTypedText)
{
    FakeHttpServer photonServer;
    FakeHttpReply slow = FakeHttpReply::json(
        R"({"features":[{"geometry":{"type":"Point","coordinates":[13.4,52.5]},"properties":{"name":"Berlin"}}]})");
    slow.delayMs = 300;
    photonServer.setReply("GET", "/api", slow);
    PhotonPlaceSearchService photon(http, photonServer.url());
    RoutePanel& shown = show(photon);
    vm->setRouteEndpoint(makePoint(QStringLiteral("Home"), 50, 14), LocationPlannerViewModel::RouteEnd::start);
    PlaceSearchField* start = shown.startField();
    QTest::mouseClick(start->lineEdit(), Qt::LeftButton);
    QTest::keyClick(start->lineEdit(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(start->lineEdit(), QStringLiteral("Berlin"));
    QTest::keyClick(start->lineEdit(), Qt::Key_Return);
    ASSERT_TRUE(start->isResolving());

    A::setCheckingDevice(*vm, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !start->isResolving(); }, 10000));
    EXPECT_EQ(start->text(), QStringLiteral("Berlin"));
    EXPECT_EQ(vm->draft().routeStartDisplayPoint()->name, QStringLiteral("Home"));

    // Enabled again, the same text is one Return away from its place.
    A::setCheckingDevice(*vm, false);
    EXPECT_EQ(start->text(), QStringLiteral("Berlin"));
    QTest::mouseClick(start->lineEdit(), Qt::LeftButton);
    QTest::keyClick(start->lineEdit(), Qt::Key_Return);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return vm->draft().routeStartDisplayPoint()->name == QStringLiteral("Berlin"); }, 10000));
}

TEST_F(RoutePanelTest, RemovingAnEndPointClearsThatEnd)
{
    for (const bool removeStart : {false, true}) {
        SCOPED_TRACE(removeStart ? "start" : "destination");
        RoutePanel& shown = show();
        vm->loadSavedRoute(savedRoute(QStringLiteral("Trip"), {makePoint(QStringLiteral("Home"), 50, 14),
                                                               makePoint(QStringLiteral("Work"), 50.1, 14.1)}));
        ASSERT_EQ(shown.destinationField()->text(), QStringLiteral("Work"));
        const QString removed = removeStart ? QStringLiteral("Home") : QStringLiteral("Work");
        RoutePointRow* row = nullptr;
        for (RoutePointRow* candidate : shown.pointRows()) {
            if (candidate->point().name == removed)
                row = candidate;
        }
        ASSERT_NE(row, nullptr);
        row->removeAction()->trigger();
        answer(confirmation(), true);
        PlaceSearchField* removedField = removeStart ? shown.startField() : shown.destinationField();
        PlaceSearchField* keptField = removeStart ? shown.destinationField() : shown.startField();
        EXPECT_EQ(removedField->text(), QString());
        EXPECT_EQ(keptField->text(), removeStart ? QStringLiteral("Work") : QStringLiteral("Home"));
        EXPECT_FALSE(shown.planButton()->isVisible());
        EXPECT_FALSE((removeStart ? vm->draft().routeStartDisplayPoint() : vm->draft().routeDestinationDisplayPoint())
                         .has_value());
        panel.reset();
        vm.reset();
    }
}

TEST_F(RoutePanelTest, AnAlternativesTitleFollowsTheTravelMode)
{
    RoutePanel& shown = show();
    planRoute();
    ASSERT_EQ(shown.alternativeRows().size(), 3);
    QTest::mouseClick(shown.alternativeRows().at(1), Qt::LeftButton);
    ASSERT_EQ(shown.summaryCard()->nameField()->text(), QStringLiteral("Driving · D2"));

    QTest::mouseClick(shown.travelModePicker()->segment(RouteTransportMode::walking), Qt::LeftButton);
    EXPECT_EQ(vm->draft().routeName(), QStringLiteral("Walking · D2"));
    ASSERT_TRUE(eventually([&] { return !vm->isPlanningAddressRoute(); }));
    EXPECT_TRUE(vm->draft().routeName().startsWith(QStringLiteral("Walking · ")))
        << vm->draft().routeName().toStdString();

    // A name the user gave stays as it is.
    vm->setRouteName(QStringLiteral("My way"));
    QTest::mouseClick(shown.travelModePicker()->segment(RouteTransportMode::automobile), Qt::LeftButton);
    EXPECT_EQ(vm->draft().routeName(), QStringLiteral("My way"));
}

TEST_F(RoutePanelTest, ALoadedNameLongerThanTheFieldIsCutOnceAndTheCursorStays)
{
    RoutePanel& shown = show();
    vm->loadSavedRoute(savedRoute(QString(300, u'a'), line(2)));
    EXPECT_EQ(vm->draft().routeName().size(), LocationPlannerViewModel::maximumNameLength);
    QLineEdit* name = shown.summaryCard()->nameField();
    EXPECT_EQ(name->text(), vm->draft().routeName());
    QTest::mouseClick(name, Qt::LeftButton);
    ASSERT_TRUE(name->hasFocus());
    name->setCursorPosition(10);
    // Anything that refreshes the panel leaves the field and its cursor alone.
    A::setOnline(*vm, false);
    A::setOnline(*vm, true);
    EXPECT_EQ(name->cursorPosition(), 10);
    // Saving under it keeps the cut name.
    shown.summaryCard()->saveButton()->click();
    ASSERT_EQ(vm->library().savedRoutes().size(), 1);
    EXPECT_EQ(vm->library().savedRoutes().first().name.size(), LocationPlannerViewModel::maximumNameLength);
}

TEST_F(RoutePanelTest, ANameTooLongBesideTheScrollBarEndsInAnEllipsisUntilEdited)
{
    RoutePanel& shown = show();
    const QString name = QStringLiteral("A Sunday drive along the Vltava to Krumlov");
    vm->loadSavedRoute(savedRoute(name, line(6)));
    shown.resize(308, 400);
    auto* field = qobject_cast<kit::ElidingLineEdit*>(shown.summaryCard()->nameField());
    ASSERT_NE(field, nullptr);
    ASSERT_TRUE(eventually([&] {
        const auto* bar = shown.findChild<QScrollArea*>()->verticalScrollBar();
        return bar->isVisible();
    }));
    const QString elided = field->shownText();
    EXPECT_TRUE(elided.endsWith(u'…')) << elided.toStdString();
    EXPECT_LT(field->fontMetrics().horizontalAdvance(elided), field->width());
    EXPECT_LE(shown.summaryCard()->mapTo(&shown, shown.summaryCard()->rect().topRight()).x(),
              shown.findChild<QScrollArea*>()->verticalScrollBar()->mapTo(&shown, QPoint()).x());
    // Clicked into, it shows the whole name to edit; left, it ends in "…" again.
    QTest::mouseClick(field, Qt::LeftButton);
    ASSERT_TRUE(field->hasFocus());
    EXPECT_EQ(field->shownText(), name);
    field->clearFocus();
    EXPECT_EQ(field->shownText(), elided);
    EXPECT_EQ(vm->draft().routeName(), name);
}

TEST_F(RoutePanelTest, AddPointsSuggestionOpensInViewUnderALongRoute)
{
    RoutePanel& shown = show();
    vm->loadSavedRoute(savedRoute(u"Long"_s, line(20)));
    shown.pointsGroup()->setExpanded(true);
    QScrollArea* scroll = shown.findChild<QScrollArea*>();
    QScrollBar* bar = scroll->verticalScrollBar();
    QTRY_VERIFY_WITH_TIMEOUT(bar->maximum() > 0, 5000);
    const int fold = bar->maximum();
    bar->setValue(fold);
    shown.addPointField()->lineEdit()->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(shown.addPointField()->lineEdit(), u"50.3, 14.3"_s);
    auto* list = shown.addPointField()->findChild<PlaceSuggestionList*>();
    // Once the panel has grown by the list, all of it is in view.
    QTRY_VERIFY_WITH_TIMEOUT(list->isVisible() && bar->maximum() >= fold + list->height(), 5000);
    EXPECT_TRUE(scroll->viewport()->rect().contains(QRect(list->mapTo(scroll->viewport(), QPoint()), list->size())));
}

TEST_F(RoutePanelTest, TheArrivalFollowsTheClockWhileShown)
{
    RoutePanel& shown = show();
    QDateTime now = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
    shown.setClock([&now] { return now; });
    shown.arrivalTicker().setInterval(std::chrono::milliseconds(20));
    vm->loadSavedRoute(savedRoute(QStringLiteral("Trip"), line(2)));
    const auto arrival = [&] { return shown.summaryCard()->findChildren<kit::MetricView*>().last()->accessibleName(); };
    const QString before = arrival();
    now = now.addSecs(10 * 60);
    const QString expected =
        QStringLiteral("Arrival ") + RouteSummaryCard::arrivalText(vm->draft().cachedRouteDurationSeconds(), now);
    ASSERT_NE(expected, before);
    QTRY_COMPARE_WITH_TIMEOUT(arrival(), expected, 5000);
}

TEST_F(RoutePanelTest, StartAndPlanRouteCarryTheirSymbols)
{
    RoutePanel& shown = show();
    std::map<QString, std::optional<kit::SymbolName>> symbols;
    for (kit::ActionButton* button : shown.findChildren<kit::ActionButton*>())
        symbols[button->text()] = button->symbol();
    EXPECT_EQ(symbols[QStringLiteral("Start route")], "play.fill"_symbol);
    EXPECT_EQ(symbols[QStringLiteral("Plan route")], "arrow.triangle.turn.up.right.diamond"_symbol);
}

TEST_F(RoutePanelTest, APlannedRouteEditedLoadedOverAndPlayedKeepsItsControlsAndRowsTrue)
{
    const auto contrast = [](QWidget* button) { // of the glyph's strongest pixel against the background
        const QImage picture = button->grab().toImage();
        int most = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                most = std::max(most, std::abs(qGray(picture.pixel(x, y)) - qGray(picture.pixel(0, 0))));
        return most;
    };
    RoutePanel& shown = show();
    planRoute();
    // The wheel over the speed menu or the town slider, neither focused, scrolls the panel.
    shown.resize(308, 420);
    QScrollBar* bar = shown.findChild<QScrollArea*>()->verticalScrollBar();
    for (const auto profile : {RouteSpeedProfile::extreme, RouteSpeedProfile::normal}) {
        vm->setSelectedSpeedProfile(profile);
        vm->setSpeedKmh(150); // mid-range: the slider could move
        QWidget* control = profile == RouteSpeedProfile::normal ? static_cast<QWidget*>(shown.findChild<QComboBox*>())
                                                                : shown.findChild<QSlider*>();
        bar->setValue(0);
        const QPointF at = QRectF(control->rect()).center();
        QWheelEvent wheel(at, control->mapToGlobal(at), {}, {0, -120}, {}, {}, Qt::NoScrollPhase, false);
        QSpontaneKeyEvent::setSpontaneous(&wheel);
        QApplication::instance()->notify(control, &wheel);
        EXPECT_GT(bar->value(), 0);
    }
    // An added point is the destination its field shows and retires the alternatives planned without it.
    QTest::mouseClick(shown.addPointField()->lineEdit(), Qt::LeftButton);
    QTest::keyClicks(shown.addPointField()->lineEdit(), QStringLiteral("50.3, 14.3\r"));
    EXPECT_EQ(vm->draft().routeDestinationPoint().value_or(RoutePoint()).id, vm->draft().points().last().id);
    EXPECT_TRUE(shown.alternativeRows().isEmpty());
    // With the start removed, the next point is the start, as its field shows.
    shown.pointRows().first()->removeAction()->trigger();
    answer(confirmation(), true);
    EXPECT_EQ(vm->draft().routeStartPoint().value_or(RoutePoint()).id, vm->draft().points().first().id);
    // A loaded speed is not raised by its profile, which drives at least 90 in town, as the summary says.
    SavedRoute stored = savedRoute(u"Fast"_s, line(3));
    stored.speedProfile = RouteSpeedProfile::extreme;
    stored.speedKmh = 40;
    vm->loadSavedRoute(stored);
    EXPECT_EQ(vm->draft().speedKmh(), 40);
    EXPECT_EQ(shown.townSpeedText(), TovrelFormat::speed(90, TovrelFormat::UnitWidth::Abbreviated));
    // A row's menu that cannot open looks it and says why.
    kit::IconButton* more = shown.pointRows().first()->menuButton();
    const int enabled = contrast(more);
    A::setRouteRunning(*vm, true);
    EXPECT_EQ(more->toolTip(), u"The route can’t be edited while it’s playing"_s);
    EXPECT_LT(contrast(more), enabled * 0.45);
    A::setRouteRunning(*vm, false);
    // The mark on the row the iPhone was set to follows a light/dark switch.
    A::setLastPushedPointID(*vm, vm->draft().points().first().id);
    auto* mark = shown.pointRows().first()->findChild<QWidget*>(u"pushedMark"_s);
    const kit::Brand saved = kit::Brand::current();
    const auto picture = [&](bool dark) {
        kit::Brand::setCurrent(kit::Brand::resolve({.dark = dark}, QPalette()));
        return mark->grab().toImage();
    };
    EXPECT_NE(picture(false), picture(true));
    kit::Brand::setCurrent(saved);
    vm->loadSavedRoute(savedRoute(u"Long"_s, line(25)));
    EXPECT_EQ(shown.pointRows().first()->menuButton()->toolTip(),
              u"Points of a route this long can’t be moved or removed one by one."_s);
}

TEST_F(RoutePanelTest, AnEndFieldShowsItsEndOnceNoSearchRunsInIt)
{
    FakeHttpServer photonServer;
    PhotonPlaceSearchService photon(http, photonServer.url());
    const QByteArray berlin =
        R"({"features":[{"geometry":{"type":"Point","coordinates":[13.4,52.5]},"properties":{"name":"Berlin"}}]})";
    const auto focusElsewhere = [&] { QTest::mouseClick(panel->destinationField()->lineEdit(), Qt::LeftButton); };
    const std::tuple<const char*, QByteArray, std::function<void()>, QString> cases[] = {
        {"a late pick the panel refused", berlin,
         [&] { vm->setRouteEndpoint(makePoint(u"Clicked"_s, 48, 11), LocationPlannerViewModel::RouteEnd::start); },
         u"Clicked"_s},
        {"a failed search after the focus moved", R"({"features":[]})", focusElsewhere, u"Home"_s},
        {"a search abandoned as the panel went", berlin, [&] { focusElsewhere(), panel->hide(), panel->show(); },
         u"Home"_s},
    };
    PlaceSearchField* start = show(photon).startField();
    for (const auto& [name, reply, meanwhile, shows] : cases) {
        SCOPED_TRACE(name);
        FakeHttpReply slow = FakeHttpReply::json(reply);
        slow.delayMs = 300;
        photonServer.setReply("GET", "/api", slow);
        vm->setRouteEndpoint(makePoint(u"Home"_s, 50, 14), LocationPlannerViewModel::RouteEnd::start);
        QTest::mouseClick(start->lineEdit(), Qt::LeftButton);
        QTest::keyClick(start->lineEdit(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(start->lineEdit(), u"Berlin\r"_s);
        meanwhile();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !start->isResolving(); }, 10000));
        EXPECT_EQ(start->text(), shows);
    }
}
