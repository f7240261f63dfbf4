#include "app/CommandRules.h"

#include "planner/LocationPlannerViewModel.h"

namespace ostrevin {

CommandRules::Facts CommandRules::Facts::of(const LocationPlannerViewModel& viewModel)
{
    Facts facts;
    facts.routeDraftEmpty = viewModel.draft().points().isEmpty();
    facts.canPrepareIPhone = viewModel.canPrepareIPhone();
    facts.canRunDeviceAction = viewModel.canRunDeviceAction();
    facts.isRouteRunning = viewModel.isIPhoneRouteRunning();
    facts.isLocationHeld = viewModel.lockedPoint().has_value();
    facts.isResetPending = viewModel.isLocationResetPending();
    facts.isDeviceBusy = viewModel.isDeviceBusy();
    facts.isCheckingDevice = viewModel.isCheckingDevice();
    facts.isPlanningRoute = viewModel.isPlanningAddressRoute();
    return facts;
}

} // namespace ostrevin
