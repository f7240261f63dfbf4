#include "views/kit/SymbolMark.h"

#include <QPainter>

namespace ostrevin::kit {

SymbolMark::SymbolMark(SymbolName symbol, BrandColor color, int pixelSize, int frame, QWidget* parent)
    : QWidget(parent), m_symbol(symbol), m_color(color), m_pixelSize(pixelSize)
{
    setFixedSize(frame, frame);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SymbolMark::setSymbol(SymbolName symbol, BrandColor color)
{
    if (symbol == m_symbol && color == m_color)
        return;
    m_symbol = symbol;
    m_color = color;
    update();
}

void SymbolMark::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintSymbol(painter, QRectF(rect()), m_symbol, Brand::current().color(m_color), m_pixelSize);
}

} // namespace ostrevin::kit
