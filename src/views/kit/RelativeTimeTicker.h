#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>

class QWidget;

namespace ostrevin::kit {

/// Calls back every interval while its widget is visible, so that relative times
/// ("3 min. ago", an arrival time) follow the clock while shown; a hidden widget
/// costs nothing.
class RelativeTimeTicker final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RelativeTimeTicker)

public:
    static constexpr std::chrono::milliseconds defaultInterval{60'000};

    /// The ticker belongs to widget.
    RelativeTimeTicker(QWidget& widget, std::function<void()> tick);
    ~RelativeTimeTicker() override = default;

    void setInterval(std::chrono::milliseconds interval) { m_timer.setInterval(interval); }
    bool isTicking() const { return m_timer.isActive(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& m_widget;
    QTimer m_timer;
};

} // namespace ostrevin::kit
