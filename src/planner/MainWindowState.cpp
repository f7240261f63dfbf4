#include "planner/MainWindowState.h"

namespace ostrevin {

namespace {

template <typename T, typename Signal> void assign(MainWindowState* state, T& field, T value, Signal signal)
{
    if (field == value)
        return;
    field = value;
    emit(state->*signal)();
}

} // namespace

void MainWindowState::setSection(AppSection section)
{
    assign(this, m_section, section, &MainWindowState::sectionChanged);
}

void MainWindowState::setSidePanelVisible(bool visible)
{
    assign(this, m_isSidePanelVisible, visible, &MainWindowState::sidePanelVisibleChanged);
}

void MainWindowState::setDevicePopoverPresented(bool presented)
{
    assign(this, m_isDevicePopoverPresented, presented, &MainWindowState::devicePopoverPresentedChanged);
}

void MainWindowState::setResetConfirmationPresented(bool presented)
{
    assign(this, m_isResetConfirmationPresented, presented, &MainWindowState::resetConfirmationPresentedChanged);
}

} // namespace ostrevin
