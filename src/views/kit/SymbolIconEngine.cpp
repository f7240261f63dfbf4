#include "views/kit/SymbolIconEngine.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace ostrevin::kit {

SymbolIconEngine::SymbolIconEngine(SymbolName symbol, const QColor& color, int pixelSize)
    : m_symbol(symbol), m_color(color), m_pixelSize(pixelSize)
{
}

void SymbolIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state)
{
    const qreal scale = painter->device()->devicePixelRatio();
    painter->drawPixmap(rect, scaledPixmap(rect.size() * scale, mode, state, scale));
}

QSize SymbolIconEngine::actualSize(const QSize& size, QIcon::Mode, QIcon::State)
{
    return QSize(m_pixelSize, m_pixelSize).boundedTo(size);
}

QPixmap SymbolIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    return scaledPixmap(size, mode, state, 1.0);
}

QPixmap SymbolIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale)
{
    // size is in device pixels: the symbol's own square at this scale, or less.
    const int side = std::min({size.width(), size.height(), qRound(m_pixelSize * scale)});
    if (side <= 0)
        return {};
    // A button asks again on every repaint, a hover or a press.
    const std::pair key{side, mode};
    if (const auto drawn = m_drawn.find(key); drawn != m_drawn.end())
        return drawn->second;
    QPixmap pixmap(side, side);
    // Drawn in the symbol's own units, as at the scale of the screen.
    pixmap.setDevicePixelRatio(qreal(side) / m_pixelSize);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::TextAntialiasing);
        paintSymbol(painter, QRectF(0, 0, m_pixelSize, m_pixelSize), m_symbol, m_color, m_pixelSize);
    }
    if (mode != QIcon::Normal && qobject_cast<QApplication*>(QCoreApplication::instance())) {
        QStyleOption option;
        option.palette = QGuiApplication::palette();
        const QPixmap styled = QApplication::style()->generatedIconPixmap(mode, pixmap, &option);
        if (!styled.isNull())
            pixmap = styled;
    }
    m_drawn.emplace(key, pixmap);
    return pixmap;
}

QList<QSize> SymbolIconEngine::availableSizes(QIcon::Mode, QIcon::State)
{
    return {QSize(m_pixelSize, m_pixelSize)};
}

bool SymbolIconEngine::isNull()
{
    // As an icon of pixmaps: even a blank symbol keeps its square in a button.
    return m_pixelSize <= 0;
}

QString SymbolIconEngine::key() const
{
    return QStringLiteral("ostrevin-symbol");
}

QIconEngine* SymbolIconEngine::clone() const
{
    return new SymbolIconEngine(*this);
}

} // namespace ostrevin::kit
