#pragma once

#include "planner/DeviceIndicatorState.h"
#include "views/device/DeviceSetupPopover.h"
#include "views/kit/Brand.h"

#include <QAbstractButton>
#include <QPointer>

namespace ostrevin {

class LocationPlannerViewModel;
class MainWindowState;

namespace kit {
class KitLabel;
class Spinner;
class StatusDot;
class SymbolMark;
} // namespace kit

/// The colour of the device's status dot, shared by the pill and the popover's
/// header: an unplugged iPhone only asks for attention while something is simulated.
kit::BrandColor deviceIndicatorColor(DeviceIndicatorState state, bool isSimulationActive);

/// The toolbar button that names the iPhone and says whether it can take a
/// location. A click opens or closes the setup popover below it; the popover's
/// presentation lives in the window state, so menus and notices open it too.
class DeviceStatusPill final : public QAbstractButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DeviceStatusPill)

public:
    DeviceStatusPill(LocationPlannerViewModel& viewModel, MainWindowState& windowState, QWidget* parent = nullptr);
    ~DeviceStatusPill() override;

    /// The open popover, if any.
    DeviceSetupPopover* popover() const { return m_popover; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void sync();
    void syncPopover();
    void placePopover();

    LocationPlannerViewModel& m_viewModel;
    MainWindowState& m_windowState;
    kit::SymbolMark* m_phone;
    kit::KitLabel* m_name;
    kit::Spinner* m_spinner;
    kit::StatusDot* m_dot;
    kit::KitLabel* m_state;
    QPointer<DeviceSetupPopover> m_popover;
    bool m_hovered = false;
};

} // namespace ostrevin
