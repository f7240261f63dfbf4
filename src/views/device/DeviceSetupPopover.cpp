#include "views/device/DeviceSetupPopover.h"

#include "planner/LocationPlannerViewModel.h"
#include "planner/MainWindowState.h"
#include "views/device/DeviceStatusPill.h"
#include "views/kit/ActionButton.h"
#include "views/kit/Brand.h"
#include "views/kit/DisclosureGroup.h"
#include "views/kit/GlassSurface.h"
#include "views/kit/IconWell.h"
#include "views/kit/KeyboardNavigation.h"
#include "views/kit/KitLabel.h"
#include "views/kit/StatusDot.h"
#include "views/kit/SymbolMark.h"
#include "views/kit/TailTextBox.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace ostrevin {

using kit::BrandColor;

namespace {

constexpr int popoverWidth = 340;
constexpr int detailsWidth = popoverWidth - 32;
constexpr int detailsMaxHeight = 140;
constexpr qreal cornerRadius = 12;

/// The step's number in a circle, or nothing once it is done (the tick shows then).
class StepNumber final : public QWidget {
public:
    explicit StepNumber(int number) : m_number(number) { setFixedSize(20, 20); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const kit::Brand& brand = kit::Brand::current();
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF circle = QRectF(rect()).adjusted(2, 2, -2, -2);
        painter.setPen(QPen(brand.attention, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(circle);
        QFont font = kit::textFont(kit::TextStyle::Footnote, QFont::DemiBold);
        painter.setFont(font);
        painter.setPen(brand.attention);
        painter.drawText(circle, Qt::AlignCenter, QString::number(m_number));
    }

private:
    int m_number;
};

} // namespace

DeviceSetupPopover::DeviceSetupPopover(LocationPlannerViewModel& viewModel, MainWindowState& windowState,
                                       QWidget* anchor)
    : QWidget(anchor, Qt::Popup), m_viewModel(viewModel), m_windowState(&windowState),
      m_translucent(kit::desktopCompositesWindows())
{
    setObjectName(QStringLiteral("DeviceSetupPopover"));
    // The click on the pill that closes the popover must not open it again.
    setAttribute(Qt::WA_NoMouseReplay);
    kit::pressFocusedButtonOnReturn(*this);
    // Without a compositing manager the see-through shadow margin would be black:
    // the window is cut to its rounded surface instead (resizeEvent).
    setAttribute(Qt::WA_TranslucentBackground, m_translucent);
    const QMarginsF shadow = kit::glassShadowMargins(kit::GlassEmphasis::Standard);
    setFixedWidth(popoverWidth + int(shadow.left() + shadow.right()));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(int(shadow.left()) + 16, int(shadow.top()) + 16, int(shadow.right()) + 16,
                               int(shadow.bottom()) + 16);
    column->setSpacing(16);
    column->setSizeConstraint(QLayout::SetFixedSize);

    // Header: the iPhone and its state, read as one element.
    auto* header = new QWidget;
    auto* headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(0, 0, 0, 0);
    headerRow->setSpacing(12);
    m_well = new kit::IconWell("iphone.slash"_symbol, 40);
    headerRow->addWidget(m_well, 0, Qt::AlignVCenter);
    auto* headerTexts = new QVBoxLayout;
    headerTexts->setSpacing(2);
    m_name = new kit::KitLabel({}, kit::TextStyle::Headline);
    m_name->setMaximumLines(2);
    m_name->setFixedWidth(popoverWidth - 32 - 40 - 12);
    headerTexts->addWidget(m_name);
    auto* stateRow = new QHBoxLayout;
    stateRow->setSpacing(6);
    m_dot = new kit::StatusDot(BrandColor::Idle, 8);
    m_state = new kit::KitLabel({}, kit::TextStyle::Callout);
    m_state->setColorRole(BrandColor::Secondary);
    stateRow->addWidget(m_dot, 0, Qt::AlignVCenter);
    stateRow->addWidget(m_state, 1, Qt::AlignVCenter);
    headerTexts->addLayout(stateRow);
    headerRow->addLayout(headerTexts, 1);
    column->addWidget(header);

    // The checklist.
    auto* checklist = new QVBoxLayout;
    checklist->setSpacing(10);
    for (int number = 1; number <= 3; ++number) {
        StepRow step;
        step.row = new QWidget;
        step.row->setObjectName(QStringLiteral("step%1").arg(number));
        auto* row = new QHBoxLayout(step.row);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(10);
        step.mark = new kit::SymbolMark("checkmark.circle.fill"_symbol, BrandColor::Ready, 18, 20);
        step.number = new StepNumber(number);
        step.title = new kit::KitLabel({}, kit::TextStyle::Body);
        step.title->setFixedWidth(popoverWidth - 32 - 20 - 10);
        row->addWidget(step.mark, 0, Qt::AlignTop);
        row->addWidget(step.number, 0, Qt::AlignTop);
        row->addWidget(step.title, 1);
        checklist->addWidget(step.row);
        m_steps.append(step);
    }
    column->addLayout(checklist);

    m_hint = new kit::KitLabel({}, kit::TextStyle::Callout);
    m_hint->setObjectName(QStringLiteral("setupHint"));
    m_hint->setColorRole(BrandColor::Secondary);
    m_hint->setFixedWidth(popoverWidth - 32);
    column->addWidget(m_hint);

    auto* actions = new QVBoxLayout;
    actions->setSpacing(8);
    //: Button: prepares the connected iPhone for a simulated location.
    m_prepare = new kit::ActionButton(tr("Prepare iPhone"), kit::ActionButton::Kind::Primary);
    m_prepare->setObjectName(QStringLiteral("prepareIPhone"));
    //: Button of the device setup popover.
    m_checkAgain = new kit::ActionButton(tr("Check again"), kit::ActionButton::Kind::Secondary);
    m_checkAgain->setObjectName(QStringLiteral("checkAgain"));
    //: Tooltip of the Check again button.
    m_checkAgain->setToolTip(tr("Checks the iPhone’s connection and readiness again."));
    for (kit::ActionButton* button : {m_prepare, m_checkAgain}) {
        button->setFixedWidth(popoverWidth - 32);
        actions->addWidget(button);
    }
    column->addLayout(actions);

    // Why Prepare iPhone failed, in words: the details below are for the curious.
    m_reason = new kit::KitLabel({}, kit::TextStyle::Callout);
    m_reason->setObjectName(QStringLiteral("failureReason"));
    m_reason->setFixedWidth(popoverWidth - 32);
    column->addWidget(m_reason);

    m_detailsText = new kit::TailTextBox(detailsMaxHeight);
    m_detailsText->setObjectName(QStringLiteral("detailsText"));
    m_detailsText->setFixedWidth(detailsWidth);
    // Secondary, like the hint above it.
    m_detailsText->setSecondaryColour(true);
    //: Disclosure title in the device setup popover: technical details.
    m_detailsGroup = new kit::DisclosureGroup(tr("Details"), m_detailsText);
    m_detailsGroup->setObjectName(QStringLiteral("details"));
    column->addWidget(m_detailsGroup);

    connect(m_prepare, &QPushButton::clicked, &m_viewModel, &LocationPlannerViewModel::prepareIPhoneForLocation);
    connect(m_checkAgain, &QPushButton::clicked, &m_viewModel,
            [this] { m_viewModel.refreshHelperStatus({.showProgress = true, .verifyLocationReadiness = true}); });
    // Unfolding changes the popover's height.
    connect(m_detailsGroup, &kit::DisclosureGroup::expandedChanged, this, [this] { adjustSize(); });

    for (auto signal : {&DeviceState::helperStatusChanged, &DeviceState::lastDeviceCheckChanged,
                        &DeviceState::isCheckingDeviceChanged, &DeviceState::isDeviceBusyChanged,
                        &DeviceState::lastDeviceErrorChanged})
        connect(&m_viewModel.device(), signal, this, &DeviceSetupPopover::sync);
    for (auto signal : {&LocationHoldState::lockedPointChanged, &LocationHoldState::isIPhoneRouteRunningChanged,
                        &LocationHoldState::isLocationResetPendingChanged,
                        &LocationHoldState::isLocationLockRefreshingChanged, &LocationHoldState::recoveryWaitChanged})
        connect(&m_viewModel.hold(), signal, this, &DeviceSetupPopover::sync);
    connect(&m_viewModel, &LocationPlannerViewModel::isPlanningAddressRouteChanged, this, &DeviceSetupPopover::sync);
    sync();
}

std::optional<QString> DeviceSetupPopover::setupHint(const LocationPlannerViewModel& viewModel)
{
    const LocationHelperStatus& status = viewModel.device().helperStatus();
    if (status.isAvailable())
        return std::nullopt;
    if (!status.helper) {
        //: Setup hint in the device popover when the add-on component is missing.
        return tr("The add-on component handles communication with iPhone and is installed only once.");
    }
    if (status.isDeviceConnected) {
        //: Setup hint in the device popover for a connected iPhone that is not ready.
        return tr("Developer Mode must be turned on in Settings › Privacy & Security on iPhone. On iOS 17.0–17.3.1, "
                  "preparing may require your computer’s administrator password.");
    }
    //: Setup hint in the device popover while no iPhone is connected.
    return tr("If iPhone asks whether to Trust This Computer, confirm it.");
}

std::optional<QString> DeviceSetupPopover::details(const LocationPlannerViewModel& viewModel)
{
    if (!viewModel.device().lastDeviceError().isEmpty())
        return viewModel.device().lastDeviceError();
    // An empty hint would unfold to an empty box.
    if (!viewModel.device().helperStatus().isAvailable() && viewModel.device().lastDeviceCheck() &&
        !viewModel.device().helperStatus().installHint.isEmpty())
        return viewModel.device().helperStatus().installHint;
    return std::nullopt;
}

bool DeviceSetupPopover::showsPrepare(const LocationPlannerViewModel& viewModel)
{
    const LocationHelperStatus& status = viewModel.device().helperStatus();
    return status.helper.has_value() && status.isDeviceConnected && !status.isLocationReady;
}

void DeviceSetupPopover::sync()
{
    const LocationHelperStatus& status = m_viewModel.device().helperStatus();
    const DeviceIndicatorState state = m_viewModel.deviceIndicatorState();
    m_well->setSymbol(status.isDeviceConnected ? "iphone"_symbol : "iphone.slash"_symbol);
    m_name->setText(m_viewModel.deviceDisplayName());
    m_dot->setColor(deviceIndicatorColor(state, m_viewModel.isSimulationActive()));
    m_state->setText(title(state));
    // The header reads as one element.
    m_well->parentWidget()->setAccessibleName(m_name->text() + QStringLiteral(", ") + m_state->text());

    const QList<DeviceSetupStep> steps = m_viewModel.deviceSetupSteps();
    for (qsizetype i = 0; i < m_steps.size() && i < steps.size(); ++i) {
        const StepRow& row = m_steps[i];
        const DeviceSetupStep& step = steps[i];
        row.mark->setVisible(step.isDone);
        row.number->setVisible(!step.isDone);
        row.title->setText(step.title);
        row.title->setColorRole(step.isDone ? BrandColor::Secondary : BrandColor::Primary);
        row.row->setAccessibleName(step.title);
        //: Accessibility value of a setup checklist step.
        row.row->setAccessibleDescription(step.isDone ? tr("Done") : tr("Not yet"));
    }

    const std::optional<QString> hint = setupHint(m_viewModel);
    m_hint->setVisible(hint.has_value());
    m_hint->setText(hint.value_or(QString()));

    m_prepare->setVisible(showsPrepare(m_viewModel));
    m_prepare->setEnabled(m_viewModel.canPrepareIPhone());
    // The gate of Device ▸ Check Again: a check is refused while the held point is
    // verified, and a click on an enabled button must not vanish.
    m_checkAgain->setEnabled(m_viewModel.canRunDeviceAction());

    const std::optional<QString> details = DeviceSetupPopover::details(m_viewModel);
    const QString reason = details ? status.failureReason : QString();
    m_reason->setVisible(!reason.isEmpty());
    m_reason->setText(reason);
    m_detailsGroup->setVisible(details.has_value());
    m_detailsText->setTailText(details.value_or(QString()), reason);
    // As tall as the text needs: a one-line hint leaves no empty box under it.
    m_detailsText->setFixedHeight(m_detailsText->heightForWidth(detailsWidth));
    adjustSize();
}

void DeviceSetupPopover::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (m_windowState)
        m_windowState->setDevicePopoverPresented(false);
}

QRectF DeviceSetupPopover::surfaceRect() const
{
    return QRectF(rect()).marginsRemoved(kit::glassShadowMargins(kit::GlassEmphasis::Standard));
}

void DeviceSetupPopover::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    kit::paintGlassSurface(painter, surfaceRect(), kit::GlassEmphasis::Standard, cornerRadius);
}

void DeviceSetupPopover::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (!m_translucent)
        setMask(kit::roundedWindowMask(surfaceRect(), cornerRadius));
}

void DeviceSetupPopover::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Opened with the mouse, nothing in it would have the focus and Return would press
    // nothing until a Tab: its first button takes the focus, as a dialog's does.
    if (const QList<QWidget*> stops = kit::tabStops(*this); !stops.isEmpty())
        stops.first()->setFocus(Qt::PopupFocusReason);
}

} // namespace ostrevin
