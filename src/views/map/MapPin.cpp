#include "views/map/MapPin.h"

#include <QPainter>

namespace ostrevin {

MapPin::MapPin(bool isLive, QWidget* parent) : QWidget(parent), m_isLive(isLive)
{
    // The pin's frame with room for its shadow all round.
    const double margin = MapMarkPainter::shadowMargin;
    setFixedSize(static_cast<int>(MapMarkPainter::pinWidth + 2 * margin),
                 static_cast<int>(MapMarkPainter::pinHeight + 2 * margin));
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
    m_painter.paintPin(painter, m_isLive, QPointF(width() / 2.0, height() - MapMarkPainter::shadowMargin));
}

} // namespace ostrevin
