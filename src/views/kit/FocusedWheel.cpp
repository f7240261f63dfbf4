#include "views/kit/FocusedWheel.h"

#include <QEvent>
#include <QWidget>

namespace ostrevin::kit {

namespace {

class WheelOnlyWithFocus final : public QObject {
public:
    explicit WheelOnlyWithFocus(QWidget& control) : QObject(&control), m_control(control) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &m_control && event->type() == QEvent::Wheel && !m_control.hasFocus()) {
            // Ignored, it travels on to the parents: the scroll area takes it.
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget& m_control;
};

} // namespace

void takeWheelOnlyWithFocus(QWidget& control)
{
    if (control.focusPolicy() == Qt::WheelFocus)
        control.setFocusPolicy(Qt::StrongFocus);
    control.installEventFilter(new WheelOnlyWithFocus(control));
}

} // namespace ostrevin::kit
