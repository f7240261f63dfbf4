#pragma once

#include "planner/AppSection.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
class QAction;
class QMessageBox;
class QStackedWidget;
class QToolBar;
class QVariantAnimation;

namespace ostrevin {

namespace kit {
class EdgeTransition;
}

class LocationPlannerViewModel;
class MainWindowState;
class NavigationRail;

/// The main window's content: the navigation rail, the side panel with the
/// current section's panel (it slides in and out), and the map column with the
/// control bar over its bottom edge (a bar with an EdgeTransition slides across
/// that edge as it comes and goes); a toolbar with the side-panel toggle, the
/// device pill and the settings link; and the reset confirmation. It runs the readiness monitor while it is shown. The
/// panel slides unless the desktop asks for reduced motion.
///
/// The panels, the map, the control bar and the device pill belong to other
/// areas: each has a named slot here that fill() puts the real widget into.
class MainWindowView : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindowView)

public:
    static constexpr int sidePanelWidth = 308;

    /// The places other areas fill; each slot widget carries the name as its object name.
    enum class Slot {
        placePanel,
        routePanel,
        savedPanel,
        historyPanel,
        mapColumn,
        simulationControlBar,
        deviceStatusPill
    };

    MainWindowView(LocationPlannerViewModel& viewModel, QWidget* parent = nullptr);
    ~MainWindowView() override;

    static QString objectName(Slot slot);
    static Slot panelSlot(AppSection section);

    /// The empty widget of a slot.
    QWidget* slot(Slot slot) const;
    /// Puts content into the slot, replacing what was there; the slot owns it.
    void fill(Slot slot, QWidget* content);
    /// Fills a side panel's slot the first time its section shows (at once when it
    /// shows now). A panel the first frame does not show would only delay it.
    void fillOnFirstShow(Slot slot, std::function<QWidget*()> make);

    /// The toolbar the window shows above this content.
    QToolBar* toolBar() const { return m_toolBar; }
    QAction* sidePanelToggle() const { return m_sidePanelToggle; }
    QAction* settingsLink() const { return m_settingsLink; }
    NavigationRail* rail() const { return m_rail; }

    /// Puts the keyboard focus on the first control of the side panel shown.
    void focusPanel();
    /// That control; none while the side panel is hidden or has none.
    QWidget* firstPanelControl() const;

    /// "Hide Side Panel" while the panel is shown, "Show Side Panel" otherwise.
    static QString sidePanelToggleTitle(const MainWindowState& windowState);

signals:
    /// The settings link was clicked.
    void settingsRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void syncSection();
    void buildPanel(Slot slot);
    enum class Motion { animated, immediate };
    void syncSidePanel(Motion motion);
    void syncResetConfirmation();
    void placeControlBar();
    void updateToolBarIcons();

    LocationPlannerViewModel& m_viewModel;
    MainWindowState& m_windowState;
    NavigationRail* m_rail = nullptr;
    QWidget* m_sidePanel = nullptr;
    QStackedWidget* m_panels = nullptr;
    QWidget* m_mapColumn = nullptr;
    QWidget* m_controlBar = nullptr;
    QWidget* m_devicePill = nullptr;
    QToolBar* m_toolBar = nullptr;
    QAction* m_sidePanelToggle = nullptr;
    QAction* m_settingsLink = nullptr;
    QVariantAnimation* m_slide = nullptr;
    QPointer<kit::EdgeTransition> m_barTransition;
    QPointer<QMessageBox> m_resetBox;
    std::map<Slot, std::function<QWidget*()>> m_unbuiltPanels;
};

} // namespace ostrevin
