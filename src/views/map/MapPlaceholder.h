#pragma once

#include <QColor>
#include <QImage>
#include <QSizeF>

class QPainter;

namespace ostrevin {

/// The drawn stand-in for map tiles: land, a river and a grid of roads in one
/// square that repeats seamlessly. The map paints it when tiles are turned off or
/// cannot be loaded, anchored to the world like tiles, so it pans and zooms with
/// the route and the marks, and the clicks keep working offline.
class MapPlaceholder {
public:
    static QColor landColor(bool dark);
    static QColor waterColor(bool dark);
    static QColor roadColor(bool dark);

    /// The side of the repeating square, in pixels at its own zoom level.
    static constexpr double patternSize = 512;
    /// Paints the square at the origin; its edges join with its copies beside it.
    static void paintPattern(QPainter& painter, bool dark);
    /// The square at a pixel ratio, opaque, ready to repeat. Any thread may draw it.
    static QImage render(bool dark, qreal devicePixelRatio);
};

} // namespace ostrevin
