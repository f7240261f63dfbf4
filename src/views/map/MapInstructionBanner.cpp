#include "views/map/MapInstructionBanner.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace ostrevin {

namespace {

constexpr int horizontalPadding = 12;
constexpr int verticalPadding = 8;
constexpr int iconWidth = 16;
constexpr int iconGap = 6;
constexpr double cornerRadius = 12;

} // namespace

MapInstructionBanner::MapInstructionBanner(QWidget* parent) : QWidget(parent)
{
    // Clicks on the banner reach the map beneath it.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont callout = font();
    callout.setPixelSize(12);
    setFont(callout);
}

void MapInstructionBanner::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    updateGeometry();
    adjustSize();
    update();
}

QRect MapInstructionBanner::textRect(int width) const
{
    const int available = width - 2 * horizontalPadding - iconWidth - iconGap;
    const QFontMetrics metrics(font());
    return metrics.boundingRect(QRect(0, 0, std::max(1, available), 100000), Qt::TextWordWrap, m_text);
}

QSize MapInstructionBanner::sizeHint() const
{
    const QRect text = textRect(maxWidth);
    const int width = std::min(maxWidth, text.width() + 2 * horizontalPadding + iconWidth + iconGap + 1);
    return {width, heightForWidth(width)};
}

int MapInstructionBanner::heightForWidth(int width) const
{
    return std::max(textRect(width).height(), QFontMetrics(font()).height()) + 2 * verticalPadding;
}

void MapInstructionBanner::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange) {
        updateGeometry();
        adjustSize();
    }
}

void MapInstructionBanner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor surface = palette().color(QPalette::Window);
    surface.setAlphaF(0.86f);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.fillPath(shape, surface);
    const QRect text(horizontalPadding + iconWidth + iconGap, verticalPadding,
                     width() - 2 * horizontalPadding - iconWidth - iconGap, height() - 2 * verticalPadding);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(text, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignVCenter, m_text);
}

} // namespace ostrevin
