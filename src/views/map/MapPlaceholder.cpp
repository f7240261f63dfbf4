#include "views/map/MapPlaceholder.h"

#include <QPainter>
#include <QPainterPath>

namespace ostrevin {

QColor MapPlaceholder::landColor(bool dark)
{
    return dark ? QColor::fromRgbF(0.16f, 0.18f, 0.19f) : QColor::fromRgbF(0.93f, 0.94f, 0.93f);
}

QColor MapPlaceholder::waterColor(bool dark)
{
    return dark ? QColor::fromRgbF(0.11f, 0.16f, 0.2f) : QColor::fromRgbF(0.8f, 0.88f, 0.93f);
}

QColor MapPlaceholder::roadColor(bool dark)
{
    return QColor::fromRgbF(1, 1, 1, dark ? 0.07f : 0.95f);
}

void MapPlaceholder::paintBackground(QPainter& painter, const QSizeF& size, bool dark)
{
    const double w = size.width();
    const double h = size.height();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRectF(QPointF(0, 0), size), landColor(dark));

    QPainterPath river(QPointF(0.02 * w, 0.78 * h));
    river.cubicTo(QPointF(0.3 * w, 0.48 * h), QPointF(0.62 * w, 0.62 * h), QPointF(0.98 * w, 0.2 * h));
    painter.strokePath(river, QPen(waterColor(dark), 26, Qt::SolidLine, Qt::RoundCap));

    QPainterPath roads;
    for (double x = 92 * 0.6; x < w; x += 92) {
        roads.moveTo(x, 0);
        roads.lineTo(x + 0.18 * h, h);
    }
    for (double y = 46; y < h; y += 92) {
        roads.moveTo(0, y);
        roads.lineTo(w, y - 0.08 * w);
    }
    painter.strokePath(roads, QPen(roadColor(dark), 3, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.restore();
}

} // namespace ostrevin
