#include "views/controls/SimulationControlBar.h"

#include "planner/LocationPlannerViewModel.h"
#include "planner/MainWindowState.h"
#include "views/controls/SymbolButton.h"
#include "views/kit/AdaptiveRow.h"
#include "views/kit/EdgeTransition.h"
#include "views/kit/GlassSurface.h"
#include "views/kit/KeyboardNavigation.h"
#include "views/kit/KitLabel.h"
#include "views/kit/Shapes.h"
#include "views/kit/Spinner.h"
#include "views/kit/StatusDot.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace ostrevin {

using kit::BrandColor;

namespace {

const QString partSeparator = QStringLiteral(" · ");

} // namespace

SimulationControlBar::SimulationControlBar(LocationPlannerViewModel& viewModel, MainWindowState& windowState,
                                           std::chrono::milliseconds tick, QWidget* parent)
    : QWidget(parent), m_viewModel(viewModel), m_windowState(windowState)
{
    setObjectName(QStringLiteral("SimulationControlBar"));
    setMaximumWidth(maximumBarWidth + int(kit::glassShadowMargins(kit::GlassEmphasis::Elevated).left() * 2));
    m_presence = new kit::EdgeTransition(*this);

    m_surface = new kit::GlassPanel(kit::GlassEmphasis::Elevated, 16, this);
    // Stop route goes once the route is stopped, and Reset location… is disabled
    // while it stops: the keyboard comes back to the bar, not to the device pill.
    m_focusReturn = new kit::FocusReturn(*m_surface, kit::FocusReturn::Taken::whenDisabledOrHidden);
    m_focusReturn->setStandIn([this]() -> QWidget* {
        if (!isPresent(m_viewModel))
            return m_keyboardAfterLeaving ? m_keyboardAfterLeaving() : nullptr;
        // A reset that did not finish shows Finish reset where Reset location… was.
        return m_finishReset;
    });
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_surface);

    // Status: the indicator beside the headline and the detail.
    m_status = new QWidget;
    auto* statusLayout = new QHBoxLayout(m_status);
    statusLayout->setContentsMargins(0, 0, 0, 0);
    statusLayout->setSpacing(12);
    m_dot = new kit::StatusDot(BrandColor::Idle, 10);
    m_spinner = new kit::Spinner(16);
    //: Accessibility label of the control bar's spinner.
    m_spinner->setAccessibleName(tr("Communicating with iPhone"));
    statusLayout->addWidget(m_dot, 0, Qt::AlignVCenter);
    statusLayout->addWidget(m_spinner, 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    m_headline = new kit::KitLabel({}, kit::TextStyle::Headline);
    m_headline->setObjectName(QStringLiteral("headline"));
    m_headline->setMaximumLines(1);
    m_detail = new kit::KitLabel({}, kit::TextStyle::Callout);
    m_detail->setObjectName(QStringLiteral("detail"));
    m_detail->setColorRole(BrandColor::Secondary);
    m_detail->setMaximumLines(2);
    m_detail->setTabularDigits(true);
    texts->addWidget(m_headline);
    texts->addWidget(m_detail);
    statusLayout->addLayout(texts, 1);

    // Actions, never compressed.
    auto* actions = new QWidget;
    auto* actionLayout = new QHBoxLayout(actions);
    actionLayout->setContentsMargins(0, 0, 0, 0);
    actionLayout->setSpacing(8);
    //: Control bar button: silences the alarm of an open interruption.
    m_acknowledge = new SymbolButton(tr("Acknowledge alert"), std::nullopt, SymbolButtonStyle::Attention);
    m_acknowledge->setObjectName(QStringLiteral("acknowledgeAlert"));
    //: Tooltip of the control bar's Acknowledge alert button.
    m_acknowledge->setToolTip(tr("Turns off the alarm and repeated alerts. Location recovery continues."));
    //: Control bar button: ends the route playing on the iPhone.
    m_stopRoute = symbolButton(tr("Stop route"), "stop.fill"_symbol);
    m_stopRoute->setObjectName(QStringLiteral("stopRoute"));
    //: Control bar button: repeats a location reset that did not finish.
    m_finishReset = symbolButton(tr("Finish reset"), "location.slash"_symbol, SymbolButtonStyle::Prominent);
    m_finishReset->setObjectName(QStringLiteral("finishReset"));
    //: Control bar button: asks whether to give the iPhone its real location back.
    m_resetLocation = new QPushButton(tr("Reset location…"));
    m_resetLocation->setObjectName(QStringLiteral("resetLocation"));
    //: Tooltip of the control bar's Reset location button.
    m_resetLocation->setToolTip(tr("Ends the simulation and returns iPhone to its real location."));
    for (QPushButton* button : {m_acknowledge, m_stopRoute, m_finishReset, m_resetLocation}) {
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        button->setMinimumHeight(30);
        actionLayout->addWidget(button);
    }
    // Under the status (a narrow bar) the buttons keep to the left.
    actionLayout->addStretch(1);
    actions->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    m_row = new kit::AdaptiveRow(m_status, actions, nullptr, 16);
    m_progress = new RouteProgressLine;
    //: Accessibility label of the control bar's progress line.
    m_progress->setAccessibleName(tr("Route progress"));

    auto* inside = new QVBoxLayout(m_surface);
    const QMarginsF shadow = kit::glassShadowMargins(kit::GlassEmphasis::Elevated);
    inside->setContentsMargins(int(shadow.left()) + 16, int(shadow.top()) + 12, int(shadow.right()) + 16,
                               int(shadow.bottom()) + 12);
    inside->setSpacing(10);
    inside->addWidget(m_row);
    inside->addWidget(m_progress);

    connect(m_acknowledge, &QPushButton::clicked, &m_viewModel,
            &LocationPlannerViewModel::acknowledgeLocationSafetyAlarm);
    connect(m_stopRoute, &QPushButton::clicked, &m_viewModel, &LocationPlannerViewModel::stopIPhoneRoute);
    connect(m_finishReset, &QPushButton::clicked, &m_viewModel, &LocationPlannerViewModel::clearIPhoneLocation);
    connect(m_resetLocation, &QPushButton::clicked, &m_windowState,
            [this] { m_windowState.setResetConfirmationPresented(true); });

    using Hold = LocationHoldState;
    for (auto signal :
         {&Hold::lockedPointChanged, &Hold::isIPhoneRouteRunningChanged, &Hold::isLocationResetPendingChanged,
          &Hold::telegramIncidentActiveChanged, &Hold::telegramIncidentAcknowledgedChanged,
          &Hold::iPhoneRouteProgressChanged, &Hold::isLocationLockRefreshingChanged, &Hold::lockFailureCountChanged,
          &Hold::lockStartedAtChanged, &Hold::lastLockRefreshChanged, &Hold::recoveryWaitChanged})
        connect(&m_viewModel.hold(), signal, this, &SimulationControlBar::sync);
    for (auto signal : {&DeviceState::isDeviceBusyChanged, &DeviceState::isCheckingDeviceChanged,
                        &DeviceState::lastDeviceErrorChanged, &DeviceState::lastDeviceCheckChanged,
                        &DeviceState::helperStatusChanged, &DeviceState::deviceActionMessageChanged})
        connect(&m_viewModel.device(), signal, this, &SimulationControlBar::sync);
    for (auto signal :
         {&LocationPlannerViewModel::isPlanningAddressRouteChanged, &LocationPlannerViewModel::unitsChanged})
        connect(&m_viewModel, signal, this, &SimulationControlBar::sync);
    for (auto signal : {&RouteDraft::routeNameChanged, &RouteDraft::pointsChanged, &RouteDraft::routeMetricsChanged,
                        &RouteDraft::speedKmhChanged, &RouteDraft::selectedSpeedProfileChanged,
                        &RouteDraft::selectedTransportModeChanged})
        connect(&m_viewModel.draft(), signal, this, &SimulationControlBar::sync);

    m_clock.setInterval(tick);
    connect(&m_clock, &QTimer::timeout, this, &SimulationControlBar::sync);
    sync();
}

