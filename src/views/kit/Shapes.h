#pragma once

#include <QColor>
#include <QPainterPath>
#include <QRectF>

class QPainter;

namespace ostrevin::kit {

/// A rounded rectangle (the radius clamped to half the shorter side).
QPainterPath roundedRectPath(const QRectF& rect, qreal radius);
void fillRoundedRect(QPainter& painter, const QRectF& rect, qreal radius, const QColor& color);
/// A border drawn inside the shape: the stroke is inset by half its width, so the
/// outer edge of the line is the shape's edge.
void strokeRoundedRectInside(QPainter& painter, const QRectF& rect, qreal radius, const QColor& color, qreal width);

} // namespace ostrevin::kit
