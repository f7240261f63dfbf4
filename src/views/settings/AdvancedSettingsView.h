#pragma once

#include "views/kit/Question.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <functional>

class QPushButton;

namespace ostrevin {

class EventLogList;
class LocationPlannerViewModel;
class RuntimeInstaller;
class SettingsSection;

namespace kit {
class KitLabel;
class TailTextBox;
} // namespace kit

/// The Advanced tab: the device check's technical details, the event log with
/// Copy and Export…, the GPX export of the current route, and the maintenance
/// actions (reinstall the add-on component, reset all app data), each confirmed
/// first and checked again when the confirmation is accepted.
class AdvancedSettingsView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AdvancedSettingsView)

public:
    AdvancedSettingsView(LocationPlannerViewModel& viewModel, RuntimeInstaller& runtime, QWidget* parent = nullptr);
    ~AdvancedSettingsView() override;

    /// The lines of "Technical details" for the current device status.
    static QStringList diagnosticLines(const LocationPlannerViewModel& viewModel);

private:
    void sync();
    void syncLog();
    void syncDiagnostics();
    void syncVersion();
    bool maintenanceAllowed() const;
    void confirmReinstall();
    void confirmReset();
    /// Why Reinstall… or Reset… cannot act now; empty while it can.
    QString reinstallBlocker() const;
    QString resetBlocker() const;
    /// Asks first (window-modal); runs the action when confirmed and nothing
    /// blocks it by then, else says why nothing happened.
    void confirm(kit::Question question, std::function<QString()> blocker, const std::function<void()>& action);

    LocationPlannerViewModel& m_viewModel;
    RuntimeInstaller& m_runtime;
    kit::TailTextBox* m_diagnostics;
    QWidget* m_logActions;
    EventLogList* m_log;
    QPushButton* m_exportRoute;
    kit::KitLabel* m_version = nullptr;
    QPushButton* m_reinstall;
    QPushButton* m_reset;
    SettingsSection* m_maintenance = nullptr;
    QPointer<QMessageBox> m_open;
};

} // namespace ostrevin
