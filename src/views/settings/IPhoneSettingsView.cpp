#include "views/settings/IPhoneSettingsView.h"

#include "planner/LocationPlannerViewModel.h"
#include "views/kit/KitLabel.h"
#include "views/settings/SettingsObservers.h"
#include "views/settings/SettingsSection.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

namespace ostrevin {

IPhoneSettingsView::IPhoneSettingsView(LocationPlannerViewModel& viewModel, QWidget* parent)
    : QWidget(parent), m_viewModel(viewModel), m_interval(new QSpinBox),
      m_intervalLabel(new kit::KitLabel(QString(), kit::TextStyle::Body)), m_autoSend(new QCheckBox)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* form = new SettingsForm(this);
    layout->addWidget(form);

    SettingsSection* checks = form->addSection();
    auto* row = new QWidget;
    auto* rowLayout = new QHBoxLayout(row);
    m_intervalLabel->setTabularDigits(true);
    rowLayout->addWidget(m_intervalLabel, 1, Qt::AlignVCenter);
    m_interval->setObjectName(QStringLiteral("intervalStepper"));
    m_interval->setRange(minimumInterval, maximumInterval);
    m_interval->setSingleStep(5);
    // A typed value outside the range becomes the nearest bound when the field is left.
    m_interval->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    m_interval->setKeyboardTracking(false);
    m_interval->setAccessibleName(tr("Verification interval in seconds"));
    rowLayout->addWidget(m_interval);
    //: Settings › iPhone: tooltip of the verification interval.
    row->setToolTip(tr("How often Ostrevin verifies that iPhone is still using the set location."));
    checks->addRow(row);
    //: Settings › iPhone: note under the verification interval.
    checks->setFooter(tr("While a location is set, Ostrevin keeps your computer awake."));
    connect(m_interval, &QSpinBox::valueChanged, this,
            [this](int seconds) { m_viewModel.setLockRefreshIntervalSeconds(seconds); });

    SettingsSection* sending = form->addSection();
    m_autoSend->setObjectName(QStringLiteral("autoSendSwitch"));
    //: Settings › iPhone: switch.
    m_autoSend->setText(tr("Set new points on iPhone right away"));
    //: Settings › iPhone: tooltip of the automatic sending switch.
    m_autoSend->setToolTip(tr("Each new point is immediately set as the iPhone’s location. Available while iPhone "
                              "is ready; turns off when the connection is lost."));
    sending->addRow(m_autoSend);
    connect(m_autoSend, &QCheckBox::toggled, this, [this](bool on) { m_viewModel.setAutoSendOnAdd(on); });

    connect(&m_viewModel.hold(), &LocationHoldState::lockRefreshIntervalSecondsChanged, this,
            &IPhoneSettingsView::sync);
    connect(&m_viewModel, &LocationPlannerViewModel::autoSendOnAddChanged, this, &IPhoneSettingsView::sync);
    onRuleInputsChanged(m_viewModel, this, [this] { sync(); });
    sync();
}

void IPhoneSettingsView::sync()
{
    const double stored = m_viewModel.hold().lockRefreshIntervalSeconds();
    const int seconds = std::isfinite(stored) ? int(std::lround(stored)) : 15;
    {
        const QSignalBlocker blocker(m_interval);
        if (m_interval->value() != seconds)
            m_interval->setValue(seconds);
    }
    //: Settings › iPhone: the verification interval. %n is a whole number of seconds.
    m_intervalLabel->setText(tr("Check location every %n seconds", nullptr, seconds));

    const QSignalBlocker blocker(m_autoSend);
    m_autoSend->setChecked(m_viewModel.autoSendOnAdd());
    // The background verification of the held point runs every few seconds: the
    // switch and the stepper stay usable through it, since disabling the stepper
    // would commit what is half typed in it and drop the keys that follow.
    m_autoSend->setEnabled(m_viewModel.device().helperStatus().isAvailable() && m_viewModel.canEditRouteDraft() &&
                           !m_viewModel.hold().isLocationResetPending());
}

} // namespace ostrevin
