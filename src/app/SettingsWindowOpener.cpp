#include "app/SettingsWindowOpener.h"

#include "app/MainWindow.h"

#include <QShortcut>

namespace ostrevin {

SettingsWindowOpener::SettingsWindowOpener(SettingsWindow::Services services, MainWindow& mainWindow)
    : QObject(&mainWindow), m_services(std::move(services)), m_owner(&mainWindow)
{
    connect(&mainWindow, &MainWindow::settingsRequested, this, &SettingsWindowOpener::open);
}

SettingsWindowOpener::~SettingsWindowOpener()
{
    delete m_window;
}

void SettingsWindowOpener::open()
{
    if (!m_window) {
        m_window = new SettingsWindow(m_services, m_owner);
        m_window->setAttribute(Qt::WA_DeleteOnClose);
        // The menu's Quit belongs to the main window; Ctrl+Q quits from here too, the
        // same way (asking first while something runs on the iPhone).
        auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), m_window);
        connect(quit, &QShortcut::activated, m_owner.data(), &QWidget::close);
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

} // namespace ostrevin
