#pragma once

#include <QIcon>
#include <QMainWindow>
#include <QPointer>

class QMessageBox;
class QStackedWidget;
class QVariantAnimation;

namespace ostrevin {

class PlaceSearchService;

class AppCommands;
class AppUpdater;
class LocationPlannerViewModel;
class MainWindowView;
class RuntimeInstaller;
class RuntimeSetupView;

/// The single main window: the runtime setup screen until the helper runtime is
/// installed, the main content from then on, the menus, and the view model's
/// notices as an alert over either screen. Closing it quits the
/// application, after asking while a location is held or a route plays.
class MainWindow : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    /// placeSearch answers the search fields of the panels; it outlives the window.
    MainWindow(LocationPlannerViewModel& viewModel, RuntimeInstaller& runtime, AppUpdater& updater,
               PlaceSearchService& placeSearch, QWidget* parent = nullptr);
    ~MainWindow() override;

    /// The icon of the desktop's theme, else the one shipped beside the program.
    static QIcon applicationIcon();

    /// The setup screen; built the first time the runtime is found not installed.
    RuntimeSetupView* setupView() const { return m_setup; }
    /// The main content; built the first time the runtime is installed.
    MainWindowView* content() const { return m_content; }
    AppCommands* commands() const { return m_commands; }
    bool isShowingContent() const;

    /// A later launch asked for the window: forward, with the keyboard, once the
    /// alarm (if it is up) is gone.
    void comeForward();

    /// Lets the next close through without asking (an orderly quit is under way).
    void setQuitConfirmed() { m_quitConfirmed = true; }
    /// Whether closing now would stop something running on the iPhone.
    bool closeNeedsConfirmation() const;

signals:
    /// The window was closed for good: the application should quit.
    void quitRequested();
    /// The settings link or menu item was chosen.
    void settingsRequested();
    /// The first frame of the main content was painted.
    void contentPainted();
    /// The window's first frame, whichever screen it shows, was painted.
    void firstFramePainted();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitToScreen();
    void syncRoot();
    void buildSetupView();
    void showAbout();
    void askBeforeClosing();

    LocationPlannerViewModel& m_viewModel;
    RuntimeInstaller& m_runtime;
    AppUpdater& m_updater;
    PlaceSearchService& m_placeSearch;
    QStackedWidget* m_stack = nullptr;
    RuntimeSetupView* m_setup = nullptr;
    MainWindowView* m_content = nullptr;
    /// The main content fading in after the setup screen.
    QPointer<QVariantAnimation> m_contentFade;
    AppCommands* m_commands = nullptr;
    QPointer<QMessageBox> m_closeBox;
    /// The control that had the focus until it was disabled under it.
    QPointer<QWidget> m_focusLost;
    QMetaObject::Connection m_focusWatch;
    bool m_quitConfirmed = false;
    bool m_contentPainted = false;
    bool m_framePainted = false;
};

} // namespace ostrevin
