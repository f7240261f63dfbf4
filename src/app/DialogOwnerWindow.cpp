#include "app/DialogOwnerWindow.h"

#include "views/settings/SettingsWindow.h"

namespace ostrevin {

QWidget* dialogOwnerWindow(QWidget* mainWindow, DialogOwner owner)
{
    if (!mainWindow || owner == DialogOwner::mainWindow)
        return mainWindow;
    // The settings window belongs to the main window (SettingsWindowOpener); one that
    // is closing is hidden already.
    for (SettingsWindow* settings : mainWindow->findChildren<SettingsWindow*>(Qt::FindDirectChildrenOnly)) {
        if (settings->isVisible() && !settings->isMinimized())
            return settings;
    }
    return mainWindow;
}

} // namespace ostrevin
