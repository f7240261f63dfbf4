#pragma once

#include "views/settings/SettingsWindow.h"

#include <QObject>
#include <QPointer>

namespace ostrevin {

/// Opens the one settings window from the menu and the toolbar link: built on
/// the first request (on General), raised on later ones, and gone when the user
/// closes it, so the next request opens it on General again.
class SettingsWindowOpener final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsWindowOpener)

public:
    /// The window is a tool window of `owner` (it stays above it and goes with it).
    SettingsWindowOpener(SettingsWindow::Services services, QWidget* owner);
    ~SettingsWindowOpener() override;

    void open();
    SettingsWindow* window() const { return m_window; }

private:
    SettingsWindow::Services m_services;
    QPointer<QWidget> m_owner;
    QPointer<SettingsWindow> m_window;
};

} // namespace ostrevin
