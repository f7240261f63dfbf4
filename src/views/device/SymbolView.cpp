#include "views/device/SymbolView.h"

#include <QPainter>

namespace ostrevin {

SymbolView::SymbolView(kit::SymbolName symbol, kit::BrandColor color, int pixelSize, int frame, QWidget* parent)
    : QWidget(parent), m_symbol(symbol), m_color(color), m_pixelSize(pixelSize)
{
    setFixedSize(frame, frame);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SymbolView::setSymbol(kit::SymbolName symbol, kit::BrandColor color)
{
    if (symbol.name() == m_symbol.name() && color == m_color)
        return;
    m_symbol = symbol;
    m_color = color;
    update();
}

void SymbolView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    kit::paintSymbol(painter, QRectF(rect()), m_symbol, kit::Brand::current().color(m_color), m_pixelSize);
}

} // namespace ostrevin
