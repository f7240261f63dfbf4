#include "views/kit/SymbolLabel.h"

#include <QFontMetricsF>
#include <QPainter>

namespace ostrevin::kit {

namespace {

constexpr int textFlags = Qt::AlignCenter | Qt::TextWordWrap;
constexpr qreal gap = 6;

qreal symbolSize(const QFont& font)
{
    return QFontMetricsF(font).height();
}

} // namespace

qreal SymbolLabel::symbolSpace(const QFont& font) const
{
    return symbol ? symbolSize(font) + gap : 0;
}

qreal SymbolLabel::naturalWidth(const QFont& font) const
{
    return symbolSpace(font) + QFontMetricsF(font).horizontalAdvance(title);
}

qreal SymbolLabel::heightForWidth(const QFont& font, qreal width) const
{
    const QRectF text = QFontMetricsF(font).boundingRect(
        QRectF(0, 0, std::max<qreal>(1, width - symbolSpace(font)), 10000), textFlags, title);
    return std::max(text.height(), symbol ? symbolSize(font) : 0);
}

void SymbolLabel::paint(QPainter& painter, const QRectF& rect, const QFont& font, const QColor& color) const
{
    const qreal symbolWidth = symbolSpace(font);
    const QFontMetricsF metrics(font);
    const QRectF text =
        metrics.boundingRect(QRectF(0, 0, std::max<qreal>(1, rect.width() - symbolWidth), 10000), textFlags, title);
    // The symbol and the title's block, centred together.
    const qreal left = rect.center().x() - (symbolWidth + text.width()) / 2;
    if (symbol) {
        const qreal size = symbolSize(font);
        paintSymbol(painter, QRectF(left, rect.center().y() - size / 2, size, size), *symbol, color,
                    font.pixelSize() > 0 ? font.pixelSize() * 1.1 : size * 0.85);
    }
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QRectF(left + symbolWidth, rect.top(), text.width() + 1, rect.height()), textFlags, title);
}

} // namespace ostrevin::kit
