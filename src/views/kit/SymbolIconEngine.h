#pragma once

#include "views/kit/Symbols.h"

#include <QColor>
#include <QIconEngine>
#include <QPixmap>
#include <map>
#include <utility>

namespace ostrevin::kit {

/// A symbol icon drawn when a button or action first shows it, at the scale it
/// shows at. Drawing every icon up front for two scales was a good part of the
/// time to the first frame, and redone on every palette change of a hidden button.
/// Like an icon of fixed pixmaps, it never grows past its size and a smaller
/// request gets it smaller; the style draws its disabled and selected looks.
class SymbolIconEngine final : public QIconEngine {
public:
    SymbolIconEngine(SymbolName symbol, const QColor& color, int pixelSize);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    bool isNull() override;
    QString key() const override;
    QIconEngine* clone() const override;

private:
    SymbolName m_symbol;
    QColor m_color;
    int m_pixelSize;
    /// What was drawn, by side in device pixels and mode.
    std::map<std::pair<int, QIcon::Mode>, QPixmap> m_drawn;
};

} // namespace ostrevin::kit
