#include "views/common/MapPin.h"

#include <QPainter>
#include <cmath>

namespace ostrevin {

MapPin::MapPin(Head head, double scale, QWidget* parent) : QWidget(parent), m_isLive(head == Head::live), m_scale(scale)
{
    // The pin's frame with room for its shadow all round.
    const double margin = MapMarkPainter::shadowMargin;
    setFixedSize(static_cast<int>(std::round((MapMarkPainter::pinWidth + 2 * margin) * scale)),
                 static_cast<int>(std::round((MapMarkPainter::pinHeight + 2 * margin) * scale)));
    setAttribute(Qt::WA_TranslucentBackground);
}

void MapPin::setLive(bool isLive)
{
    if (isLive == m_isLive)
        return;
    m_isLive = isLive;
    update();
}

void MapPin::paintEvent(QPaintEvent*)
{
    m_painter.setStyle(MapMarkStyle::current());
    m_painter.setDevicePixelRatio(devicePixelRatioF());
    QPainter painter(this);
    painter.translate(width() / 2.0, height() / 2.0);
    if (m_scale != 1) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.scale(m_scale, m_scale);
    }
    // The tip half the pin's height below the centre.
    m_painter.paintPin(painter, m_isLive, QPointF(0, MapMarkPainter::pinHeight / 2));
}

} // namespace ostrevin
