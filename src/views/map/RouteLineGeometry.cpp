#include "views/map/RouteLineGeometry.h"

#include "views/map/MapCamera.h"
#include "views/map/WebMercator.h"

#include <QRectF>
#include <algorithm>
#include <cmath>
#include <utility>

namespace ostrevin {

namespace {

double squaredDistance(const QPointF& a, const QPointF& b)
{
    const QPointF d = a - b;
    return QPointF::dotProduct(d, d);
}

double squaredSegmentDistance(const QPointF& p, const QPointF& a, const QPointF& b)
{
    const QPointF ab = b - a;
    const double length = QPointF::dotProduct(ab, ab);
    if (length == 0)
        return squaredDistance(p, a);
    const double t = std::clamp(QPointF::dotProduct(p - a, ab) / length, 0.0, 1.0);
    return squaredDistance(p, a + t * ab);
}

bool segmentMayTouch(const QPointF& a, const QPointF& b, const QRectF& rect)
{
    return !((a.x() < rect.left() && b.x() < rect.left()) || (a.x() > rect.right() && b.x() > rect.right()) ||
             (a.y() < rect.top() && b.y() < rect.top()) || (a.y() > rect.bottom() && b.y() > rect.bottom()));
}

} // namespace

bool RouteLineGeometry::setCoordinates(const QList<Coordinate>& coordinates)
{
    if (coordinates == m_coordinates)
        return false;
    m_coordinates = coordinates;
    m_base.clear();
    m_base.reserve(coordinates.size());
    double previousLongitude = 0;
    for (qsizetype i = 0; i < coordinates.size(); ++i) {
        Coordinate c = coordinates[i];
        if (!std::isfinite(c.latitude) || !std::isfinite(c.longitude))
            continue;
        // Each step takes the short way round, so the line may leave ±180.
        if (!m_base.isEmpty())
            c.longitude = previousLongitude + WebMercator::wrapLongitude(c.longitude - previousLongitude);
        previousLongitude = c.longitude;
        m_base.append(WebMercator::project(c, 0));
    }
    m_levels.fill(std::nullopt);
    return true;
}

const RouteLineGeometry::Level& RouteLineGeometry::levelData(int zoom) const
{
    const int index = std::clamp(zoom, 0, levelCount - 1);
    std::optional<Level>& cached = m_levels[static_cast<size_t>(index)];
    if (!cached) {
        const double scale = std::exp2(index);
        QPolygonF scaled;
        scaled.reserve(m_base.size());
        for (const QPointF& p : m_base)
            scaled.append(p * scale);
        Level level{simplified(scaled, tolerance), {}};
        // Chunk i covers segments [i·chunkSize, (i+1)·chunkSize), i.e. its points up
        // to and including the first point of the next chunk.
        for (qsizetype first = 0; first + 1 < level.line.size(); first += chunkSize) {
            const qsizetype last = std::min(first + chunkSize, level.line.size() - 1);
            double left = level.line[first].x(), right = left, top = level.line[first].y(), bottom = top;
            for (qsizetype i = first + 1; i <= last; ++i) {
                left = std::min(left, level.line[i].x());
                right = std::max(right, level.line[i].x());
                top = std::min(top, level.line[i].y());
                bottom = std::max(bottom, level.line[i].y());
            }
            level.chunkBounds.append(QRectF(QPointF(left, top), QPointF(right, bottom)));
        }
        cached = std::move(level);
    }
    return *cached;
}

QPolygonF RouteLineGeometry::simplified(const QPolygonF& line, double tolerance)
{
    if (line.size() < 3)
        return line;
    const double limit = tolerance * tolerance;
    // Radial pass: drop points that lie within the tolerance of the last kept one.
    QPolygonF radial;
    radial.reserve(line.size());
    radial.append(line.first());
    for (qsizetype i = 1; i + 1 < line.size(); ++i) {
        if (squaredDistance(line[i], radial.last()) > limit)
            radial.append(line[i]);
    }
    radial.append(line.last());
    if (radial.size() < 3)
        return radial;
    // Douglas–Peucker without recursion (a long straight route would nest deeply).
    std::vector<bool> keep(static_cast<size_t>(radial.size()), false);
    keep.front() = keep.back() = true;
    std::vector<std::pair<qsizetype, qsizetype>> stack{{0, radial.size() - 1}};
    while (!stack.empty()) {
        const auto [first, last] = stack.back();
        stack.pop_back();
        double farthest = 0;
        qsizetype index = -1;
        for (qsizetype i = first + 1; i < last; ++i) {
            const double d = squaredSegmentDistance(radial[i], radial[first], radial[last]);
            if (d > farthest) {
                farthest = d;
                index = i;
            }
        }
        if (index >= 0 && farthest > limit) {
            keep[static_cast<size_t>(index)] = true;
            stack.emplace_back(first, index);
            stack.emplace_back(index, last);
        }
    }
    QPolygonF result;
    for (qsizetype i = 0; i < radial.size(); ++i) {
        if (keep[static_cast<size_t>(i)])
            result.append(radial[i]);
    }
    return result;
}

QList<QPolygonF> RouteLineGeometry::visiblePolylines(const MapCamera& camera, const QSizeF& viewSize,
                                                     const QRectF& area, double margin) const
{
    QList<QPolygonF> result;
    if (m_base.size() < 2)
        return result;
    // The finer level at or above the camera's zoom: its half pixel is at most half
    // a pixel on screen.
    const int levelZoom = std::clamp(static_cast<int>(std::ceil(camera.zoom - 1e-9)), 0, levelCount - 1);
    const Level& data = levelData(levelZoom);
    const QPolygonF& line = data.line;
    const double scale = std::exp2(camera.zoom - levelZoom);
    const QPointF center = WebMercator::project(camera.center, levelZoom);
    const QPointF halfView(viewSize.width() / 2, viewSize.height() / 2);
    const double worldWidth = WebMercator::worldSize(levelZoom);
    const QRectF grown = area.adjusted(-margin, -margin, margin, margin);
    const QRectF viewInLevel(center + (grown.topLeft() - halfView) / scale, grown.size() / scale);

    // The world repeats sideways: a route near the antimeridian may show to either side.
    for (const int copy : {-1, 0, 1}) {
        const double shift = copy * worldWidth;
        const QRectF rect = viewInLevel.translated(-shift, 0);
        const auto toView = [&](const QPointF& p) { return (p - center + QPointF(shift, 0)) * scale + halfView; };
        QPolygonF run;
        for (qsizetype chunk = 0; chunk < data.chunkBounds.size(); ++chunk) {
            const QRectF& bounds = data.chunkBounds[chunk];
            const bool chunkMayTouch = bounds.right() >= rect.left() && bounds.left() <= rect.right() &&
                                       bounds.bottom() >= rect.top() && bounds.top() <= rect.bottom();
            const qsizetype first = chunk * chunkSize;
            const qsizetype last = std::min(first + chunkSize, line.size() - 1);
            if (!chunkMayTouch) {
                if (!run.isEmpty())
                    result.append(std::exchange(run, {}));
                continue;
            }
            for (qsizetype i = first; i < last; ++i) {
                if (segmentMayTouch(line[i], line[i + 1], rect)) {
                    if (run.isEmpty())
                        run.append(toView(line[i]));
                    run.append(toView(line[i + 1]));
                } else if (!run.isEmpty()) {
                    result.append(std::exchange(run, {}));
                }
            }
        }
        if (!run.isEmpty())
            result.append(run);
    }
    return result;
}

} // namespace ostrevin
