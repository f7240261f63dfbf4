#include "views/map/RouteMapView.h"

#include "planner/MainWindowState.h"
#include "planner/PlannerFixture.h"
#include "routedata/AppSettings.h"
#include "routedata/RouteMapPresentation.h"
#include "support/QtPrinters.h"
#include "views/map/MapControlStack.h"
#include "views/map/MapInstructionBanner.h"
#include "views/map/MapWidget.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QActionGroup>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

namespace ostrevin {
namespace {

using namespace Qt::StringLiterals;
using test::PlannerFixture;

class RouteMapViewTest : public PlannerFixture {
protected:
    RouteMapView& makeView()
    {
        build();
        RouteMapView::Options options;
        options.tileSources = MapTileSources();
        options.tileCacheFolder = QString();
        options.settings = settings.get();
        view = std::make_unique<RouteMapView>(*vm, options);
        view->resize(800, 600);
        view->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        return *view;
    }

    void TearDown() override
    {
        view.reset();
        PlannerFixture::TearDown();
    }

    std::unique_ptr<RouteMapView> view;
};

TEST_F(RouteMapViewTest, ClicksGoToTheViewModelBySectionUnlessEditingIsLocked)
{
    struct Case {
        const char* name;
        AppSection section;
        std::function<void(LocationPlannerViewModel&)> lock;
        bool selects;
        int routeClicks = 0;
    };
    const auto none = [](LocationPlannerViewModel&) {};
    const QList<Case> cases{
        {"place", AppSection::place, none, true},
        {"route", AppSection::route, none, true, 1},
        {"route while the device is busy", AppSection::route,
         [](auto& m) { PlannerTestAccess::setDeviceBusy(m, true); }, false, 0},
        {"saved", AppSection::saved, none, false},
        {"history", AppSection::history, none, false},
        {"place while a route plays", AppSection::place, [](auto& m) { PlannerTestAccess::setRouteRunning(m, true); },
         false},
        {"place while planning", AppSection::place, [](auto& m) { PlannerTestAccess::setPlanning(m, true); }, false},
        {"place while the device is busy", AppSection::place,
         [](auto& m) { PlannerTestAccess::setDeviceBusy(m, true); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RouteMapView& map = makeView();
        vm->windowState().setSection(c.section);
        c.lock(*vm);
        const QPoint where(300, 200);
        const std::optional<RouteMapPresentation::Coordinate> expected =
            map.map().camera().coordinateAt(where, map.map().size());
        ASSERT_TRUE(expected);
        QSignalSpy routeClicks(&map, &RouteMapView::routeClicked);
        QTest::mouseClick(&map.map(), Qt::LeftButton, {}, where);
        ASSERT_EQ(routeClicks.size(), c.routeClicks);
        if (c.routeClicks) {
            EXPECT_NEAR(routeClicks.first().at(0).toDouble(), expected->latitude, 1e-9);
            EXPECT_NEAR(routeClicks.first().at(1).toDouble(), expected->longitude, 1e-9);
        }
        if (c.selects) {
            // A place click selects a place; a route click begins a route at its start.
            ASSERT_EQ(vm->draft().points().size(), 1);
            EXPECT_EQ(vm->draft().points().first().name,
                      c.section == AppSection::place ? QStringLiteral("Selected place") : QStringLiteral("Start"));
            EXPECT_NEAR(vm->draft().points().first().latitude, expected->latitude, 1e-9);
            EXPECT_NEAR(vm->draft().points().first().longitude, expected->longitude, 1e-9);
        } else {
            EXPECT_TRUE(vm->draft().points().isEmpty());
        }
        view.reset();
        vm.reset();
    }
}

TEST_F(RouteMapViewTest, ADragPansWithoutClickingAndWritesTheCameraOnce)
{
    RouteMapView& map = makeView();
    RouteMapPresentation& presentation = vm->mapPresentation();
    const MapCamera before = map.map().camera();
    QSignalSpy written(&presentation, &RouteMapPresentation::cameraPositionChanged);
    QSignalSpy clicks(&map.map(), &MapWidget::clicked);

    // A press and release that moved less than the drag distance is a click...
    const int small = std::max(1, QApplication::startDragDistance() / 3);
    QTest::mousePress(&map.map(), Qt::LeftButton, {}, QPoint(400, 300));
    QTest::mouseMove(&map.map(), QPoint(400 + small, 300));
    QTest::mouseRelease(&map.map(), Qt::LeftButton, {}, QPoint(400 + small, 300));
    EXPECT_EQ(clicks.size(), 1);
    EXPECT_EQ(map.map().camera(), before);
    EXPECT_EQ(written.size(), 0);
    ASSERT_EQ(vm->draft().points().size(), 1);
    const RoutePoint clicked = vm->draft().points().first();

    // ...a longer one pans, is no click, and hands the camera over once.
    QTest::mousePress(&map.map(), Qt::LeftButton, {}, QPoint(400, 300));
    for (int x = 390; x >= 200; x -= 10)
        QTest::mouseMove(&map.map(), QPoint(x, 300));
    QTest::mouseRelease(&map.map(), Qt::LeftButton, {}, QPoint(200, 300));
    EXPECT_EQ(clicks.size(), 1);
    EXPECT_EQ(written.size(), 1);
    EXPECT_GT(map.map().camera().center.longitude, before.center.longitude);
    // The presentation now holds what the map shows, and the echo moved nothing.
    const MapCamera after = map.map().camera();
    const RouteMapPresentation::CameraPosition region = presentation.cameraPosition();
    EXPECT_NEAR(region.center.longitude, after.center.longitude, 1e-12);
    EXPECT_NEAR(region.longitudeDelta, map.map().visibleRegion().longitudeDelta, 1e-12);
    EXPECT_EQ(map.map().camera(), after);
    EXPECT_EQ(vm->draft().points(), QList<RoutePoint>{clicked});
}

TEST_F(RouteMapViewTest, TheViewModelMovesTheMapAndWheelZoomsWriteBackAfterSettling)
{
    RouteMapView& map = makeView();
    RouteMapPresentation& presentation = vm->mapPresentation();
    // The first camera is the presentation's region.
    const RouteMapPresentation::CameraPosition first = presentation.cameraPosition();
    EXPECT_NEAR(map.map().camera().center.latitude, first.center.latitude, 1e-9);
    EXPECT_GE(map.map().visibleRegion().longitudeDelta, first.longitudeDelta * (1 - 1e-9));

    vm->selectPlace(test::makePoint(QStringLiteral("Rome"), 41.9028, 12.4964),
                    LocationPlannerViewModel::MapFraming::frameSelection);
    EXPECT_NEAR(map.map().camera().center.latitude, 41.9028, 1e-9);
    EXPECT_NEAR(map.map().camera().center.longitude, 12.4964, 1e-9);

    QSignalSpy written(&presentation, &RouteMapPresentation::cameraPositionChanged);
    const double zoom = map.map().camera().zoom;
    for (int i = 0; i < 3; ++i) {
        QWheelEvent wheel(QPointF(400, 300), map.map().mapToGlobal(QPointF(400, 300)), {}, {0, 120}, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&map.map(), &wheel);
    }
    EXPECT_NEAR(map.map().camera().zoom, zoom + 1.5, 1e-9);
    EXPECT_EQ(written.size(), 0);
    ASSERT_TRUE(written.wait(2000));
    EXPECT_EQ(written.size(), 1);
    EXPECT_NEAR(map.map().camera().zoom, zoom + 1.5, 1e-9);
}

TEST_F(RouteMapViewTest, AfterARelaunchWithAnEmptyDraftTheMapShowsTheHeldPointAndFindsItAgain)
{
    AppSettings::setLockedPoint(test::makePoint(u"Paris"_s, 48.8566, 2.3522), *settings);
    RouteMapView& map = makeView();
    EXPECT_NEAR(map.map().camera().center.longitude, 2.3522, 1e-6);
    map.map().setCamera({{48.8566, 9}, map.map().camera().zoom});
    QTest::mouseClick(map.controls().zoomToRouteButton(), Qt::LeftButton);
    EXPECT_NEAR(map.map().camera().center.longitude, 2.3522, 1e-6);
}

TEST_F(RouteMapViewTest, BannerControlsAndStyleFollowTheModel)
{
    RouteMapView& map = makeView();
    // An empty draft in the place section asks for a place; nothing to frame.
    EXPECT_TRUE(map.banner().isVisible());
    EXPECT_EQ(map.banner().text(), QStringLiteral("Choose a place on the map."));
    EXPECT_FALSE(map.controls().zoomToRouteButton()->isEnabled());
    vm->windowState().setSection(AppSection::route);
    EXPECT_EQ(map.banner().text(), vm->mapPresentation().instruction());
    // A long text wraps: the banner keeps its width and grows in height.
    const int oneLine = map.banner().height();
    vm->mapPresentation().updateInteraction(QStringLiteral("Click the map to choose a start. ").repeated(8), true,
                                            false);
    EXPECT_LE(map.banner().width() - 2 * map.banner().shapeOffset().x(), MapInstructionBanner::maxWidth);
    EXPECT_GT(map.banner().height(), 2 * oneLine);
    vm->windowState().setSection(AppSection::saved);
    EXPECT_FALSE(map.banner().isVisible());
    EXPECT_TRUE(map.map().accessibleDescription().isEmpty());

    vm->windowState().setSection(AppSection::place);
    vm->selectPlace(test::makePoint(QStringLiteral("Rome"), 41.9028, 12.4964),
                    LocationPlannerViewModel::MapFraming::keepCamera);
    EXPECT_FALSE(map.banner().isVisible());
    EXPECT_TRUE(map.controls().zoomToRouteButton()->isEnabled());
    EXPECT_EQ(map.map().accessibleDescription(), QStringLiteral("Click to choose a place."));

    // The style menu writes the setting, and a stored value it does not know checks no row.
    const QString key = AppSettings::name(AppSettings::Key::mapStyle);
    const QList<QAction*> rows = map.controls().styleMenu()->actions();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_TRUE(rows[0]->isChecked());
    EXPECT_FALSE(rows[1]->isEnabled()); // no satellite tiles configured
    settings->setValue(key, QStringLiteral("Satellite"));
    for (QAction* row : rows)
        EXPECT_FALSE(row->isChecked());
    EXPECT_EQ(settings->value(key).toString(), QStringLiteral("Satellite"));
    rows[0]->trigger();
    EXPECT_EQ(settings->value(key).toString(), QStringLiteral("standard"));
    EXPECT_TRUE(rows[0]->isChecked());
}

TEST_F(RouteMapViewTest, ScreenReadersFindEveryMarkByNameTheBeaconAndTheBanner)
{
    RouteMapView& map = makeView();
    vm->windowState().setSection(AppSection::route);
    PlannerTestAccess::holdPoint(*vm, test::makePoint(QStringLiteral("Held"), 50.3, 14.3), true);
    const auto marks = [&] {
        QAccessibleInterface* canvas = QAccessible::queryAccessibleInterface(&map.map());
        QStringList names;
        for (int i = 0; i < canvas->childCount(); ++i) {
            QAccessibleInterface* child = canvas->child(i);
            if (child->role() == QAccessible::Graphic) {
                names << child->text(QAccessible::Name);
                // Found again where it is drawn, as a pointer-driven reader asks.
                const QPoint centre = child->rect().center();
                EXPECT_EQ(canvas->childAt(centre.x(), centre.y()), child) << names.constLast().toStdString();
                EXPECT_EQ(canvas->indexOfChild(child), i);
            }
        }
        return names;
    };

    SavedRoute trip;
    trip.name = QStringLiteral("Trip");
    trip.points = {test::makePoint(QStringLiteral("Old Town"), 50.0, 14.0),
                   test::makePoint(QStringLiteral("Bridge"), 50.1, 14.1),
                   test::makePoint(QStringLiteral("Castle"), 50.2, 14.2)};
    vm->loadSavedRoute(trip);
    EXPECT_EQ(marks(), (QStringList{u"Old Town"_s, u"Bridge"_s, u"Castle"_s, u"iPhone location"_s}));
    QAccessibleInterface* banner = QAccessible::queryAccessibleInterface(&map.banner());
    EXPECT_FALSE(map.banner().text().isEmpty());
    EXPECT_EQ(banner->text(QAccessible::Name), map.banner().text());

    // A shorter draft: the marks that went are no longer listed.
    QAccessibleInterface* castle = QAccessible::queryAccessibleInterface(&map.map())
                                       ->child(QAccessible::queryAccessibleInterface(&map.map())->childCount() - 2);
    vm->windowState().setSection(AppSection::place);
    vm->selectPlace(test::makePoint(QStringLiteral("Rome"), 41.9028, 12.4964),
                    LocationPlannerViewModel::MapFraming::keepCamera);
    EXPECT_EQ(marks(), (QStringList{u"Rome"_s, u"iPhone location"_s}));
    EXPECT_EQ(banner->text(QAccessible::Name), map.banner().text());
    EXPECT_TRUE(castle->state().invalid);
}

TEST_F(RouteMapViewTest, TheControlsShadowLetsClicksAndDragsThroughToTheMap)
{
    RouteMapView& map = makeView();
    QWindow* window = map.windowHandle();
    const MapControlStack& controls = map.controls();
    const QRect surface = controls.shapeRect().toAlignedRect().translated(controls.pos());
    // Left of the surface and below it, inside the controls' widget.
    const QPoint shadowLeft(controls.x() + 2, surface.center().y());
    const QPoint shadowBelow(surface.center().x(), controls.geometry().bottom() - 1);
    ASSERT_TRUE(controls.geometry().contains(shadowLeft) && !surface.contains(shadowLeft));
    ASSERT_TRUE(controls.geometry().contains(shadowBelow) && !surface.contains(shadowBelow));
    QSignalSpy clicks(&map.map(), &MapWidget::clicked);
    QSignalSpy zooms(&map, &RouteMapView::zoomToRouteRequested);
    for (const QPoint at : {shadowLeft, shadowBelow})
        QTest::mouseClick(window, Qt::LeftButton, {}, at);
    EXPECT_EQ(clicks.size(), 2);

    // A drag that starts on the shadow pans the map; the buttons still take their clicks.
    const MapCamera before = map.map().camera();
    QTest::mousePress(window, Qt::LeftButton, {}, shadowLeft);
    for (int step = 1; step <= 10; ++step)
        QTest::mouseMove(window, shadowLeft - QPoint(20 * step, 0));
    QTest::mouseRelease(window, Qt::LeftButton, {}, shadowLeft - QPoint(200, 0));
    EXPECT_EQ(clicks.size(), 2);
    EXPECT_GT(map.map().camera().center.longitude, before.center.longitude);
    vm->selectPlace(test::makePoint(QStringLiteral("Rome"), 41.9028, 12.4964),
                    LocationPlannerViewModel::MapFraming::keepCamera);
    QTest::mouseClick(window, Qt::LeftButton, {},
                      controls.zoomToRouteButton()->mapTo(&map, controls.zoomToRouteButton()->rect().center()));
    EXPECT_EQ(zooms.size(), 1);
}

} // namespace
} // namespace ostrevin
