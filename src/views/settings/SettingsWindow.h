#pragma once

#include "views/settings/SettingsTab.h"

#include <QList>
#include <QMargins>
#include <QString>
#include <QWidget>
#include <functional>

class QAbstractButton;
class QButtonGroup;
class QScrollArea;

namespace ostrevin {

class LocationPlannerViewModel;
class RuntimeInstaller;
class SettingsStore;

/// The settings window: the General, iPhone, Alerts and Advanced tabs over the
/// one view model, the runtime installer and the settings store. It opens on
/// General and takes its size from the selected tab, up to the screen's height
/// (the tab scrolls then), and stays wholly on its screen. Escape and Ctrl+W close it.
class SettingsWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsWindow)

public:
    struct Services {
        LocationPlannerViewModel& viewModel;
        RuntimeInstaller& runtime;
        /// The store the view model reads (the application's own settings).
        SettingsStore& settings;
        /// Starts the relauncher and ends the application (the orderly quit).
        std::function<void()> relaunch;
        /// Where the shipped translations are; empty: the built-in ones.
        QString translationFolder;
        /// The language choice this run started with; empty: as captured at start-up.
        QString launchedWith;
    };

    explicit SettingsWindow(Services services, QWidget* parent = nullptr);
    ~SettingsWindow() override;

    SettingsTab currentTab() const;
    void setCurrentTab(SettingsTab tab);
    QAbstractButton* tabButton(SettingsTab tab) const;
    QWidget* tabContent(SettingsTab tab) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void fitToScreen();
    QMargins windowFrame() const;
    /// Puts the window's frame at frameTopLeft, or as near as keeps it wholly on its screen.
    void keepOnScreen(QPoint frameTopLeft);

    QButtonGroup* m_tabs;
    QWidget* m_header = nullptr;
    QScrollArea* m_scroll = nullptr;
    QList<QWidget*> m_pages;
    bool m_fitPending = false;
    bool m_placed = false;
};

} // namespace ostrevin
