#pragma once

#include "views/kit/SymbolLabel.h"

#include <QPushButton>
#include <optional>

namespace ostrevin::kit {

/// The full-width action buttons of panels. Primary: white text on the accent;
/// secondary: primary text on a faint wash. Both show a border under high
/// contrast; disabled, both show secondary text on a faint wash.
class ActionButton final : public QPushButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ActionButton)

public:
    enum class Kind { Primary, Secondary };

    explicit ActionButton(const QString& text, Kind kind = Kind::Primary, QWidget* parent = nullptr);
    ~ActionButton() override = default;

    Kind kind() const { return m_kind; }
    /// Drawn before the title.
    void setSymbol(SymbolName symbol);
    std::optional<SymbolName> symbol() const { return m_symbol; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& position) const override;

private:
    QFont labelFont() const;
    QRectF labelRect(const QRectF& bounds) const;
    SymbolLabel label() const;

    Kind m_kind;
    std::optional<SymbolName> m_symbol;
};

} // namespace ostrevin::kit
