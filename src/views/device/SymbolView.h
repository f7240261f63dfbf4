#pragma once

#include "views/kit/Brand.h"
#include "views/kit/Symbols.h"

#include <QWidget>

namespace ostrevin {

/// One symbol in a Brand colour, resolved when painted, in a fixed square.
class SymbolView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SymbolView)

public:
    SymbolView(kit::SymbolName symbol, kit::BrandColor color, int pixelSize, int frame, QWidget* parent = nullptr);
    ~SymbolView() override = default;

    void setSymbol(kit::SymbolName symbol, kit::BrandColor color);
    kit::SymbolName symbol() const { return m_symbol; }
    kit::BrandColor color() const { return m_color; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    kit::SymbolName m_symbol;
    kit::BrandColor m_color;
    int m_pixelSize;
};

} // namespace ostrevin
