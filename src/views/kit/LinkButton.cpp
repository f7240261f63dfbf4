#include "views/kit/LinkButton.h"

#include "views/kit/Shapes.h"

#include <QPainter>

namespace ostrevin::kit {

namespace {

// Room for the focus ring around the text.
constexpr int padding = 4;

} // namespace

LinkButton::LinkButton(const QString& text, BrandColor color, TextStyle style, QWidget* parent)
    : QAbstractButton(parent), m_color(color)
{
    setText(text);
    setAccessibleName(text);
    setFont(textFont(style));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize LinkButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 2 * padding, metrics.height() + 2 * padding};
}

void LinkButton::paintEvent(QPaintEvent*)
{
    const Brand& brand = Brand::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor color = isEnabled() ? brand.color(m_color) : brand.tertiary;
    if (isDown())
        color.setAlphaF(color.alphaF() * 0.7);
    painter.setFont(font());
    painter.setPen(color);
    painter.drawText(rect().adjusted(padding, padding, -padding, -padding), Qt::AlignLeft | Qt::AlignVCenter, text());
    if (hasFocus())
        paintFocusRing(painter, QRectF(rect()), 5);
}

} // namespace ostrevin::kit
