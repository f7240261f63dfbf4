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

void RouteLineGeometry::setCoordinates(const QList<Coordinate>& coordinates)
{
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
}

const QPolygonF& RouteLineGeometry::level(int zoom) const
{
    const int index = std::clamp(zoom, 0, levelCount - 1);
    std::optional<QPolygonF>& cached = m_levels[static_cast<size_t>(index)];
    if (!cached) {
        const double scale = std::exp2(index);
        QPolygonF scaled;
        scaled.reserve(m_base.size());
        for (const QPointF& p : m_base)
            scaled.append(p * scale);
        cached = simplified(scaled, tolerance);
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
                                                     double margin) const
{
    QList<QPolygonF> result;
    if (m_base.size() < 2)
        return result;
    // The finer level at or above the camera's zoom: its half pixel is at most half
    // a pixel on screen.
    const int levelZoom = std::clamp(static_cast<int>(std::ceil(camera.zoom - 1e-9)), 0, levelCount - 1);
    const QPolygonF& line = level(levelZoom);
    const double scale = std::exp2(camera.zoom - levelZoom);
    const QPointF center = WebMercator::project(camera.center, levelZoom);
    const QPointF halfView(viewSize.width() / 2, viewSize.height() / 2);
    const double worldWidth = WebMercator::worldSize(levelZoom);
    const QRectF viewInLevel = QRectF(center - halfView / scale, viewSize / scale)
                                   .adjusted(-margin / scale, -margin / scale, margin / scale, margin / scale);

    // The world repeats sideways: a route near the antimeridian may show to either side.
    for (const int copy : {-1, 0, 1}) {
        const double shift = copy * worldWidth;
        const QRectF rect = viewInLevel.translated(-shift, 0);
        QPolygonF run;
        for (qsizetype i = 0; i + 1 < line.size(); ++i) {
            if (segmentMayTouch(line[i], line[i + 1], rect)) {
                if (run.isEmpty())
                    run.append((line[i] - center + QPointF(shift, 0)) * scale + halfView);
                run.append((line[i + 1] - center + QPointF(shift, 0)) * scale + halfView);
            } else if (!run.isEmpty()) {
                result.append(std::exchange(run, {}));
            }
        }
        if (!run.isEmpty())
            result.append(run);
    }
    return result;
}

} // namespace ostrevin
