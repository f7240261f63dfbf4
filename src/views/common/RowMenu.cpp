#include "views/common/RowMenu.h"

#include "planner/LocationPlannerViewModel.h"
#include "views/kit/IconButton.h"

#include <QCoreApplication>
#include <QMenu>

namespace ostrevin::common {

kit::IconButton* menuButton(QMenu* menu)
{
    //: Tooltip and accessibility label of a row's menu button.
    const QString title = QCoreApplication::translate("RowMenu", "More actions");
    auto* button = new kit::IconButton(title, "ellipsis"_symbol, kit::BrandColor::Secondary);
    button->setObjectName(QStringLiteral("moreActions"));
    QObject::connect(button, &QAbstractButton::clicked, menu,
                     [button, menu] { menu->popup(button->mapToGlobal(QPoint(0, button->height()))); });
    return button;
}

void connectGates(LocationPlannerViewModel& viewModel, QObject* context, std::function<void()> sync)
{
    for (auto signal :
         {&DeviceState::isDeviceBusyChanged, &DeviceState::isCheckingDeviceChanged, &DeviceState::helperStatusChanged})
        QObject::connect(&viewModel.device(), signal, context, sync);
    for (auto signal :
         {&LocationHoldState::isIPhoneRouteRunningChanged, &LocationHoldState::isLocationLockRefreshingChanged,
          &LocationHoldState::isLocationResetPendingChanged})
        QObject::connect(&viewModel.hold(), signal, context, sync);
    QObject::connect(&viewModel, &LocationPlannerViewModel::isPlanningAddressRouteChanged, context, sync);
}

void applyGates(QMenu* menu, bool canEdit, bool canChange)
{
    for (QAction* action : menu->actions()) {
        if (action->property(editGateProperty).toBool())
            action->setEnabled(canEdit);
        else if (action->property(changeGateProperty).toBool())
            action->setEnabled(canChange);
    }
}

} // namespace ostrevin::common
