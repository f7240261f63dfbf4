#include "views/kit/KeyboardNavigation.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

namespace ostrevin::kit {

namespace {

class ReturnPressesFocusedButton final : public QObject {
public:
    explicit ReturnPressesFocusedButton(QWidget& window) : QObject(&window), m_window(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool isReturn = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
            if (isReturn && !(key->modifiers() & ~Qt::KeypadModifier) && pressFocusedButton(m_window)) {
                event->accept();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget& m_window;
};

} // namespace

bool pressFocusedButton(const QWidget& window)
{
    auto* button = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
    if (!button || button->window() != &window || !button->isEnabled() || !button->isVisible())
        return false;
    button->click();
    return true;
}

void pressFocusedButtonOnReturn(QWidget& window)
{
    window.installEventFilter(new ReturnPressesFocusedButton(window));
}

} // namespace ostrevin::kit
