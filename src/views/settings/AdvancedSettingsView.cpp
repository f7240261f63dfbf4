#include "views/settings/AdvancedSettingsView.h"

#include "planner/LocationPlannerViewModel.h"
#include "platform/PlatformFactory.h"
#include "runtime/RuntimeInstaller.h"
#include "views/kit/DisclosureGroup.h"
#include "views/kit/KitLabel.h"
#include "views/kit/Question.h"
#include "views/kit/TailTextBox.h"
#include "views/kit/TextStyle.h"
#include "views/settings/EventLogList.h"
#include "views/settings/SettingsObservers.h"
#include "views/settings/SettingsSection.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace ostrevin {

namespace {

constexpr int diagnosticsMaxHeight = 160;

QWidget* column(int spacing, int topPadding)
{
    auto* widget = new QWidget;
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, topPadding, 0, 0);
    layout->setSpacing(spacing);
    return widget;
}

kit::KitLabel* wrappingText(const QString& text, kit::TextStyle style, kit::BrandColor color)
{
    auto* label = new kit::KitLabel(text, style);
    label->setColorRole(color);
    return label;
}

} // namespace

AdvancedSettingsView::AdvancedSettingsView(LocationPlannerViewModel& viewModel, RuntimeInstaller& runtime,
                                           QWidget* parent)
    : QWidget(parent), m_viewModel(viewModel), m_runtime(runtime), m_logActions(new QWidget), m_log(new EventLogList),
      //: Settings › Advanced › Export: button.
      m_exportRoute(new QPushButton(tr("Export GPX…"))),
      //: Settings › Advanced › Maintenance: button that asks before reinstalling the add-on component.
      m_reinstall(new QPushButton(tr("Reinstall…"))),
      //: Settings › Advanced › Maintenance: button that asks before deleting all app data.
      m_reset(new QPushButton(tr("Reset…")))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* form = new SettingsForm(this);
    layout->addWidget(form);

    //: Settings › Advanced: section header.
    SettingsSection* diagnostics = form->addSection(tr("Diagnostics"));
    // Tool output and error texts can be long: their end shows in a bounded box, so
    // the tab keeps its size and "Reset…" stays in reach.
    m_diagnostics = new kit::TailTextBox(diagnosticsMaxHeight);
    m_diagnostics->setObjectName(QStringLiteral("diagnostics"));
    m_diagnostics->setSecondaryColour(true);
    QWidget* details = column(0, 4);
    details->layout()->addWidget(m_diagnostics);
    //: Settings › Advanced › Diagnostics: disclosure group.
    auto* technical = new kit::DisclosureGroup(tr("Technical details"), details);
    technical->setObjectName(QStringLiteral("technicalDetails"));
    diagnostics->addRow(technical);

    QWidget* logColumn = column(8, 0);
    auto* actions = new QHBoxLayout(m_logActions);
    actions->setContentsMargins(0, 0, 0, 0);
    //: Settings › Advanced › Diagnostics: title of the event log.
    actions->addWidget(new kit::KitLabel(tr("Event log"), kit::TextStyle::Body), 1, Qt::AlignVCenter);
    //: Settings › Advanced › Diagnostics: button.
    auto* copy = new QPushButton(tr("Copy"));
    copy->setObjectName(QStringLiteral("copyLog"));
    //: Settings › Advanced › Diagnostics: tooltip of "Copy".
    copy->setToolTip(tr("Copies the event log to the clipboard."));
    //: Settings › Advanced › Diagnostics: button.
    auto* exportLog = new QPushButton(tr("Export…"));
    exportLog->setObjectName(QStringLiteral("exportLog"));
    //: Settings › Advanced › Diagnostics: tooltip of "Export…".
    exportLog->setToolTip(tr("Saves the event log as a text file."));
    actions->addWidget(copy);
    actions->addWidget(exportLog);
    logColumn->layout()->addWidget(m_logActions);
    m_log->setObjectName(QStringLiteral("eventLog"));
    logColumn->layout()->addWidget(m_log);
    diagnostics->addRow(logColumn);
    connect(copy, &QPushButton::clicked, this, [this] {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        clipboard->setText(m_viewModel.eventLogText());
    });
    connect(exportLog, &QPushButton::clicked, this, [this] { m_viewModel.exportEventLog(); });

    //: Settings › Advanced: section header.
    SettingsSection* exports = form->addSection(tr("Export"));
    m_exportRoute->setObjectName(QStringLiteral("exportGPX"));
    // Xcode and Simulator are named only where they can run.
    const bool appleDeveloperTools = PlatformFactory::hasAppleDeveloperTools();
    //: Settings › Advanced › Export: row title.
    exports->addLabeledRow(tr("Current route"), m_exportRoute,
                           appleDeveloperTools
                               //: Settings › Advanced › Export: row description.
                               ? tr("Use the GPX file in Xcode or Simulator. You don’t need it to set the iPhone’s "
                                    "location.")
                               //: Settings › Advanced › Export: row description.
                               : tr("Use the GPX file in apps that play a route from a file. You don’t need it to set "
                                    "the iPhone’s location."));
    connect(m_exportRoute, &QPushButton::clicked, this, [this] { m_viewModel.exportGPX(DialogOwner::settingsWindow); });
    if (appleDeveloperTools) {
        QWidget* steps = column(6, 4);
        for (const QString& step :
             {tr("1. Export the route as a GPX file."), tr("2. Add the file to your Xcode project."),
              tr("3. While debugging, choose Debug > Simulate Location and select the file."),
              tr("4. In a test plan, use Product > Test Plan > Edit Test Plan > Configuration > Localization > "
                 "Simulated Location.")})
            steps->layout()->addWidget(wrappingText(step, kit::TextStyle::Callout, kit::BrandColor::Primary));
        kit::KitLabel* scope = wrappingText(tr("GPX changes the location only in Xcode and Simulator, not the "
                                               "computer’s location."),
                                            kit::TextStyle::Callout, kit::BrandColor::Secondary);
        scope->setContentsMargins(0, 2, 0, 0);
        steps->layout()->addWidget(scope);
        //: Settings › Advanced › Export: disclosure group.
        exports->addRow(new kit::DisclosureGroup(tr("Using in Xcode"), steps));
    }

    //: Settings › Advanced: section header.
    m_maintenance = form->addSection(tr("Maintenance"));
    m_maintenance->footer()->setObjectName(QStringLiteral("maintenanceFooter"));
    m_reinstall->setObjectName(QStringLiteral("reinstall"));
    //: Settings › Advanced › Maintenance: row title.
    QWidget* component = m_maintenance->addLabeledRow(tr("Add-on component"), m_reinstall);
    m_version = component->findChild<kit::KitLabel*>(QStringLiteral("description"));
    m_reset->setObjectName(QStringLiteral("resetAppData"));
    //: Settings › Advanced › Maintenance: row title.
    m_maintenance->addLabeledRow(tr("App data"), m_reset,
                                 //: Settings › Advanced › Maintenance: what a reset deletes.
                                 tr("Saved locations, saved routes, history, and settings."));
    connect(m_reinstall, &QPushButton::clicked, this, &AdvancedSettingsView::confirmReinstall);
    connect(m_reset, &QPushButton::clicked, this, &AdvancedSettingsView::confirmReset);

    connect(&m_viewModel.eventLog(), &EventLog::diagnosticEventsChanged, this, &AdvancedSettingsView::syncLog);
    connect(&m_viewModel.device(), &DeviceState::helperStatusChanged, this, &AdvancedSettingsView::syncDiagnostics);
    connect(&m_viewModel.device(), &DeviceState::lastDeviceErrorChanged, this, &AdvancedSettingsView::syncDiagnostics);
    connect(&m_runtime, &RuntimeInstaller::phaseChanged, this, &AdvancedSettingsView::syncVersion);
    onRuleInputsChanged(m_viewModel, this, [this] { sync(); });
    syncDiagnostics();
    syncVersion();
    syncLog();
    sync();
}

