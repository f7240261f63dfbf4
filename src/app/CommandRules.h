#pragma once

namespace ostrevin {

class LocationPlannerViewModel;

/// When the menu items that depend on the application's state are enabled. Kept
/// apart from the menus so the rules read as one table.
struct CommandRules {
    /// What the rules look at, taken from the view model, the runtime installer
    /// and the updater at one moment.
    struct Facts {
        bool routeDraftEmpty = true;
        bool canPrepareIPhone = false;
        bool canRunDeviceAction = true;
        bool isRouteRunning = false;
        bool isLocationHeld = false;
        bool isResetPending = false;
        bool isDeviceBusy = false;
        bool isCheckingDevice = false;
        bool isPlanningRoute = false;
        bool isRuntimeInstalled = false;
        bool canCheckForUpdates = false;

        /// The view model's part; the runtime and updater facts stay false.
        static Facts of(const LocationPlannerViewModel& viewModel);
    };

    static bool exportGPX(const Facts& facts) { return !facts.routeDraftEmpty; }
    static bool checkForUpdates(const Facts& facts) { return facts.canCheckForUpdates; }
    /// No tool may run from a runtime that is missing or being replaced.
    static bool prepareIPhone(const Facts& facts) { return facts.isRuntimeInstalled && facts.canPrepareIPhone; }
    static bool checkAgain(const Facts& facts) { return facts.isRuntimeInstalled && facts.canRunDeviceAction; }
    /// Something to reset, no reset already pending, and none of the operations
    /// that refuse a reset themselves. A verification of the held point does not
    /// count: during an incident the user must be able to end the restore loop.
    static bool resetLocation(const Facts& facts)
    {
        if (!facts.isRouteRunning && !facts.isLocationHeld)
            return false;
        return !facts.isResetPending && !facts.isDeviceBusy && !facts.isCheckingDevice && !facts.isPlanningRoute;
    }
};

} // namespace ostrevin
