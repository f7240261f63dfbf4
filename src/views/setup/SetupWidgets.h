#pragma once

#include <QWidget>

namespace ostrevin {

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
