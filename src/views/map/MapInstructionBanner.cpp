#include "views/map/MapInstructionBanner.h"

#include "views/kit/Brand.h"
#include "views/kit/GlassSurface.h"
#include "views/kit/Symbols.h"
#include "views/kit/TextStyle.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

namespace ostrevin {

namespace {

constexpr int horizontalPadding = 12;
constexpr int verticalPadding = 8;
/// The symbol's square and the gap between it and the text.
constexpr int iconSize = 16;
constexpr int iconGap = 6;
constexpr double cornerRadius = 12;
constexpr auto emphasis = kit::GlassEmphasis::Elevated;

QMargins shadowRoom()
{
    return kit::glassShadowMargins(emphasis).toMargins();
}

} // namespace

MapInstructionBanner::MapInstructionBanner(QWidget* parent) : QWidget(parent)
{
    // Clicks on the banner reach the map beneath it.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFont(kit::textFont(kit::TextStyle::Callout));
}

void MapInstructionBanner::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    // Painted, so a screen reader has only this to read.
    setAccessibleName(text);
    updateGeometry();
    update();
}

QPoint MapInstructionBanner::shapeOffset() const
{
    return {shadowRoom().left(), shadowRoom().top()};
}

QRect MapInstructionBanner::textRect(int width) const
{
    const QMargins room = shadowRoom();
    const int available = width - room.left() - room.right() - 2 * horizontalPadding - iconSize - iconGap;
    return QFontMetrics(font()).boundingRect(QRect(0, 0, std::max(1, available), 100000), Qt::TextWordWrap, m_text);
}

QSize MapInstructionBanner::sizeHint() const
{
    const QMargins room = shadowRoom();
    const int widest = maxWidth + room.left() + room.right();
    const int natural = textRect(widest).width() + 2 * horizontalPadding + iconSize + iconGap + 1;
    const int width = std::min(maxWidth, natural) + room.left() + room.right();
    return {width, heightForWidth(width)};
}

int MapInstructionBanner::heightForWidth(int width) const
{
    const QMargins room = shadowRoom();
    const int text = std::max(textRect(width).height(), QFontMetrics(font()).height());
    return text + 2 * verticalPadding + room.top() + room.bottom();
}

void MapInstructionBanner::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange)
        updateGeometry();
}

void MapInstructionBanner::paintEvent(QPaintEvent*)
{
    const kit::Brand& brand = kit::Brand::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect shape = rect().marginsRemoved(shadowRoom());
    kit::paintGlassSurface(painter, shape, emphasis, cornerRadius, brand);
    const QRect content = shape.adjusted(horizontalPadding, verticalPadding, -horizontalPadding, -verticalPadding);
    const int lineHeight = QFontMetrics(font()).height();
    const QRectF icon(content.left(), content.top() + (lineHeight - iconSize) / 2.0, iconSize, iconSize);
    kit::paintSymbol(painter, icon, "cursorarrow.click"_symbol, brand.accentText, iconSize);
    painter.setPen(brand.primary);
    painter.setFont(font());
    painter.drawText(content.adjusted(iconSize + iconGap, 0, 0, 0), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop,
                     m_text);
}

} // namespace ostrevin
