#include "views/route/EndpointGlyph.h"

#include "views/common/MapMarkPainter.h"
#include "views/kit/Brand.h"

#include <QPainter>

namespace ostrevin {

EndpointGlyph::EndpointGlyph(Kind kind, QWidget* parent) : QWidget(parent), m_kind(kind)
{
    setFixedSize(16, 16);
    setAccessibleName(QString());
    setFocusPolicy(Qt::NoFocus);
}

void EndpointGlyph::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor accent = kit::Brand::current().accent;
    const QPointF centre = QRectF(rect()).center();
    if (m_kind == Kind::start) {
        // A 13-pixel ring stroked inside its edge.
        constexpr double size = 13;
        constexpr double line = 3.5;
        painter.setPen(QPen(accent, line));
        painter.setBrush(Qt::NoBrush);
        const double inset = line / 2;
        painter.drawEllipse(
            QRectF(centre.x() - size / 2 + inset, centre.y() - size / 2 + inset, size - line, size - line));
        return;
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(accent);
    painter.drawPath(MapMarkPainter::pinPath(QRectF(centre.x() - 6, centre.y() - 8, 12, 16)));
}

} // namespace ostrevin
