#pragma once

#include "views/kit/Brand.h"

#include <QTimer>
#include <QWidget>
#include <chrono>
#include <functional>

class QAbstractButton;
class QPushButton;

namespace ostrevin {

class LocationPlannerViewModel;
class MainWindowState;

namespace kit {
class AdaptiveRow;
class EdgeTransition;
class FocusReturn;
class GlassPanel;
class KitLabel;
class Spinner;
class StatusDot;
} // namespace kit

class RouteProgressLine;

/// The floating bar over the map's bottom edge while a location is simulated or
/// an interruption is open: what the simulation does, how long the location has
/// been held and when it was last verified, and the actions on the running
/// simulation. It fades in when there is something to show and out when nothing
/// is left, hiding itself at the end; the window that places it slides it across
/// the map's bottom edge meanwhile (kit::EdgeTransition). The time texts follow
/// the view model's clock and are refreshed on a timer, so they go stale by at
/// most one tick even when nothing else changes.
class SimulationControlBar final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SimulationControlBar)

public:
    static constexpr int maximumBarWidth = 760;

    SimulationControlBar(LocationPlannerViewModel& viewModel, MainWindowState& windowState,
                         std::chrono::milliseconds tick = std::chrono::seconds(10), QWidget* parent = nullptr);
    ~SimulationControlBar() override = default;

    /// Whether the bar has anything to show for the view model's state.
    static bool isPresent(const LocationPlannerViewModel& viewModel);
    /// The dot's colour when no spinner takes its place.
    static kit::BrandColor indicatorColor(const LocationPlannerViewModel& viewModel);
    /// Whether device work replaces the dot with a spinner. A routine verification
    /// of a confirmed hold keeps the dot.
    static bool showsSpinner(const LocationPlannerViewModel& viewModel);
    /// The second line while no route plays: the detail with the held duration and
    /// the last verification at `now`.
    static QString detailText(const LocationPlannerViewModel& viewModel, const QDateTime& now);

    /// Where the keyboard goes when the bar leaves with the control that work took from
    /// under it (a reset that finished): the window names it; the toolbar behind the
    /// bar would otherwise have it.
    void setKeyboardAfterLeaving(std::function<QWidget*()> control);
    QAbstractButton* stopRouteButton() const;

    /// As wide as it may be; the window narrows it to the map.
    QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void sync();

    LocationPlannerViewModel& m_viewModel;
    MainWindowState& m_windowState;
    QTimer m_clock;
    kit::EdgeTransition* m_presence;
    kit::GlassPanel* m_surface;
    kit::AdaptiveRow* m_row;
    QWidget* m_status;
    kit::StatusDot* m_dot;
    kit::Spinner* m_spinner;
    kit::KitLabel* m_headline;
    kit::KitLabel* m_detail;
    QPushButton* m_acknowledge;
    QPushButton* m_stopRoute;
    QPushButton* m_finishReset;
    QPushButton* m_resetLocation;
    RouteProgressLine* m_progress;
    kit::FocusReturn* m_focusReturn;
    std::function<QWidget*()> m_keyboardAfterLeaving;
};

/// The playback's progress as a thin accent line; values outside 0…1 are clamped.
class RouteProgressLine final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RouteProgressLine)

public:
    explicit RouteProgressLine(QWidget* parent = nullptr);
    ~RouteProgressLine() override = default;

    void setProgress(double progress);
    double progress() const { return m_progress; }
    QSize sizeHint() const override { return {120, 6}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double m_progress = 0;
};

} // namespace ostrevin
