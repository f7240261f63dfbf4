#pragma once

#include "routedata/RouteMapPresentation.h"

#include <QPointF>
#include <QRectF>

namespace ostrevin::WebMercator {

using Coordinate = RouteMapPresentation::Coordinate;

/// Edge length of one raster tile in pixels; the world at zoom z is 256 × 2^z wide.
inline constexpr double tileSize = 256.0;
/// The latitude at which the projected world becomes square; beyond it nothing maps.
inline constexpr double maxLatitude = 85.0511287798066;

/// Width (and height) of the projected world at a zoom, in pixels.
double worldSize(double zoom);

/// A latitude pulled into ±maxLatitude; NaN stays NaN.
double clampLatitude(double latitude);
/// A longitude brought into [−180, 180).
double wrapLongitude(double longitude);

/// Pixel position in the world at a zoom, origin at 180° W on the northern edge,
/// y growing southwards. Longitudes outside ±180 continue past the world's edge
/// (the route line relies on that to cross the antimeridian without a jump).
QPointF project(const Coordinate& coordinate, double zoom);
/// The inverse of project; the longitude is not wrapped.
Coordinate unproject(const QPointF& worldPixel, double zoom);

/// Tiles of one zoom level covering a rectangle of world pixels at that level.
/// x may run outside [0, 2^z) (the world repeats sideways); y is clipped to it.
struct TileRange {
    int zoom = 0;
    int minX = 0;
    int maxX = -1;
    int minY = 0;
    int maxY = -1;

    bool isEmpty() const { return maxX < minX || maxY < minY; }
    bool operator==(const TileRange&) const = default;
};
TileRange tilesCovering(const QRectF& worldRect, int zoom);

} // namespace ostrevin::WebMercator
