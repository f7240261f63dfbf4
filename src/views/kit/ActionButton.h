#pragma once

#include <QPushButton>

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

    Kind m_kind;
};

} // namespace ostrevin::kit
