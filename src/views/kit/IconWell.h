#pragma once

#include "views/kit/Symbols.h"

#include <QWidget>

namespace ostrevin::kit {

/// A symbol on a rounded accent-tinted square, at the head of rows and empty states.
class IconWell final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(IconWell)

public:
    explicit IconWell(SymbolName symbol, int size = 28, QWidget* parent = nullptr);
    ~IconWell() override = default;

    void setSymbol(SymbolName symbol);

    /// Paints a well into rect (for delegates that draw rows themselves).
    static void paint(QPainter& painter, const QRectF& rect, SymbolName symbol);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SymbolName m_symbol;
};

} // namespace ostrevin::kit
