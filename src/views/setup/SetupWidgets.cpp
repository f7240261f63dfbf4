#include "views/setup/SetupWidgets.h"

#include "views/kit/Brand.h"
#include "views/kit/Shapes.h"

#include <QFontDatabase>
#include <QPainter>

namespace ostrevin {

namespace {

QFont monospaceFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(11);
    return font;
}

} // namespace

MiddleElidedLine::MiddleElidedLine(QWidget* parent) : QWidget(parent)
{
    setFont(monospaceFont());
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void MiddleElidedLine::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    setToolTip(text);
    update();
}

QSize MiddleElidedLine::sizeHint() const
{
    return {fontMetrics().horizontalAdvance(m_text), fontMetrics().height()};
}

void MiddleElidedLine::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(kit::Brand::current().secondary);
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(m_text, Qt::ElideMiddle, width()));
}

RoundedSurface::RoundedSurface(Style style, qreal radius, QWidget* parent)
    : QWidget(parent), m_style(style), m_radius(radius)
{
}

void RoundedSurface::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const kit::Brand& brand = kit::Brand::current();
    const QRectF shape(rect());
    switch (m_style) {
    case Style::card:
        kit::fillRoundedRect(painter, shape, m_radius, brand.base);
        kit::strokeRoundedRectInside(painter, shape, m_radius, brand.primaryAt(0.08), 1);
        break;
    case Style::failure:
        kit::fillRoundedRect(painter, shape, m_radius, kit::withOpacity(brand.failure, 0.08));
        break;
    }
}

} // namespace ostrevin
