#include "alerts/LocationSafetyAlarmPanel.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

namespace ostrevin {

LocationSafetyAlarmPanel::LocationSafetyAlarmPanel(QScreen* screen)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_screen(screen)
{
    // Closing or hiding panels must never end the app, whatever the shell decides
    // about the last window.
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFocusPolicy(Qt::StrongFocus);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (screen) {
        // The screen first, then the geometry: a full-screen window goes to the
        // screen it was put on, not to the one under the pointer.
        setScreen(screen);
        setGeometry(screen->geometry());
    }
    create();
    windowHandle()->installEventFilter(this);
}

LocationSafetyAlarmPanel::~LocationSafetyAlarmPanel() = default;

void LocationSafetyAlarmPanel::setContent(QWidget* content)
{
    if (m_content) {
        m_content->hide();
        layout()->removeWidget(m_content);
        m_content->deleteLater();
    }
    m_content = content;
    if (m_content)
        layout()->addWidget(m_content);
}

void LocationSafetyAlarmPanel::activateWhenShown()
{
    // X11 ignores a focus request for a window that is not mapped yet, and without a
    // window manager the keyboard then follows the pointer to whichever panel is
    // under it.
    m_activateWhenExposed = !windowHandle()->isExposed();
    activateWindow();
    setFocus(Qt::OtherFocusReason);
}

bool LocationSafetyAlarmPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (m_activateWhenExposed && event->type() == QEvent::Expose && windowHandle()->isExposed()) {
        m_activateWhenExposed = false;
        QMetaObject::invokeMethod(this, &LocationSafetyAlarmPanel::activateWhenShown, Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}

void LocationSafetyAlarmPanel::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        emit returnPressed();
        return;
    }
    QWidget::keyPressEvent(event);
}

void LocationSafetyAlarmPanel::closeEvent(QCloseEvent* event)
{
    // A window-manager close (Alt+F4) would hide the alarm while its sound goes
    // on: only acknowledging ends it, and the controller hides panels itself.
    if (event->spontaneous()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

} // namespace ostrevin
