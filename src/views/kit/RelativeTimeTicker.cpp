#include "views/kit/RelativeTimeTicker.h"

#include <QEvent>
#include <QWidget>

namespace ostrevin::kit {

RelativeTimeTicker::RelativeTimeTicker(QWidget& widget, std::function<void()> tick) : QObject(&widget), m_widget(widget)
{
    m_timer.setInterval(defaultInterval);
    connect(&m_timer, &QTimer::timeout, this, std::move(tick));
    widget.installEventFilter(this);
    if (widget.isVisible())
        m_timer.start();
}

bool RelativeTimeTicker::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_widget) {
        if (event->type() == QEvent::Show)
            m_timer.start();
        else if (event->type() == QEvent::Hide)
            m_timer.stop();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace ostrevin::kit
