// The settings window's tabs over a view model with a quiet machine behind it.

#include "ScenarioMachine.h"
#include "SnapshotScenario.h"
#include "views/kit/DisclosureGroup.h"
#include "views/settings/SettingsWindow.h"

namespace ostrevin::snapshots {

namespace {

using namespace Qt::StringLiterals;
using Machine = ScenarioMachine;

std::unique_ptr<QWidget> settingsWindow(const SnapshotContext& context, SettingsTab tab,
                                        const std::function<void(Machine&)>& prepare = {},
                                        const QString& launchedWith = u"system"_s)
{
    auto machine = std::make_unique<Machine>(context, true);
    if (prepare)
        prepare(*machine);
    auto window = std::make_unique<SettingsWindow>(
        SettingsWindow::Services{*machine->viewModel, *machine->runtime, *machine->settings, [] {}, {}, launchedWith});
    keepWith(*window, std::move(machine));
    window->setCurrentTab(tab);
    return window;
}

const RegisterScenario general(u"settings"_s, u"general"_s, [](const SnapshotContext& context) {
    return settingsWindow(context, SettingsTab::general);
});

const RegisterScenario restart(u"settings"_s, u"general-restart"_s, [](const SnapshotContext& context) {
    return settingsWindow(context, SettingsTab::general, {}, u"en"_s);
});

const RegisterScenario iPhone(u"settings"_s, u"iphone"_s, [](const SnapshotContext& context) {
    return settingsWindow(context, SettingsTab::iPhone);
});

const RegisterScenario alerts(u"settings"_s, u"alerts"_s, [](const SnapshotContext& context) {
    return settingsWindow(context, SettingsTab::alerts, [](Machine& machine) {
        machine.viewModel->setTelegramAlertsEnabled(true);
        machine.viewModel->setTelegramBotToken(u"123456789:AAH-snapshot-token-never-shown"_s);
        machine.viewModel->setTelegramChatID(u"987654321"_s);
    });
});

const RegisterScenario advanced(u"settings"_s, u"advanced"_s, [](const SnapshotContext& context) {
    return settingsWindow(context, SettingsTab::advanced, [](Machine& machine) {
        LocationPlannerViewModel& vm = *machine.viewModel;
        vm.logEvent(u"iPhone is ready for a location."_s, TrackerLogLevel::info);
        vm.logEvent(u"The location check didn’t get an answer from iPhone in time. Ostrevin keeps trying, and this "
                    "line is long enough to wrap onto a second one."_s,
                    TrackerLogLevel::warning);
        vm.logEvent(u"Couldn’t set the location: Device is not connected"_s, TrackerLogLevel::error);
    });
});

const RegisterScenario details(u"settings"_s, u"advanced-details"_s, [](const SnapshotContext& context) {
    std::unique_ptr<QWidget> window = settingsWindow(context, SettingsTab::advanced);
    window->findChild<kit::DisclosureGroup*>(u"technicalDetails"_s)->setExpanded(true);
    return window;
});

} // namespace

} // namespace ostrevin::snapshots
