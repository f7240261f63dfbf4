// The settings window's tabs over a view model with a quiet machine behind it.

#include "ScenarioMachine.h"
#include "ScriptedPhone.h"
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

/// 42 lines of a failed tool, as the device check reports them.
QString longError()
{
    QStringList lines;
    for (int i = 1; i < 42; ++i)
        lines << u"  Collecting dependency-%1 from the package index (line %1 of the tool's output)"_s.arg(i);
    lines << u"ERROR: Could not connect to the lockdown service of the iPhone (the last line)"_s;
    return lines.join(u'\n');
}

/// The phone comes first, so it outlives the view model.
struct FailingPhone {
    ScriptedPhone phone;
};

/// A machine whose iPhone check failed with a long tool output.
struct FailedCheck : FailingPhone, Machine {
    explicit FailedCheck(const SnapshotContext& context) : Machine(context, true, &phone)
    {
        phone.answer = phoneStatus(true, true, false);
        phone.answer.installHint = longError();
        viewModel->refreshHelperStatus();
        LocationPlannerViewModel& vm = *viewModel;
        runUntil([&vm] { return vm.device().lastDeviceCheck().has_value() && !vm.device().isCheckingDevice(); });
    }
};

/// A tab on a small screen, with a long device error in the unfolded technical details.
void registerWithLongError(SettingsTab tab, const QSize& screen)
{
    static std::vector<std::unique_ptr<RegisterScenario>> registered;
    registered.push_back(std::make_unique<RegisterScenario>(
        u"settings"_s, toRaw(tab) + u"-long-error-"_s + sizeName(screen), screen,
        [tab](const SnapshotContext& context) -> std::unique_ptr<QWidget> {
            auto machine = std::make_unique<FailedCheck>(context);
            auto window = std::make_unique<SettingsWindow>(SettingsWindow::Services{
                *machine->viewModel, *machine->runtime, *machine->settings, [] {}, {}, u"system"_s});
            keepWith(*window, std::move(machine));
            window->setCurrentTab(tab);
            window->findChild<kit::DisclosureGroup*>(u"technicalDetails"_s)->setExpanded(true);
            return window;
        }));
}

const bool smallScreens = [] {
    for (SettingsTab tab : allCases<SettingsTab>())
        registerWithLongError(tab, ostrevin::snapshots::smallScreens().at(1));
    registerWithLongError(SettingsTab::advanced, ostrevin::snapshots::smallScreens().at(0));
    return true;
}();

} // namespace

} // namespace ostrevin::snapshots
