#pragma once

#include "views/kit/Brand.h"
#include "views/kit/Symbols.h"

#include <QWidget>

namespace ostrevin {

/// One symbol in a Brand colour, centred in its box; the colour is resolved when
/// painted, so it follows the appearance.
class SymbolMark final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SymbolMark)

public:
    SymbolMark(kit::SymbolName symbol, kit::BrandColor color, int pixelSize, QWidget* parent = nullptr);
    ~SymbolMark() override = default;

    void setSymbol(kit::SymbolName symbol, kit::BrandColor color);
    QSize sizeHint() const override { return {m_pixelSize + 2, m_pixelSize + 2}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    kit::SymbolName m_symbol;
    kit::BrandColor m_color;
    int m_pixelSize;
};

/// One line of tool output in a small monospaced font and the secondary colour,
/// cut in the middle when it does not fit; the whole line is its tooltip.
class MiddleElidedLine final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MiddleElidedLine)

public:
    explicit MiddleElidedLine(QWidget* parent = nullptr);
    ~MiddleElidedLine() override = default;

    void setText(const QString& text);
    QString text() const { return m_text; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return {0, sizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};

/// A rounded surface: a fill and an optional border drawn inside its edge.
class RoundedSurface final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RoundedSurface)

public:
    enum class Style {
        /// The control background with a faint primary border (the step card).
        card,
        /// The failure colour at 8 % (the error notice).
        failure,
    };

    RoundedSurface(Style style, qreal radius, QWidget* parent = nullptr);
    ~RoundedSurface() override = default;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Style m_style;
    qreal m_radius;
};

} // namespace ostrevin