bool SimulationControlBar::isPresent(const LocationPlannerViewModel& viewModel)
{
    return viewModel.isSimulationActive() || viewModel.hold().telegramIncidentActive();
}

bool SimulationControlBar::showsSpinner(const LocationPlannerViewModel& viewModel)
{
    if (viewModel.isLocationLockConfirmed() && !viewModel.isRecoveringLocation())
        return viewModel.device().isDeviceBusy() || viewModel.device().isCheckingDevice();
    return viewModel.isDeviceOperationInProgress();
}

BrandColor SimulationControlBar::indicatorColor(const LocationPlannerViewModel& viewModel)
{
    if (viewModel.hold().telegramIncidentActive() || viewModel.isRecoveringLocation() ||
        viewModel.hold().isLocationResetPending())
        return BrandColor::Attention;
    if (viewModel.hold().isIPhoneRouteRunning() || viewModel.isLocationLockConfirmed())
        return BrandColor::Ready;
    return BrandColor::Idle;
}

QString SimulationControlBar::detailText(const LocationPlannerViewModel& viewModel, const QDateTime& now)
{
    QStringList parts{viewModel.activeTrackerDetail()};
    if (const std::optional<QString> runtime = viewModel.lockRuntimeSummary(now)) {
        parts << *runtime;
        parts << viewModel.trackerLastUpdateSummary(now);
    }
    return parts.join(partSeparator);
}

