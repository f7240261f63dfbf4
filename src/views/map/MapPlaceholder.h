#pragma once

#include <QColor>
#include <QSizeF>

class QPainter;

namespace ostrevin {

/// The drawn stand-in for map tiles: land, a river and a grid of roads sized to
/// the view. The map paints it when tiles are turned off or cannot be loaded, so
/// the route, the marks and the clicks keep working offline.
class MapPlaceholder {
public:
    static QColor landColor(bool dark);
    static QColor waterColor(bool dark);
    static QColor roadColor(bool dark);

    static void paintBackground(QPainter& painter, const QSizeF& size, bool dark);
};

} // namespace ostrevin
