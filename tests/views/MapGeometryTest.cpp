#include "views/map/MapCamera.h"
#include "views/map/RouteLineGeometry.h"
#include "views/map/WebMercator.h"

#include <cmath>
#include <gtest/gtest.h>

namespace ostrevin {
namespace {

using Coordinate = RouteMapPresentation::Coordinate;

TEST(WebMercator, ProjectionRoundTripsAndKnownPixels)
{
    struct Case {
        const char* name;
        Coordinate coordinate;
        double zoom;
        QPointF expectedPixel;
    };
    const double size1 = WebMercator::worldSize(1);
    const Case cases[] = {
        {"origin", {0, 0}, 1, {size1 / 2, size1 / 2}},
        {"equator west edge", {0, -180}, 1, {0, size1 / 2}},
        {"antimeridian east", {0, 180}, 1, {size1, size1 / 2}},
        {"north limit", {WebMercator::maxLatitude, 0}, 1, {size1 / 2, 0}},
        {"south limit", {-WebMercator::maxLatitude, 0}, 1, {size1 / 2, size1}},
        {"past the north limit is clamped", {89.9, 0}, 1, {size1 / 2, 0}},
        {"Prague at street level", {50.0755, 14.4378}, 17, {-1, -1}},
        {"just west of the antimeridian", {-33.5, 179.9999}, 12, {-1, -1}},
        {"85 degrees south", {-85, -120}, 3, {-1, -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QPointF pixel = WebMercator::project(c.coordinate, c.zoom);
        if (c.expectedPixel.x() >= 0) {
            EXPECT_NEAR(pixel.x(), c.expectedPixel.x(), 1e-6);
            EXPECT_NEAR(pixel.y(), c.expectedPixel.y(), 1e-6);
        }
        const Coordinate back = WebMercator::unproject(pixel, c.zoom);
        EXPECT_NEAR(back.latitude, WebMercator::clampLatitude(c.coordinate.latitude), 1e-9);
        EXPECT_NEAR(back.longitude, c.coordinate.longitude, 1e-9);
    }
}

TEST(WebMercator, TilesCoveringAView)
{
    struct Case {
        const char* name;
        QRectF world;
        int zoom;
        WebMercator::TileRange expected;
    };
    const Case cases[] = {
        {"one tile exactly", {0, 0, 256, 256}, 2, {2, 0, 0, 0, 0}},
        {"straddling four tiles", {200, 200, 100, 100}, 2, {2, 0, 1, 0, 1}},
        {"past the west edge keeps negative columns", {-300, 0, 400, 256}, 2, {2, -2, 0, 0, 0}},
        {"rows are cut to the world", {0, -500, 256, 2000}, 2, {2, 0, 0, 0, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(WebMercator::tilesCovering(c.world, c.zoom), c.expected);
    }
}

TEST(MapCamera, RegionsFitAndComeBack)
{
    struct Case {
        const char* name;
        MapCamera::Region region;
        QSizeF view;
    };
    const Case cases[] = {
        {"first camera over Prague", {{50.0755, 14.4378}, 0.28, 0.34}, {800, 600}},
        {"tall view: the width decides", {{50.0755, 14.4378}, 0.05, 0.05}, {300, 900}},
        {"wide view: the height decides", {{-33.86, 151.2}, 0.3, 0.05}, {1200, 300}},
        {"equator", {{0, 0}, 2, 2}, {640, 480}},
        {"across the antimeridian", {{10, 179.9}, 1, 1}, {640, 480}},
        {"far north", {{84, 20}, 0.5, 0.5}, {640, 480}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<MapCamera> camera = MapCamera::fitting(c.region, c.view);
        ASSERT_TRUE(camera);
        const MapCamera::Region shown = camera->region(c.view);
        EXPECT_NEAR(shown.center.latitude, c.region.center.latitude, 1e-9);
        EXPECT_NEAR(shown.center.longitude, c.region.center.longitude, 1e-9);
        // The whole region shows, and one axis fits exactly.
        EXPECT_GE(shown.latitudeDelta, c.region.latitudeDelta * (1 - 1e-6));
        EXPECT_GE(shown.longitudeDelta, c.region.longitudeDelta * (1 - 1e-9));
        const bool widthFits = std::abs(shown.longitudeDelta - c.region.longitudeDelta) < 1e-9;
        const bool heightFits = std::abs(shown.latitudeDelta - c.region.latitudeDelta) < 1e-9;
        EXPECT_TRUE(widthFits || heightFits);
        // A camera written back and fitted again is the same camera: no drift between
        // the map and the presentation.
        const std::optional<MapCamera> again = MapCamera::fitting(shown, c.view);
        ASSERT_TRUE(again);
        EXPECT_NEAR(again->zoom, camera->zoom, 1e-9);
    }
}

TEST(MapCamera, RefusesWhatCannotBeShown)
{
    const double nan = std::nan("");
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<MapCamera::Region, QSizeF> cases[] = {
        {{{nan, 14}, 1, 1}, {640, 480}}, {{{50, inf}, 1, 1}, {640, 480}}, {{{50, 14}, 0, 1}, {640, 480}},
        {{{50, 14}, 1, -1}, {640, 480}}, {{{50, 14}, 1, 1}, {0, 480}},    {{{50, 14}, nan, 1}, {640, 480}},
    };
    for (const auto& [region, view] : cases)
        EXPECT_FALSE(MapCamera::fitting(region, view));
    // Spans wider than the world are shown as the world, zoom bounded.
    const std::optional<MapCamera> world = MapCamera::fitting({{0, 0}, 500, 900}, {640, 480});
    ASSERT_TRUE(world);
    EXPECT_EQ(world->zoom, MapCamera::minZoom);
}

TEST(MapCamera, PanZoomAndClickPoints)
{
    const QSizeF view(800, 600);
    const MapCamera camera{{50.0755, 14.4378}, 12};
    // The centre of the view is the camera's centre; a click maps back to it.
    const std::optional<Coordinate> middle = camera.coordinateAt({400, 300}, view);
    ASSERT_TRUE(middle);
    EXPECT_NEAR(middle->latitude, 50.0755, 1e-9);
    EXPECT_NEAR(middle->longitude, 14.4378, 1e-9);
    // Zooming about a point keeps the coordinate under it.
    const QPointF anchor(123, 456);
    const std::optional<Coordinate> before = camera.coordinateAt(anchor, view);
    const std::optional<Coordinate> after = camera.zoomed(1.5, anchor, view).coordinateAt(anchor, view);
    ASSERT_TRUE(before && after);
    EXPECT_NEAR(after->latitude, before->latitude, 1e-9);
    EXPECT_NEAR(after->longitude, before->longitude, 1e-9);
    // Dragging the content right by a pixel distance moves the centre west.
    const MapCamera panned = camera.panned({100, 0});
    EXPECT_LT(panned.center.longitude, camera.center.longitude);
    EXPECT_NEAR(panned.center.latitude, camera.center.latitude, 1e-9);
    // Panning across the antimeridian wraps the centre.
    const MapCamera east{{0, 179.99}, 10};
    const MapCamera across = east.panned({-2000, 0});
    EXPECT_NEAR(across.center.longitude, 179.99 + 2000 * 360.0 / WebMercator::worldSize(10) - 360, 1e-9);
    // Beyond the projected world there is no coordinate.
    const MapCamera low{{0, 0}, 1};
    EXPECT_FALSE(low.coordinateAt({400, -5}, view));
    // A click far to the side gives a wrapped longitude.
    const std::optional<Coordinate> side = MapCamera{{0, 179}, 6}.coordinateAt({790, 300}, {800, 600});
    ASSERT_TRUE(side);
    EXPECT_GE(side->longitude, -180);
    EXPECT_NEAR(side->longitude, 179 + 390 * 360.0 / WebMercator::worldSize(6) - 360, 1e-9);
}

TEST(RouteLineGeometry, SimplifiesWithinToleranceAndCullsToTheView)
{
    // A wiggly line: every point within the tolerance of the straight line is dropped,
    // the corner stays.
    QPolygonF line;
    for (int i = 0; i <= 100; ++i)
        line.append({double(i), (i % 2) * 0.2});
    line.append({100, 50});
    const QPolygonF simple = RouteLineGeometry::simplified(line, 0.5);
    ASSERT_EQ(simple.size(), 3);
    EXPECT_EQ(simple.first(), line.first());
    EXPECT_EQ(simple[1], QPointF(100, 0));
    EXPECT_EQ(simple.last(), line.last());

    // A route of 50,000 points along the equator shows only its visible stretch.
    QList<Coordinate> route;
    for (int i = 0; i < 50000; ++i)
        route.append({0.001 * std::sin(i * 0.3), -10 + 20.0 * i / 49999});
    RouteLineGeometry geometry;
    geometry.setCoordinates(route);
    const QSizeF view(800, 600);
    const MapCamera close{{0, 0}, 14};
    const QList<QPolygonF> visible = geometry.visiblePolylines(close, view, QRectF(QPointF(), view), 8);
    ASSERT_FALSE(visible.isEmpty());
    qsizetype drawn = 0;
    for (const QPolygonF& run : visible) {
        drawn += run.size();
        for (const QPointF& p : run) {
            // Every drawn run stays near the view (one segment may reach out of it).
            EXPECT_GT(p.x(), -2000);
            EXPECT_LT(p.x(), 2800);
        }
    }
    EXPECT_LT(drawn, 2000);
    const MapCamera far{{0, 0}, 3};
    qsizetype drawnFar = 0;
    for (const QPolygonF& run : geometry.visiblePolylines(far, view, QRectF(QPointF(), view), 8))
        drawnFar += run.size();
    EXPECT_LT(drawnFar, 50);
    // Far away from the route nothing is drawn.
    EXPECT_TRUE(geometry.visiblePolylines(MapCamera{{45, 90}, 10}, view, QRectF(QPointF(), view), 8).isEmpty());
}

TEST(RouteLineGeometry, CrossesTheAntimeridianTheShortWay)
{
    RouteLineGeometry geometry;
    geometry.setCoordinates({{0, 179.5}, {0, -179.5}});
    // Seen from either side of the antimeridian, the line is one short stretch.
    for (const double longitude : {179.9, -179.9}) {
        SCOPED_TRACE(longitude);
        const QList<QPolygonF> runs =
            geometry.visiblePolylines(MapCamera{{0, longitude}, 8}, {800, 600}, {0, 0, 800, 600}, 8);
        ASSERT_EQ(runs.size(), 1);
        const double length = std::abs(runs.first().last().x() - runs.first().first().x());
        EXPECT_NEAR(length, WebMercator::worldSize(8) / 360.0, 1e-6);
    }
}

} // namespace
} // namespace ostrevin
