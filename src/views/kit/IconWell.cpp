#include "views/kit/IconWell.h"

#include "views/kit/Brand.h"
#include "views/kit/Shapes.h"

#include <QPainter>

namespace ostrevin::kit {

IconWell::IconWell(SymbolName symbol, int size, QWidget* parent) : QWidget(parent), m_symbol(symbol)
{
    setFixedSize(size, size);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void IconWell::setSymbol(SymbolName symbol)
{
    m_symbol = symbol;
    update();
}

void IconWell::paint(QPainter& painter, const QRectF& rect, SymbolName symbol)
{
    const Brand& brand = Brand::current();
    const qreal size = qMin(rect.width(), rect.height());
    fillRoundedRect(painter, rect, size * 0.28, brand.accentWash);
    paintSymbol(painter, rect, symbol, brand.accentText, size * 0.46);
}

void IconWell::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(painter, QRectF(rect()), m_symbol);
}

} // namespace ostrevin::kit
