#pragma once

#include <QBasicTimer>
#include <QWidget>

namespace ostrevin::kit {

/// A small painted progress spinner. It turns only while visible: a hidden one
/// (or one in a hidden panel) costs no timer and no repaint.
class Spinner final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Spinner)

public:
    explicit Spinner(int size = 16, QWidget* parent = nullptr);
    ~Spinner() override = default;

    bool isSpinning() const { return m_timer.isActive(); }
    /// Holds every spinner on its first frame: a picture of the interface must not
    /// depend on how long the window took to appear.
    static void setStill(bool still);
    QSize sizeHint() const override { return {m_size, m_size}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    int m_size;
    int m_step = 0;
    QBasicTimer m_timer;
};

} // namespace ostrevin::kit
