#include "views/kit/IconButton.h"

#include "views/kit/Shapes.h"

#include <QEnterEvent>
#include <QPainter>

namespace ostrevin::kit {

IconButton::IconButton(const QString& title, SymbolName symbol, BrandColor tint, QWidget* parent)
    : QAbstractButton(parent), m_symbol(symbol), m_tint(tint)
{
    setFixedSize(28, 28);
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::TabFocus);
    setTitle(title);
}

void IconButton::setTitle(const QString& title)
{
    setToolTip(title);
    setAccessibleName(title);
}

void IconButton::setSymbol(SymbolName symbol)
{
    m_symbol = symbol;
    update();
}

bool IconButton::showsHoverWash() const
{
    return m_hovered && isEnabled();
}

void IconButton::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void IconButton::leaveEvent(QEvent* event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void IconButton::paintEvent(QPaintEvent*)
{
    const Brand& brand = Brand::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(rect());
    if (showsHoverWash())
        fillRoundedRect(painter, bounds, 8, brand.primaryAt(0.08));
    if (hasFocus())
        strokeRoundedRectInside(painter, bounds, 8, brand.accentText, 1.5);
    // A quiet button is drawn in the secondary colour already: half of that would
    // still read as enabled beside it, so its disabled form fades further.
    const qreal disabledOpacity = m_tint == BrandColor::Secondary ? 0.35 : 0.5;
    const QColor color = isEnabled() ? brand.color(m_tint) : withOpacity(brand.secondary, disabledOpacity);
    // The symbol font draws a little smaller than text of the same size: 13 px
    // text matches a glyph of about 16 px.
    paintSymbol(painter, bounds, m_symbol, color, 16);
}

} // namespace ostrevin::kit
