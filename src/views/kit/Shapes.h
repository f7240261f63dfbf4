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
/// The keyboard focus ring: 2 px inside the shape in the accent colour, or in the
/// primary colour on an accent fill, where an accent ring would not show.
void paintFocusRing(QPainter& painter, const QRectF& rect, qreal radius, bool onAccentFill = false);

} // namespace ostrevin::kit
