// Figures for painting the map: one frame of a 50,000-point route at three zoom
// levels, against drawing the same points as one bare polyline. Software raster,
// no tiles (the drawn placeholder is the background). Prints figures only.

#include "views/map/MapWidget.h"
#include "views/map/RouteLineGeometry.h"
#include "views/map/TileLoader.h"
#include "views/map/WebMercator.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>
#include <QUrl>
#include <chrono>
#include <cmath>

using namespace ostrevin;

namespace {

using Clock = std::chrono::steady_clock;
using Coordinate = RouteMapPresentation::Coordinate;

constexpr int pointCount = 50000;
constexpr int frames = 40;
const QSize viewSize(1280, 800);

// A winding drive of about 2,000 km, some 40 m between points.
QList<Coordinate> route()
{
    QList<Coordinate> points;
    points.reserve(pointCount);
    for (int i = 0; i < pointCount; ++i) {
        const double t = double(i) / pointCount;
        points.append({48.0 + 6.0 * t + 0.05 * std::sin(i * 0.01) + 0.0003 * std::sin(i * 0.7),
                       5.0 + 20.0 * t + 0.08 * std::cos(i * 0.013) + 0.0003 * std::cos(i * 0.9)});
    }
    return points;
}

template <typename Paint> double millisecondsPerFrame(Paint paint)
{
    paint(); // warm caches: the simplified line of the level, the sprites
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < frames; ++i)
        paint();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / frames;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTextStream out(stdout);

    const QList<Coordinate> points = route();
    MapWidget map{QString()};
    map.resize(viewSize);
    map.setTileSource({});
    map.setRouteCoordinates(points);
    QImage target(viewSize, QImage::Format_ARGB32_Premultiplied);

    // The baseline: every point of the route as one polyline, a thin pen without
    // antialiasing, projected for the whole-route view.
    const MapCamera whole{{51.0, 15.0}, 6};
    QPolygonF bare;
    bare.reserve(pointCount);
    for (const Coordinate& c : points)
        bare.append(whole.viewPoint(WebMercator::project(c, whole.zoom), viewSize));
    const double baseline = millisecondsPerFrame([&] {
        QPainter painter(&target);
        painter.setPen(QPen(Qt::blue, 1));
        painter.drawPolyline(bare);
    });
    out << "bare drawPolyline of " << pointCount << " points: " << QString::number(baseline, 'f', 2) << " ms\n";

    const struct {
        const char* name;
        MapCamera camera;
    } views[] = {
        {"whole route (zoom 6)", whole},
        {"region (zoom 11)", {points[pointCount / 2], 11}},
        {"streets (zoom 16)", {points[pointCount / 2], 16}},
    };
    {
        // The background alone, for comparison.
        MapWidget empty{QString()};
        empty.resize(viewSize);
        empty.setTileSource({});
        empty.setCamera(whole);
        const double ms = millisecondsPerFrame([&] { empty.render(&target); });
        out << "map frame without a route: " << QString::number(ms, 'f', 2) << " ms\n";
    }
    RouteLineGeometry geometry;
    geometry.setCoordinates(points);
    for (const auto& view : views) {
        qsizetype drawn = 0;
        for (const QPolygonF& run :
             geometry.visiblePolylines(view.camera, viewSize, QRectF(QPointF(), QSizeF(viewSize)), 8))
            drawn += run.size();
        out << "points drawn, " << view.name << ": " << drawn << "\n";
    }
    for (const auto& view : views) {
        map.setCamera(view.camera);
        const double ms = millisecondsPerFrame([&] { map.render(&target); });
        out << "map frame, " << view.name << ": " << QString::number(ms, 'f', 2) << " ms, "
            << QString::number(ms / baseline, 'f', 2) << " x the bare polyline\n";
    }

    {
        // The presentation hands the map its route again on each of its changes (the
        // live point moves every second during playback): the prepared line stays.
        map.setCamera(whole);
        const double ms = millisecondsPerFrame([&] {
            map.setRouteCoordinates(points);
            map.render(&target);
        });
        out << "map frame, route handed again: " << QString::number(ms, 'f', 2) << " ms\n";
    }

    // Tiles under the route: a folder of plain generated tiles around the middle of
    // the route, at a whole zoom level and between two (scaled while drawn).
    QTemporaryDir folder;
    const MapCamera onTiles{points[pointCount / 2], 11};
    const QPointF middle = WebMercator::project(onTiles.center, 11);
    QList<TileKey> keys;
    for (int x = int(middle.x() / 256) - 4; x <= int(middle.x() / 256) + 4; ++x) {
        for (int y = int(middle.y() / 256) - 3; y <= int(middle.y() / 256) + 3; ++y) {
            QImage tile(256, 256, QImage::Format_RGB32);
            tile.fill(QColor(0xF2, 0xEF, 0xE9));
            QDir().mkpath(folder.filePath(QStringLiteral("11/%1").arg(x)));
            tile.save(folder.filePath(QStringLiteral("11/%1/%2.png").arg(x).arg(y)));
            keys.append({11, x, y});
        }
    }
    map.setTileSource({QUrl::fromLocalFile(folder.path()).toString() + QStringLiteral("/{z}/{x}/{y}.png"), {}});
    map.tileLoader().request(keys);
    QDeadlineTimer deadline(10000);
    while (!map.tileLoader().inFlight().isEmpty() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    for (const double zoom : {11.0, 11.4}) {
        map.setCamera({onTiles.center, zoom});
        map.tileLoader().request(keys);
        const double ms = millisecondsPerFrame([&] { map.render(&target); });
        out << "map frame over tiles at zoom " << zoom << ": " << QString::number(ms, 'f', 2) << " ms\n";
    }
    // A pulse of the beacon repaints the square around it only.
    map.setBeacon(onTiles.center);
    const QRect pulse(map.viewPoint(onTiles.center).toPoint() - QPoint(26, 26), QSize(52, 52));
    const double pulseMs = millisecondsPerFrame([&] { map.render(&target, pulse.topLeft(), QRegion(pulse)); });
    out << "beacon pulse frame over tiles at zoom 11.4: " << QString::number(pulseMs, 'f', 3) << " ms\n";
    return 0;
}
