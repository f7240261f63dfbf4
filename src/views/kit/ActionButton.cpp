#include "views/kit/ActionButton.h"

#include "views/kit/Brand.h"
#include "views/kit/Shapes.h"
#include "views/kit/TextStyle.h"

#include <QFontMetricsF>
#include <QPainter>

namespace ostrevin::kit {

namespace {

constexpr qreal cornerRadius = 10;
constexpr int padX = 12;
constexpr int padY = 8;
constexpr int minimumLabelHeight = 22;

} // namespace

ActionButton::ActionButton(const QString& text, Kind kind, QWidget* parent) : QPushButton(text, parent), m_kind(kind)
{
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAttribute(Qt::WA_Hover);
}

QFont ActionButton::labelFont() const
{
    return textFont(TextStyle::Body, m_kind == Kind::Primary ? QFont::DemiBold : QFont::Medium);
}

void ActionButton::setSymbol(SymbolName symbol)
{
    m_symbol = symbol;
    updateGeometry();
    update();
}

SymbolLabel ActionButton::label() const
{
    return {text(), m_symbol};
}

QSize ActionButton::sizeHint() const
{
    const int width = qCeil(label().naturalWidth(labelFont())) + 2 * padX;
    return {width, heightForWidth(width)};
}

QSize ActionButton::minimumSizeHint() const
{
    return {2 * padX + 24, minimumLabelHeight + 2 * padY};
}

int ActionButton::heightForWidth(int width) const
{
    return qMax(minimumLabelHeight, qCeil(label().heightForWidth(labelFont(), width - 2 * padX))) + 2 * padY;
}

QRectF ActionButton::labelRect(const QRectF& bounds) const
{
    return bounds.adjusted(padX, padY, -padX, -padY);
}

bool ActionButton::hitButton(const QPoint& position) const
{
    return roundedRectPath(QRectF(rect()), cornerRadius).contains(QPointF(position));
}

void ActionButton::paintEvent(QPaintEvent*)
{
    const Brand& brand = Brand::current();
    const bool enabled = isEnabled();
    const bool pressed = isDown();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(rect());

    QColor fill;
    QColor textColor;
    if (m_kind == Kind::Primary) {
        fill = enabled ? brand.accent : brand.primaryAt(0.08);
        textColor = enabled ? brand.onAccent : brand.secondary;
        if (pressed && enabled)
            painter.setOpacity(0.82);
    } else {
        fill = brand.primaryAt(pressed && enabled ? 0.14 : 0.08);
        textColor = enabled ? brand.primary : brand.secondary;
    }
    fillRoundedRect(painter, bounds, cornerRadius, fill);
    if (brand.appearance.highContrast)
        strokeRoundedRectInside(painter, bounds, cornerRadius, brand.primaryAt(0.5), 1);
    if (hasFocus() && enabled)
        paintFocusRing(painter, bounds, cornerRadius, m_kind == Kind::Primary);

    label().paint(painter, labelRect(bounds), labelFont(), textColor);
}

} // namespace ostrevin::kit
