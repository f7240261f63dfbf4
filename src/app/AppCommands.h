#pragma once

#include "app/CommandRules.h"

#include <QKeySequence>
#include <QObject>
#include <QUrl>
#include <functional>

class QAction;
class QMenu;
class QMenuBar;

namespace ostrevin {

class AppUpdater;
class LocationPlannerViewModel;
class RuntimeInstaller;

/// The main window's menus: File (GPX export, Quit), Edit (Settings), View (the
/// sections and the side panel), Device (prepare, check again, reset) and Help
/// (web pages, updates, About). Every item acts through the view model, the window
/// state or the updater, and is enabled from their state by CommandRules.
class AppCommands : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AppCommands)

public:
    /// What the menus cannot do through the view model.
    struct Actions {
        std::function<void()> quit;
        std::function<void()> openSettings;
        std::function<void()> showAbout;
        /// Writes the route as GPX; the item stays disabled while none is given.
        std::function<void()> exportGPX;
        std::function<void(const QUrl&)> openURL;
        /// Puts the keyboard focus into the side panel shown (optional).
        std::function<void()> focusPanel;
    };

    AppCommands(QMenuBar& menuBar, LocationPlannerViewModel& viewModel, RuntimeInstaller& runtime, AppUpdater& updater,
                Actions actions, QObject* parent = nullptr);

    /// The product's web site of this build, or an empty URL when it has none (the
    /// Help menu then has no web items).
    static QUrl productWebsiteURL();
    /// A directory page's address ends in a slash.
    enum class PageShape { file, directory };
    /// The site with one path component appended.
    static QUrl webPage(const QUrl& site, const QString& component, PageShape shape);

    /// The item with this object name, for tests and the window's shortcuts.
    QAction* action(const QString& name) const;

    /// Re-evaluates every text and enable rule.
    void refresh();

private:
    CommandRules::Facts facts() const;
    QAction* add(QMenu* menu, const QString& name, const QString& text, const QKeySequence& shortcut = {});

    LocationPlannerViewModel& m_viewModel;
    RuntimeInstaller& m_runtime;
    AppUpdater& m_updater;
    Actions m_actions;
    QList<QAction*> m_actionList;
};

} // namespace ostrevin
