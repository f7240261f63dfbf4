// The map column: a route over generated local tiles, a place, and the drawn
// placeholder that stands in when no tiles can be had.

#include "SnapshotScenario.h"
#include "planner/MainWindowState.h"
#include "platform/SettingsStore.h"
#include "routedata/RouteMapPresentation.h"
#include "views/map/MapCamera.h"
#include "views/map/MapWidget.h"
#include "views/map/RouteMapView.h"
#include "views/map/TileLoader.h"
#include "views/map/WebMercator.h"

#include <QDir>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QVBoxLayout>
#include <cmath>
#include <cstdio>

namespace ostrevin::snapshots {

namespace {

using Coordinate = RouteMapPresentation::Coordinate;

/// A small deterministic hash, so every run draws the same town.
unsigned cellHash(int x, int y)
{
    unsigned h = static_cast<unsigned>(x) * 73856093u ^ static_cast<unsigned>(y) * 19349663u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    return h ^ (h >> 15);
}

/// One tile of an invented town in a street-map style: blocks, parks, streets, a
/// main road every fourth street and a river, all laid out in world pixels so
/// neighbouring tiles join up.
QImage townTile(int tileX, int tileY, double riverY)
{
    constexpr int blockWidth = 110;
    constexpr int blockHeight = 90;
    QImage image(256, 256, QImage::Format_RGB32);
    image.fill(QColor(0xF2, 0xEF, 0xE9));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF origin(tileX * 256.0, tileY * 256.0);
    p.translate(-origin);
    const int firstColumn = static_cast<int>(std::floor(origin.x() / blockWidth)) - 1;
    const int firstRow = static_cast<int>(std::floor(origin.y() / blockHeight)) - 1;
    for (int column = firstColumn; column <= firstColumn + 4; ++column) {
        for (int row = firstRow; row <= firstRow + 4; ++row) {
            const QRectF block(column * blockWidth + 5, row * blockHeight + 5, blockWidth - 10, blockHeight - 10);
            const unsigned h = cellHash(column, row);
            const QColor fill = h % 7 == 0 ? QColor(0xC8, 0xFA, 0xCC) : QColor(0xE0, 0xDB, 0xD2);
            p.fillRect(block.adjusted(4, 4, -4, -4), fill);
        }
    }
    QPainterPath river;
    for (double x = origin.x() - 64; x <= origin.x() + 320; x += 8) {
        const double y = riverY + 140 * std::sin(x / 520.0);
        x == origin.x() - 64 ? river.moveTo(x, y) : river.lineTo(x, y);
    }
    for (int column = firstColumn; column <= firstColumn + 4; ++column) {
        const double x = column * blockWidth;
        const bool main = column % 4 == 0;
        p.setPen(QPen(main ? QColor(0xE0, 0xC0, 0x80) : QColor(0xD5, 0xD0, 0xC8), main ? 11 : 8));
        p.drawLine(QPointF(x, origin.y() - 10), QPointF(x, origin.y() + 266));
        p.setPen(QPen(main ? QColor(0xF7, 0xFA, 0xBF) : Qt::white, main ? 8 : 5));
        p.drawLine(QPointF(x, origin.y() - 10), QPointF(x, origin.y() + 266));
    }
    for (int row = firstRow; row <= firstRow + 4; ++row) {
        const double y = row * blockHeight;
        const bool main = row % 4 == 0;
        p.setPen(QPen(main ? QColor(0xE0, 0xC0, 0x80) : QColor(0xD5, 0xD0, 0xC8), main ? 11 : 8));
        p.drawLine(QPointF(origin.x() - 10, y), QPointF(origin.x() + 266, y));
        p.setPen(QPen(main ? QColor(0xF7, 0xFA, 0xBF) : Qt::white, main ? 8 : 5));
        p.drawLine(QPointF(origin.x() - 10, y), QPointF(origin.x() + 266, y));
    }
    p.strokePath(river, QPen(QColor(0xAA, 0xD3, 0xDF), 46, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    return image;
}

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

    /// Writes the tiles the picture can ask for and returns their file template.
    MapTileSource writeTiles(const RouteMapPresentation::CameraPosition& region, const QSize& size)
    {
        const std::optional<MapCamera> camera = MapCamera::fitting(region, size);
        const int zoom = static_cast<int>(std::lround(camera ? camera->zoom : 12));
        const QPointF middle = WebMercator::project(region.center, zoom);
        const int reachX = size.width() / 256 / 2 + 2;
        const int reachY = size.height() / 256 / 2 + 2;
        const int middleX = static_cast<int>(middle.x() / 256);
        const int middleY = static_cast<int>(middle.y() / 256);
        for (int x = middleX - reachX; x <= middleX + reachX; ++x) {
            for (int y = middleY - reachY; y <= middleY + reachY; ++y) {
                const QString folder = m_folder.filePath(QStringLiteral("tiles/%1/%2").arg(zoom).arg(x));
                QDir().mkpath(folder);
                townTile(x, y, middle.y() + size.height() * 0.3).save(folder + QStringLiteral("/%1.png").arg(y));
                m_written.append({zoom, x, y});
            }
        }
        return {QUrl::fromLocalFile(m_folder.filePath(QStringLiteral("tiles"))).toString() +
                    QStringLiteral("/{z}/{x}/{y}.png"),
                QStringLiteral("© Ostrevin test tiles")};
    }

    QTemporaryDir m_folder;
    std::unique_ptr<SettingsStore> m_settings;
    RouteMapPresentation m_presentation;
    MainWindowState m_windowState;
    RouteMapView* m_view = nullptr;
    QList<TileKey> m_written;
};

RoutePoint point(const char* name, double latitude, double longitude)
{
    RoutePoint p;
    p.name = QString::fromUtf8(name);
    p.latitude = latitude;
    p.longitude = longitude;
    return p;
}

QList<RoutePoint> cityRoute()
{
    return {point("Start", 50.0870, 14.4080),    point("Waypoint", 50.0790, 14.4240),
            point("Waypoint", 50.0812, 14.4450), point("Waypoint", 50.0700, 14.4560),
            point("Waypoint", 50.0625, 14.4400), point("Wenceslas Square, upper end by the museum", 50.0660, 14.4290)};
}

const RegisterScenario
    routePlaying(QStringLiteral("map"), QStringLiteral("route-playing"),
                 [](const SnapshotContext& context) -> std::unique_ptr<QWidget> {
                     const QList<RoutePoint> route = cityRoute();
                     auto scene = std::make_unique<MapScene>(route, AppSection::route, true, context.windowSize);
                     // The iPhone is between the third and the fourth point.
                     scene->presentation().updateLivePoint(point("iPhone", 50.0756, 14.4505));
                     scene->presentation().updateInteraction(
                         QStringLiteral("The route can’t be edited while it’s playing"), false, true);
                     return scene;
                 });

const RegisterScenario placeHeld(QStringLiteral("map"), QStringLiteral("place-held"),
                                 [](const SnapshotContext& context) -> std::unique_ptr<QWidget> {
                                     const RoutePoint square = point("Old Town Square", 50.0875, 14.4213);
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