AdvancedSettingsView::~AdvancedSettingsView() = default;

QStringList AdvancedSettingsView::diagnosticLines(const LocationPlannerViewModel& viewModel)
{
    const LocationHelperStatus& status = viewModel.device().helperStatus();
    QStringList lines{status.message};
    if (status.helper) {
        const LocationHelper& helper = *status.helper;
        const QString tool = helper.kind == LocationHelper::Kind::pyMobileDevice ? QStringLiteral("pymobiledevice3")
                                                                                 : QStringLiteral("idevicesetlocation");
        QString device = helper.deviceName.value_or(QString());
        if (device.isEmpty())
            device = helper.deviceIdentifier.value_or(QString());
        if (device.isEmpty())
            device = QStringLiteral("iPhone");
        //: Diagnostics. First %1 is a tool name (pymobiledevice3), second %2 is the iPhone’s name.
        lines.append(tr("Tool: %1 · Device: %2").arg(tool, device));
    }
    if (!status.isAvailable())
        lines.append(status.installHint);
    const QString& error = viewModel.device().lastDeviceError();
    if (!error.isEmpty() && error != status.installHint)
        lines.append(error);
    return lines;
}

void AdvancedSettingsView::syncDiagnostics()
{
    m_diagnostics->setTailText(diagnosticLines(m_viewModel).join(u'\n'));
}

