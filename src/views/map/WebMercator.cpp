#include "views/map/WebMercator.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ostrevin::WebMercator {

double worldSize(double zoom)
{
    return tileSize * std::exp2(zoom);
}

double clampLatitude(double latitude)
{
    return std::isnan(latitude) ? latitude : std::clamp(latitude, -maxLatitude, maxLatitude);
}

double wrapLongitude(double longitude)
{
    double wrapped = std::fmod(longitude + 180.0, 360.0);
    if (wrapped < 0)
        wrapped += 360.0;
    return wrapped - 180.0;
}

QPointF project(const Coordinate& coordinate, double zoom)
{
    const double size = worldSize(zoom);
    const double phi = clampLatitude(coordinate.latitude) * std::numbers::pi / 180.0;
    const double x = (coordinate.longitude + 180.0) / 360.0 * size;
    const double y = (1.0 - std::log(std::tan(phi) + 1.0 / std::cos(phi)) / std::numbers::pi) / 2.0 * size;
    return {x, y};
}

Coordinate unproject(const QPointF& worldPixel, double zoom)
{
    const double size = worldSize(zoom);
    const double n = std::numbers::pi * (1.0 - 2.0 * worldPixel.y() / size);
    return {.latitude = std::atan(std::sinh(n)) * 180.0 / std::numbers::pi,
            .longitude = worldPixel.x() / size * 360.0 - 180.0};
}

TileRange tilesCovering(const QRectF& worldRect, int zoom)
{
    const double count = std::exp2(zoom);
    TileRange range;
    range.zoom = zoom;
    if (!worldRect.isValid())
        return range;
    range.minX = static_cast<int>(std::floor(worldRect.left() / tileSize));
    range.maxX = static_cast<int>(std::ceil(worldRect.right() / tileSize)) - 1;
    range.minY = std::max(0, static_cast<int>(std::floor(worldRect.top() / tileSize)));
    range.maxY = std::min(static_cast<int>(count) - 1, static_cast<int>(std::ceil(worldRect.bottom() / tileSize)) - 1);
    return range;
}

} // namespace ostrevin::WebMercator
