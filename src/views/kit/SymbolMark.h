#pragma once

#include "views/kit/Brand.h"
#include "views/kit/Symbols.h"

#include <QWidget>

namespace ostrevin::kit {

/// One symbol in a Brand colour, centred in a fixed square; the colour is resolved
/// when painted, so it follows the appearance. It lets clicks through to what lies
/// under it.
class SymbolMark final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SymbolMark)

public:
    /// The symbol drawn `pixelSize` high in a square `frame` wide.
    SymbolMark(SymbolName symbol, BrandColor color, int pixelSize, int frame, QWidget* parent = nullptr);
    ~SymbolMark() override = default;

    void setSymbol(SymbolName symbol, BrandColor color);
    SymbolName symbol() const { return m_symbol; }
    BrandColor color() const { return m_color; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SymbolName m_symbol;
    BrandColor m_color;
    int m_pixelSize;
};

} // namespace ostrevin::kit