void AdvancedSettingsView::syncVersion()
{
    const RuntimeInstaller::Phase& phase = m_runtime.phase();
    const bool installed = phase.kind == RuntimeInstaller::Phase::Kind::installed;
    //: Settings › Advanced › Maintenance. %1 is the add-on component's version.
    m_version->setText(installed ? tr("Installed version: %1").arg(phase.version) : QString());
    m_version->setVisible(installed);
}

bool AdvancedSettingsView::maintenanceAllowed() const
{
    // The full gate of device work: a reinstall must not pull the tool from under
    // a running verification either.
    return !m_viewModel.isSimulationActive() && m_viewModel.canRunDeviceAction();
}

void AdvancedSettingsView::syncLog()
{
    const QList<TrackerLogEntry>& events = m_viewModel.eventLog().diagnosticEvents();
    m_log->setEntries(events);
    m_logActions->setEnabled(!events.isEmpty());
}

void AdvancedSettingsView::sync()
{
    m_exportRoute->setEnabled(!m_viewModel.draft().points().isEmpty());
    m_reinstall->setEnabled(maintenanceAllowed());
    m_reset->setEnabled(resetBlocker().isEmpty());
    m_maintenance->setFooter(resetBlocker());
}

QString AdvancedSettingsView::reinstallBlocker() const
{
    //: Settings › Advanced › Maintenance: why the two buttons are disabled.
    return maintenanceAllowed() ? QString() : tr("Available when no location is set on iPhone.");
}

QString AdvancedSettingsView::resetBlocker() const
{
    const QString blocker = reinstallBlocker();
    if (!blocker.isEmpty() || m_viewModel.canResetAllAppData())
        return blocker;
    //: Settings › Advanced › Maintenance: why "Reset…" is disabled while Telegram settings are saved, tested or
    //: looked up (a late answer would write them back after the reset).
    return tr("Reset is available once the Telegram settings are no longer being saved or tested.");
}

void AdvancedSettingsView::confirm(kit::Question question, std::function<QString()> blocker,
                                   const std::function<void()>& action)
{
    if (m_open)
        return;
    question.icon = QMessageBox::Warning;
    m_open = kit::openQuestion(this, question, this, [this, blocker = std::move(blocker), action](bool confirmed) {
        if (!confirmed)
            return;
        // The window stays usable while the question is open: a location may have
        // been set meanwhile, and the action would pull the tool or the data from
        // under it. The user learns why nothing happened.
        const QString reason = blocker();
        if (reason.isEmpty()) {
            action();
            return;
        }
        kit::Question refusal;
        refusal.objectName = QStringLiteral("maintenanceRefused");
        refusal.icon = QMessageBox::Information;
        //: Message after a confirmed Reinstall or Reset could not run; the reason follows below it.
        refusal.text = tr("Nothing was changed.");
        refusal.informativeText = reason;
        kit::openQuestion(this, refusal);
    });
}

void AdvancedSettingsView::confirmReinstall()
{
    kit::Question question;
    question.objectName = QStringLiteral("reinstallConfirmation");
    // The question is the box's text: a desktop may draw the box without a title bar.
    //: Confirmation question.
    question.text = tr("Reinstall the add-on component?");
    //: Confirmation message.
    question.informativeText =
        tr("The add-on component is downloaded and installed again. This usually takes 1–3 minutes.");
    //: Confirmation button.
    question.actionTitle = tr("Reinstall");
    // Cancel is the default: one Return must not start a download (offline, it
    // would only fail).
    question.actionRole = QMessageBox::DestructiveRole;
    confirm(
        question, [this] { return reinstallBlocker(); }, [this] { m_runtime.install(); });
}

void AdvancedSettingsView::confirmReset()
{
    kit::Question question;
    question.objectName = QStringLiteral("resetConfirmation");
    //: Confirmation question.
    question.text = tr("Reset all app data?");
    //: Confirmation message.
    question.informativeText = tr("Saved locations, saved routes, history, and all settings will be deleted. The "
                                  "add-on component stays installed.");
    //: Confirmation button that deletes all app data.
    question.actionTitle = tr("Reset app data");
    confirm(
        question, [this] { return resetBlocker(); }, [this] { m_viewModel.resetAllAppData(); });
}

} // namespace ostrevin
