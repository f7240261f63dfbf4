#include "views/device/DeviceStatusPill.h"

#include "planner/LocationPlannerViewModel.h"
#include "planner/MainWindowState.h"
#include "views/device/DeviceSetupPopover.h"
#include "views/kit/KitLabel.h"
#include "views/kit/Shapes.h"
#include "views/kit/Spinner.h"
#include "views/kit/StatusDot.h"
#include "views/kit/SymbolMark.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QScreen>

namespace ostrevin {

using kit::BrandColor;

kit::BrandColor deviceIndicatorColor(DeviceIndicatorState state, bool isSimulationActive)
{
    switch (state) {
    case DeviceIndicatorState::ready:
        return BrandColor::Ready;
    case DeviceIndicatorState::needsSetup:
        return BrandColor::Attention;
    case DeviceIndicatorState::notConnected:
        return isSimulationActive ? BrandColor::Attention : BrandColor::Idle;
    case DeviceIndicatorState::working:
        return BrandColor::Idle;
    }
    return BrandColor::Idle;
}

DeviceStatusPill::DeviceStatusPill(LocationPlannerViewModel& viewModel, MainWindowState& windowState, QWidget* parent)
    : QAbstractButton(parent), m_viewModel(viewModel), m_windowState(windowState)
{
    setObjectName(QStringLiteral("DeviceStatusPill"));
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
    //: Tooltip of the device pill in the toolbar.
    setToolTip(tr("Show the iPhone’s status and setup"));
    //: Accessibility hint of the device pill.
    setAccessibleDescription(tr("Shows the iPhone’s status and setup."));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 4, 10, 4);
    layout->setSpacing(7);
    m_phone = new kit::SymbolMark("iphone.slash"_symbol, BrandColor::Secondary, 15, 16);
    m_name = new kit::KitLabel({}, kit::TextStyle::Callout);
    m_name->setTextStyle(kit::TextStyle::Callout, QFont::Medium);
    m_name->setMaximumLines(1);
    m_name->setElideMode(Qt::ElideMiddle);
    m_name->setMaximumWidth(180);
    m_spinner = new kit::Spinner(10);
    m_spinner->setFixedSize(14, 14);
    m_dot = new kit::StatusDot(BrandColor::Idle, 8);
    m_state = new kit::KitLabel({}, kit::TextStyle::Callout);
    m_state->setObjectName(QStringLiteral("stateTitle"));
    m_state->setColorRole(BrandColor::Secondary);
    m_state->setMaximumLines(1);
    for (QWidget* part : std::initializer_list<QWidget*>{m_phone, m_name, m_spinner, m_dot, m_state}) {
        part->setAttribute(Qt::WA_TransparentForMouseEvents);
        layout->addWidget(part, 0, Qt::AlignVCenter);
    }

    connect(this, &QAbstractButton::clicked, &m_windowState,
            [this] { m_windowState.setDevicePopoverPresented(!m_windowState.isDevicePopoverPresented()); });
    connect(&m_windowState, &MainWindowState::devicePopoverPresentedChanged, this, &DeviceStatusPill::syncPopover);

    for (auto signal : {&DeviceState::helperStatusChanged, &DeviceState::lastDeviceCheckChanged,
                        &DeviceState::isCheckingDeviceChanged, &DeviceState::isDeviceBusyChanged})
        connect(&m_viewModel.device(), signal, this, &DeviceStatusPill::sync);
    for (auto signal : {&LocationHoldState::lockedPointChanged, &LocationHoldState::isIPhoneRouteRunningChanged,
                        &LocationHoldState::isLocationResetPendingChanged})
        connect(&m_viewModel.hold(), signal, this, &DeviceStatusPill::sync);
    sync();
}

DeviceStatusPill::~DeviceStatusPill()
{
    // The popover is a window of its own; it must not outlive what it reads.
    delete m_popover;
}

void DeviceStatusPill::sync()
{
    const DeviceIndicatorState state = m_viewModel.deviceIndicatorState();
    const bool working = state == DeviceIndicatorState::working;
    m_phone->setSymbol(m_viewModel.device().helperStatus().isDeviceConnected ? "iphone"_symbol : "iphone.slash"_symbol,
                       BrandColor::Secondary);
    m_name->setText(m_viewModel.deviceDisplayName());
    m_spinner->setVisible(working);
    m_dot->setVisible(!working);
    m_dot->setColor(deviceIndicatorColor(state, m_viewModel.isSimulationActive()));
    m_state->setText(title(state));
    setAccessibleName(m_name->text() + QStringLiteral(", ") + m_state->text());
    updateGeometry();
}

void DeviceStatusPill::syncPopover()
{
    update();
    const bool presented = m_windowState.isDevicePopoverPresented();
    if (!presented) {
        if (m_popover) {
            m_popover->close();
            m_popover->deleteLater();
            // Forgotten at once: presented again before the event loop deletes
            // it, the pill must build a new one rather than keep the closing one.
            m_popover.clear();
        }
        return;
    }
    if (m_popover)
        return;
    // Built anew each time, so the details start folded.
    m_popover = new DeviceSetupPopover(m_viewModel, m_windowState, this);
    m_popover->adjustSize();
    // It grows as its details unfold or its state changes, and must stay on screen.
    m_popover->installEventFilter(this);
    placePopover();
    m_popover->show();
}

void DeviceStatusPill::placePopover()
{
    // Below the pill and centred on it, moved left or up only as far as the screen's
    // free area needs: on a 1024 × 600 screen the unfolded details and "Check again"
    // would otherwise lie below its edge.
    QPoint at = mapToGlobal(QPoint(width() / 2 - m_popover->width() / 2, height() + 4));
    if (const QScreen* screen = this->screen()) {
        const QRect available = screen->availableGeometry();
        const QPoint last(available.right() + 1 - m_popover->width(), available.bottom() + 1 - m_popover->height());
        at.setX(std::clamp(at.x(), available.left(), std::max(available.left(), last.x())));
        at.setY(std::clamp(at.y(), available.top(), std::max(available.top(), last.y())));
    }
    m_popover->move(at);
}

bool DeviceStatusPill::eventFilter(QObject* watched, QEvent* event)
{
    // The type first: reading the guarded pointer while the popover is being destroyed
    // (its last events come here too) would cast an object that is no popover any more.
    if (event->type() == QEvent::Resize && watched == m_popover)
        placePopover();
    return QAbstractButton::eventFilter(watched, event);
}

QSize DeviceStatusPill::sizeHint() const
{
    return layout()->sizeHint();
}

void DeviceStatusPill::enterEvent(QEnterEvent* event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void DeviceStatusPill::leaveEvent(QEvent* event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void DeviceStatusPill::paintEvent(QPaintEvent*)
{
    const kit::Brand& brand = kit::Brand::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF shape = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = shape.height() / 2;
    const bool open = m_windowState.isDevicePopoverPresented();
    kit::fillRoundedRect(painter, shape, radius, brand.primaryAt(isDown() || open ? 0.12 : m_hovered ? 0.08 : 0.05));
    if (hasFocus()) {
        painter.setPen(QPen(brand.accent, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(kit::roundedRectPath(shape.adjusted(1, 1, -1, -1), radius - 1));
    }
}

} // namespace ostrevin
