#include "planner/MainWindowState.h"

#include "planner/ObservableField.h"

namespace ostrevin {

void MainWindowState::setSection(AppSection section)
{
    assignObservable(this, m_section, section, &MainWindowState::sectionChanged);
}

void MainWindowState::setSidePanelVisible(bool visible)
{
    assignObservable(this, m_isSidePanelVisible, visible, &MainWindowState::sidePanelVisibleChanged);
}

void MainWindowState::setDevicePopoverPresented(bool presented)
{
    assignObservable(this, m_isDevicePopoverPresented, presented, &MainWindowState::devicePopoverPresentedChanged);
}

void MainWindowState::setResetConfirmationPresented(bool presented)
{
    assignObservable(this, m_isResetConfirmationPresented, presented,
                     &MainWindowState::resetConfirmationPresentedChanged);
}

} // namespace ostrevin
