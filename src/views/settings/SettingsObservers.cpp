#include "views/settings/SettingsObservers.h"

#include "planner/LocationPlannerViewModel.h"

namespace ostrevin {

void onRuleInputsChanged(LocationPlannerViewModel& viewModel, QObject* context, const std::function<void()>& refresh)
{
    for (auto signal :
         {&DeviceState::helperStatusChanged, &DeviceState::isDeviceBusyChanged, &DeviceState::isCheckingDeviceChanged})
        QObject::connect(&viewModel.device(), signal, context, refresh);
    for (auto signal :
         {&LocationHoldState::isLocationLockRefreshingChanged, &LocationHoldState::isIPhoneRouteRunningChanged,
          &LocationHoldState::isLocationResetPendingChanged, &LocationHoldState::lockedPointChanged})
        QObject::connect(&viewModel.hold(), signal, context, refresh);
    QObject::connect(&viewModel, &LocationPlannerViewModel::isPlanningAddressRouteChanged, context, refresh);
    QObject::connect(&viewModel.draft(), &RouteDraft::pointsChanged, context, refresh);
    TelegramSettingsModel* telegram = &viewModel.telegram();
    for (auto signal : {&TelegramSettingsModel::isSavingChanged, &TelegramSettingsModel::isTestingChanged,
                        &TelegramSettingsModel::isLoadingChatChanged})
        QObject::connect(telegram, signal, context, refresh);
}

} // namespace ostrevin
