#pragma once

#include "views/kit/Symbols.h"

#include <QPushButton>
#include <optional>

namespace ostrevin {

/// Bordered: the plain push button; Prominent: filled with the accent; Attention:
/// its text in the attention colour (the alarm's acknowledgement).
enum class SymbolButtonStyle { Bordered, Prominent, Attention };

/// A push button labelled with a title and a symbol before it. The prominent
/// style fills it with the accent. The symbol takes the button's text colour
/// again whenever the appearance changes.
class SymbolButton final : public QPushButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SymbolButton)

public:
    SymbolButton(const QString& title, std::optional<kit::SymbolName> symbol,
                 SymbolButtonStyle style = SymbolButtonStyle::Bordered, QWidget* parent = nullptr);
    ~SymbolButton() override = default;

protected:
    void changeEvent(QEvent* event) override;

private:
    void applyAppearance();

    std::optional<kit::SymbolName> m_symbol;
    SymbolButtonStyle m_style;
    bool m_applying = false;
};

/// The shared label builder of the bars and footers: a title with a symbol.
inline QPushButton* symbolButton(const QString& title, kit::SymbolName symbol,
                                 SymbolButtonStyle style = SymbolButtonStyle::Bordered)
{
    return new SymbolButton(title, symbol, style);
}

} // namespace ostrevin
