#include "views/settings/SettingsObservers.h"

#include "planner/LocationPlannerViewModel.h"

namespace ostrevin {

void onRuleInputsChanged(LocationPlannerViewModel& viewModel, QObject* context, const std::function<void()>& refresh)
{
    using VM = LocationPlannerViewModel;
    for (void (VM::*signal)() :
         {&VM::helperStatusChanged, &VM::isDeviceBusyChanged, &VM::isCheckingDeviceChanged,
          &VM::isLocationLockRefreshingChanged, &VM::isIPhoneRouteRunningChanged, &VM::isPlanningAddressRouteChanged,
          &VM::isLocationResetPendingChanged, &VM::lockedPointChanged})
        QObject::connect(&viewModel, signal, context, refresh);
    QObject::connect(&viewModel.draft(), &RouteDraft::pointsChanged, context, refresh);
    TelegramSettingsModel* telegram = &viewModel.telegram();
    for (auto signal : {&TelegramSettingsModel::isSavingChanged, &TelegramSettingsModel::isTestingChanged,
                        &TelegramSettingsModel::isLoadingChatChanged})
        QObject::connect(telegram, signal, context, refresh);
}

} // namespace ostrevin
