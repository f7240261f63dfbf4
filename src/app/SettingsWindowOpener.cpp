#include "app/SettingsWindowOpener.h"

namespace ostrevin {

SettingsWindowOpener::SettingsWindowOpener(SettingsWindow::Services services, QWidget* owner)
    : QObject(owner), m_services(std::move(services)), m_owner(owner)
{
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
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

} // namespace ostrevin
