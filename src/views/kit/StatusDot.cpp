#include "views/kit/StatusDot.h"

#include <QPainter>

namespace ostrevin::kit {

StatusDot::StatusDot(BrandColor color, int size, QWidget* parent) : QWidget(parent), m_color(color), m_size(size)
{
    setFixedSize(size + 6, size + 6);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void StatusDot::setColor(BrandColor color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void StatusDot::paintEvent(QPaintEvent*)
{
    const QColor color = Brand::current().color(m_color);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QRectF halo(rect());
    painter.setBrush(withOpacity(color, 0.25));
    painter.drawEllipse(halo);
    painter.setBrush(color);
    painter.drawEllipse(halo.adjusted(3, 3, -3, -3));
}

} // namespace ostrevin::kit