void SimulationControlBar::setKeyboardAfterLeaving(std::function<QWidget*()> control)
{
    m_keyboardAfterLeaving = std::move(control);
}

QAbstractButton* SimulationControlBar::stopRouteButton() const
{
    return m_stopRoute;
}

void SimulationControlBar::sync()
{
    const bool present = isPresent(m_viewModel);
    const auto workOver = [this] {
        return !m_viewModel.isDeviceOperationInProgress() && !m_viewModel.isPlanningAddressRoute();
    };
    // A bar without a parent would open as a window of its own.
    if (!present || parentWidget())
        m_presence->setPresent(present);
    // On its way out the bar keeps what it last said.
    if (!present) {
        // The keyboard's control went with the bar: it goes into the side panel once
        // the panel has taken in the same change (its controls enabled again).
        QMetaObject::invokeMethod(
            this,
            [this, workOver] {
                if (workOver())
                    m_focusReturn->workEnded();
            },
            Qt::QueuedConnection);
        return;
    }

    const QDateTime now = m_viewModel.clock().wallNow();
    const bool spinning = showsSpinner(m_viewModel);
    m_spinner->setVisible(spinning);
    m_dot->setVisible(!spinning);
    m_dot->setColor(indicatorColor(m_viewModel));
    m_headline->setText(m_viewModel.activeTrackerHeadline());
    const bool routeRunning = m_viewModel.hold().isIPhoneRouteRunning();
    // A long name gives way to what the line is for: the route's progress, or how
    // long the point is held and when it was verified, the only sign that it is checked.
    const std::optional<RoutePoint>& held = m_viewModel.hold().lockedPoint();
    if (routeRunning)
        m_detail->setText(m_viewModel.draft().routeName(), partSeparator + m_viewModel.routeProgressSummary());
    else if (const QString detail = detailText(m_viewModel, now); held && detail.startsWith(held->name))
        m_detail->setText(held->name, detail.mid(held->name.size()));
    else
        m_detail->setText(detail);
    m_status->setAccessibleName(m_headline->text() + QStringLiteral(", ") + m_detail->text());

    const bool resetPending = m_viewModel.hold().isLocationResetPending();
    // Once acknowledged, the incident has nothing left to silence; its recovery goes on.
    m_acknowledge->setVisible(m_viewModel.hold().telegramIncidentActive() &&
                              !m_viewModel.hold().telegramIncidentAcknowledged());
    m_stopRoute->setVisible(routeRunning);
    m_finishReset->setVisible(resetPending);
    m_finishReset->setEnabled(m_viewModel.device().helperStatus().helper.has_value() &&
                              !m_viewModel.isDeviceOperationInProgress());
    m_resetLocation->setVisible(!resetPending && (routeRunning || m_viewModel.hold().lockedPoint().has_value()));
    // Only the reset's own refusals disable it: a background verification of the
    // held point must not, or a restore loop during an incident could not be ended.
    m_resetLocation->setEnabled(!m_viewModel.device().isDeviceBusy() && !m_viewModel.device().isCheckingDevice() &&
                                !m_viewModel.isPlanningAddressRoute());

    m_progress->setVisible(routeRunning);
    m_progress->setProgress(m_viewModel.hold().iPhoneRouteProgress());
    m_progress->setAccessibleDescription(routeRunning ? m_viewModel.routeProgressSummary() : QString());
    if (workOver())
        m_focusReturn->workEnded();
}

QSize SimulationControlBar::sizeHint() const
{
    const int width = maximumWidth();
    return {width, heightForWidth(width)};
}

bool SimulationControlBar::event(QEvent* event)
{
    if (event->type() == QEvent::ParentChange)
        sync();
    return QWidget::event(event);
}

void SimulationControlBar::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_clock.start();
    sync();
}

void SimulationControlBar::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_clock.stop();
}

RouteProgressLine::RouteProgressLine(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(6);
}

void RouteProgressLine::setProgress(double progress)
{
    const double clamped = std::isfinite(progress) ? std::clamp(progress, 0.0, 1.0) : 0.0;
    if (clamped == m_progress)
        return;
    m_progress = clamped;
    update();
}

void RouteProgressLine::paintEvent(QPaintEvent*)
{
    const kit::Brand& brand = kit::Brand::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(0, 1, 0, -1);
    const qreal radius = track.height() / 2;
    kit::fillRoundedRect(painter, track, radius, brand.primaryAt(0.12));
    if (m_progress > 0) {
        QRectF done = track;
        done.setWidth(std::max(track.height(), track.width() * m_progress));
        kit::fillRoundedRect(painter, done, radius, brand.accent);
    }
}

} // namespace ostrevin
