#pragma once

#include "views/kit/Brand.h"
#include "views/kit/Symbols.h"

#include <QAbstractButton>

namespace ostrevin::kit {

/// A 28 × 28 symbol button with a hover wash. Its title is the tooltip and the
/// accessible name. Ordinary actions are tinted AccentText, quiet ones Secondary.
class IconButton final : public QAbstractButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(IconButton)

public:
    IconButton(const QString& title, SymbolName symbol, BrandColor tint = BrandColor::AccentText,
               QWidget* parent = nullptr);
    ~IconButton() override = default;

    void setTitle(const QString& title);
    void setSymbol(SymbolName symbol);
    /// Whether the hover wash shows (pointer inside and enabled).
    bool showsHoverWash() const;

    QSize sizeHint() const override { return {28, 28}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    SymbolName m_symbol;
    BrandColor m_tint;
    bool m_hovered = false;
};

} // namespace ostrevin::kit
