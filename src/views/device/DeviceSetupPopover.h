#pragma once

#include "planner/MainWindowState.h"

#include <QPointer>
#include <QWidget>
#include <optional>

namespace ostrevin {

class LocationPlannerViewModel;

namespace kit {
class ActionButton;
class DisclosureGroup;
class IconWell;
class KitLabel;
class StatusDot;
class SymbolMark;
class TailTextBox;
} // namespace kit

/// The device setup checklist that opens below the device pill: the iPhone and
/// its state, the three setup steps, what to do next, "Prepare iPhone" when it
/// can help, "Check again", and the technical details folded away. A popup:
/// a click outside closes it, and closing it clears the window state's flag.
class DeviceSetupPopover final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DeviceSetupPopover)

public:
    DeviceSetupPopover(LocationPlannerViewModel& viewModel, MainWindowState& windowState, QWidget* anchor);
    ~DeviceSetupPopover() override = default;

    /// The next step for the user, none when the iPhone is ready.
    static std::optional<QString> setupHint(const LocationPlannerViewModel& viewModel);
    /// The last error, else (after a check) the helper's installation hint.
    static std::optional<QString> details(const LocationPlannerViewModel& viewModel);
    /// A helper is known and the iPhone is connected but not ready.
    static bool showsPrepare(const LocationPlannerViewModel& viewModel);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void sync();
    QRectF surfaceRect() const;

    LocationPlannerViewModel& m_viewModel;
    /// Guarded: the popover may close while the window goes away.
    QPointer<MainWindowState> m_windowState;
    /// Decided once: the window's visual cannot change after it is created.
    bool m_translucent;
    kit::IconWell* m_well;
    kit::KitLabel* m_name;
    kit::StatusDot* m_dot;
    kit::KitLabel* m_state;
    struct StepRow {
        QWidget* row;
        kit::SymbolMark* mark;
        QWidget* number;
        kit::KitLabel* title;
    };
    QList<StepRow> m_steps;
    kit::KitLabel* m_hint;
    kit::ActionButton* m_prepare;
    kit::ActionButton* m_checkAgain;
    kit::KitLabel* m_reason;
    kit::DisclosureGroup* m_detailsGroup;
    kit::TailTextBox* m_detailsText;
};

} // namespace ostrevin
