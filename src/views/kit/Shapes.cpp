#include "views/kit/Shapes.h"

#include "views/kit/Brand.h"

#include <QPainter>

namespace ostrevin::kit {

QPainterPath roundedRectPath(const QRectF& rect, qreal radius)
{
    const qreal r = qBound<qreal>(0.0, radius, qMin(rect.width(), rect.height()) / 2.0);
    QPainterPath path;
    path.addRoundedRect(rect, r, r);
    return path;
}

void fillRoundedRect(QPainter& painter, const QRectF& rect, qreal radius, const QColor& color)
{
    if (color.alpha() == 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(roundedRectPath(rect, radius), color);
    painter.restore();
}

void strokeRoundedRectInside(QPainter& painter, const QRectF& rect, qreal radius, const QColor& color, qreal width)
{
    if (color.alpha() == 0 || width <= 0)
        return;
    const qreal half = width / 2.0;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color, width));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(roundedRectPath(rect.adjusted(half, half, -half, -half), qMax<qreal>(0.0, radius - half)));
    painter.restore();
}

void paintFocusRing(QPainter& painter, const QRectF& rect, qreal radius, bool onAccentFill)
{
    const Brand& brand = Brand::current();
    strokeRoundedRectInside(painter, rect, radius, onAccentFill ? brand.primary : brand.accent, 2);
}

} // namespace ostrevin::kit
