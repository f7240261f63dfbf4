// The map column: a route over generated local tiles, a place, and the drawn
// placeholder that stands in when no tiles can be had.

#include "SnapshotScenario.h"
#include "TownTiles.h"
#include "planner/MainWindowState.h"
#include "platform/SettingsStore.h"
#include "routedata/RouteMapPresentation.h"
#include "views/map/MapCamera.h"
#include "views/map/MapWidget.h"
#include "views/map/RouteMapView.h"
#include "views/map/TileLoader.h"
#include "views/map/WebMercator.h"

#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <cmath>
#include <cstdio>

namespace ostrevin::snapshots {

namespace {

using namespace Qt::StringLiterals;
using Coordinate = RouteMapPresentation::Coordinate;

/// What the map column draws from, owned together with it: a presentation, a
/// window state, a settings file and, with tiles, a folder of generated tiles.
class MapScene : public QWidget {
public:
    MapScene(const QList<RoutePoint>& points, AppSection section, bool withTiles, const QSize& size)
    {
        resize(size);
        m_settings = std::make_unique<SettingsStore>(m_folder.filePath(QStringLiteral("settings.conf")));
        m_windowState.setSection(section);
        m_presentation.updateRoute(points);
        if (!points.isEmpty())
            m_presentation.setCameraPosition(frame(points));
        RouteMapView::Options options;
        options.tileCacheFolder = QString();
        options.settings = m_settings.get();
        options.tileSources =
            MapTileSources(withTiles ? writeTiles(m_presentation.cameraPosition(), size) : MapTileSource{}, {}, {});
        m_view = new RouteMapView(m_presentation, m_windowState, options, this);
        // The picture is taken soon after the window shows: read the tiles now.
        if (withTiles) {
            TileLoader& tiles = m_view->map().tileLoader();
            tiles.request(m_written);
            if (!QTest::qWaitFor([&tiles] { return tiles.inFlight().isEmpty(); }, 5000))
                std::fprintf(stderr, "map: the generated tiles were not read in time\n");
        }
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_view);
    }

    RouteMapPresentation& presentation() { return m_presentation; }

private:
    /// As the view model frames a draft: the points' box, grown by half, at least 0.05°.
    static RouteMapPresentation::CameraPosition frame(const QList<RoutePoint>& points)
    {
        double south = 90, north = -90, west = 180, east = -180;
        for (const RoutePoint& p : points) {
            south = std::min(south, p.latitude);
            north = std::max(north, p.latitude);
            west = std::min(west, p.longitude);
            east = std::max(east, p.longitude);
        }
        return {{(south + north) / 2, (west + east) / 2},
                std::max((north - south) * 1.45, 0.05),
                std::max((east - west) * 1.45, 0.05)};
    }

    /// Writes the tiles the picture can ask for and returns their source.
    MapTileSource writeTiles(const RouteMapPresentation::CameraPosition& region, const QSize& size)
    {
        const std::optional<MapCamera> camera = MapCamera::fitting(region, size);
        const int zoom = static_cast<int>(std::lround(camera ? camera->zoom : 12));
        const QPointF middle = WebMercator::project(region.center, zoom);
        m_written = m_tiles.write(zoom, middle, size, middle.y() + size.height() * 0.3);
        return m_tiles.source();
    }

    QTemporaryDir m_folder;
    TownTiles m_tiles;
    std::unique_ptr<SettingsStore> m_settings;
    RouteMapPresentation m_presentation;
    MainWindowState m_windowState;
    RouteMapView* m_view = nullptr;
    QList<TileKey> m_written;
};

QList<RoutePoint> cityRoute()
{
    return {point(u"Start"_s, 50.0870, 14.4080),
            point(u"Waypoint"_s, 50.0790, 14.4240),
            point(u"Waypoint"_s, 50.0812, 14.4450),
            point(u"Waypoint"_s, 50.0700, 14.4560),
            point(u"Waypoint"_s, 50.0625, 14.4400),
            point(u"Wenceslas Square, upper end by the museum"_s, 50.0660, 14.4290)};
}

const RegisterScenario
    routePlaying(QStringLiteral("map"), QStringLiteral("route-playing"),
                 [](const SnapshotContext& context) -> std::unique_ptr<QWidget> {
                     const QList<RoutePoint> route = cityRoute();
                     auto scene = std::make_unique<MapScene>(route, AppSection::route, true, context.windowSize);
                     // The iPhone is between the third and the fourth point.
                     scene->presentation().updateLivePoint(point(u"iPhone"_s, 50.0756, 14.4505));
                     scene->presentation().updateInteraction(
                         QStringLiteral("The route can’t be edited while it’s playing"), false, true);
                     return scene;
                 });

const RegisterScenario placeHeld(QStringLiteral("map"), QStringLiteral("place-held"),
                                 [](const SnapshotContext& context) -> std::unique_ptr<QWidget> {
                                     const RoutePoint square = point(u"Old Town Square"_s, 50.0875, 14.4213);
                                     auto scene = std::make_unique<MapScene>(
                                         QList<RoutePoint>{square}, AppSection::place, true, context.windowSize);
                                     scene->presentation().updateHeldPoint(square);
                                     return scene;
                                 });

const RegisterScenario offline(
    QStringLiteral("map"), QStringLiteral("offline"), [](const SnapshotContext& context) -> std::unique_ptr<QWidget> {
        const QList<RoutePoint> route = cityRoute();
        auto scene = std::make_unique<MapScene>(route, AppSection::route, false, context.windowSize);
        scene->presentation().updateInteraction(QStringLiteral("Click again to start a new route"), true, false);
        return scene;
    });

const RegisterScenario empty(QStringLiteral("map"), QStringLiteral("empty"),
                             [](const SnapshotContext& context) -> std::unique_ptr<QWidget> {
                                 return std::make_unique<MapScene>(QList<RoutePoint>{}, AppSection::place, true,
                                                                   context.windowSize);
                             });

} // namespace

} // namespace ostrevin::snapshots
