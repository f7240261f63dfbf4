#include "app/CommandRules.h"

#include "planner/LocationPlannerViewModel.h"

namespace ostrevin {

CommandRules::Facts CommandRules::Facts::of(const LocationPlannerViewModel& viewModel)
{
    Facts facts;
    facts.routeDraftEmpty = viewModel.draft().points().isEmpty();
    facts.canPrepareIPhone = viewModel.canPrepareIPhone();
    facts.canRunDeviceAction = viewModel.canRunDeviceAction();
    facts.isRouteRunning = viewModel.hold().isIPhoneRouteRunning();
    facts.isLocationHeld = viewModel.hold().lockedPoint().has_value();
    facts.isResetPending = viewModel.hold().isLocationResetPending();
    facts.isDeviceBusy = viewModel.device().isDeviceBusy();
    facts.isCheckingDevice = viewModel.device().isCheckingDevice();
    facts.isPlanningRoute = viewModel.isPlanningAddressRoute();
    return facts;
}

} // namespace ostrevin
