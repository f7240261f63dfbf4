#pragma once

#include "planner/AppSection.h"

#include <QObject>

namespace ostrevin {

/// What the main window shows: the section, the side panel, and two presentation
/// flags shared by the window, the menus and the device pill. Nothing is kept
/// between runs. GUI thread only.
class MainWindowState : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindowState)

public:
    explicit MainWindowState(QObject* parent = nullptr) : QObject(parent) {}

    AppSection section() const { return m_section; }
    bool isSidePanelVisible() const { return m_isSidePanelVisible; }
    bool isDevicePopoverPresented() const { return m_isDevicePopoverPresented; }
    bool isResetConfirmationPresented() const { return m_isResetConfirmationPresented; }

    void setSection(AppSection section);
    void setSidePanelVisible(bool visible);
    void setDevicePopoverPresented(bool presented);
    void setResetConfirmationPresented(bool presented);

signals:
    void sectionChanged();
    void sidePanelVisibleChanged();
    void devicePopoverPresentedChanged();
    void resetConfirmationPresentedChanged();

private:
    AppSection m_section = AppSection::place;
    bool m_isSidePanelVisible = true;
    bool m_isDevicePopoverPresented = false;
    bool m_isResetConfirmationPresented = false;
};

} // namespace ostrevin
