#include "app/RailItem.h"

#include <QPainter>
#include <QPainterPath>

namespace ostrevin {

namespace {

constexpr int symbolHeight = 24;
constexpr int spacing = 4;
constexpr int verticalPadding = 9;
constexpr qreal cornerRadius = 10;

QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

} // namespace

RailItem::RailItem(AppSection section, QWidget* parent) : QAbstractButton(parent), m_section(section)
{
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setToolTip(title(section));
    setAccessibleName(title(section));
    setText(title(section));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void RailItem::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    //: Accessibility state of the current section's tile in the navigation rail.
    setAccessibleDescription(selected ? tr("Selected") : QString());
    update();
}

void RailItem::setHighContrast(bool highContrast)
{
    m_highContrast = highContrast;
    update();
}

QSize RailItem::sizeHint() const
{
    QFont font = this->font();
    font.setPixelSize(11);
    const QFontMetrics metrics(font);
    // Room for two lines of title: long translations wrap rather than clip.
    const int textHeight = metrics.lineSpacing() * 2;
    return {68, verticalPadding * 2 + symbolHeight + spacing + textHeight};
}

void RailItem::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void RailItem::leaveEvent(QEvent* event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void RailItem::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor primary = palette().windowText().color();
    const QColor accentText = palette().highlight().color();

    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    if (m_selected)
        painter.fillPath(shape, withAlpha(accentText, 0.16));
    else if (m_hovered)
        painter.fillPath(shape, withAlpha(primary, 0.06));
    if (m_selected && m_highContrast) {
        QPainterPath inset;
        inset.addRoundedRect(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), cornerRadius, cornerRadius);
        painter.strokePath(inset, QPen(accentText, 1.5));
    }

    const QColor foreground = m_selected ? accentText : withAlpha(primary, 0.55);
    painter.setPen(foreground);
    QFont titleFont = font();
    titleFont.setPixelSize(11);
    titleFont.setWeight(m_selected ? QFont::DemiBold : QFont::Medium);
    painter.setFont(titleFont);
    const QRect textRect(2, verticalPadding + symbolHeight + spacing, width() - 4,
                         height() - verticalPadding * 2 - symbolHeight - spacing);
    painter.drawText(textRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, text());
}

} // namespace ostrevin
