#pragma once

#include "views/settings/SettingsWindow.h"

#include <QObject>
#include <QPointer>

namespace ostrevin {

class MainWindow;

/// Opens the one settings window from the menu and the toolbar link: built on
/// the first request (on General), raised on later ones, and gone when the user
/// closes it, so the next request opens it on General again.
class SettingsWindowOpener final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsWindowOpener)

public:
    /// Answers the main window's settings requests (Edit › Settings… and the
    /// toolbar's settings link). The settings window belongs to the main window:
    /// it stays above it and goes with it.
    SettingsWindowOpener(SettingsWindow::Services services, MainWindow& mainWindow);
    ~SettingsWindowOpener() override;

    void open();
    SettingsWindow* window() const { return m_window; }

private:
    SettingsWindow::Services m_services;
    QPointer<MainWindow> m_owner;
    QPointer<SettingsWindow> m_window;
};

} // namespace ostrevin
