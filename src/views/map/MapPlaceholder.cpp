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

void MapPlaceholder::paintPattern(QPainter& painter, bool dark)
{
    constexpr double t = patternSize;
    // Roads every quarter of the square: a slant of a whole spacing per side keeps
    // every road meeting its continuation in the next square.
    constexpr double spacing = t / 4;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipRect(QRectF(0, 0, t, t));
    painter.fillRect(QRectF(0, 0, t, t), landColor(dark));

    // The river leaves the right edge where it entered the left, in the same
    // direction; it runs on into the squares beside so its ends join without a notch.
    QPainterPath river;
    for (const double x : {-t, 0.0, t}) {
        river.moveTo(x, 0.6 * t);
        river.cubicTo(QPointF(x + 0.3 * t, 0.25 * t), QPointF(x + 0.7 * t, 0.95 * t), QPointF(x + t, 0.6 * t));
    }
    painter.strokePath(river, QPen(waterColor(dark), 26, Qt::SolidLine, Qt::FlatCap));

    QPainterPath roads;
    for (double x = -spacing; x < t; x += spacing) {
        roads.moveTo(x + 0.3 * spacing, 0);
        roads.lineTo(x + 1.3 * spacing, t);
    }
    for (double y = 0; y < t + spacing; y += spacing) {
        roads.moveTo(0, y + 0.5 * spacing);
        roads.lineTo(t, y - 0.5 * spacing);
    }
    painter.strokePath(roads, QPen(roadColor(dark), 3, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.restore();
}

QImage MapPlaceholder::render(bool dark, qreal devicePixelRatio)
{
    // The format of an opaque pixmap, so the repeat draws it as it drew a pixmap
    // painted in place.
    QImage square((QSizeF(patternSize, patternSize) * devicePixelRatio).toSize(), QImage::Format_RGB32);
    square.setDevicePixelRatio(devicePixelRatio);
    QPainter painter(&square);
    paintPattern(painter, dark);
    return square;
}

} // namespace ostrevin
