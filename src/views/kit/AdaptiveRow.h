#pragma once

#include <QWidget>

namespace ostrevin::kit {

/// Two groups of controls side by side while both fit on one line, and one above
/// the other when they do not (the control bar in a narrow window).
class AdaptiveRow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AdaptiveRow)

public:
    AdaptiveRow(QWidget* leading, QWidget* trailing, QWidget* parent = nullptr, int spacing = 8);
    ~AdaptiveRow() override = default;

    /// Whether a width puts the groups on two lines.
    bool stacksAt(int width) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void place();

    QWidget* m_leading;
    QWidget* m_trailing;
    int m_spacing;
};

} // namespace ostrevin::kit
