#include "views/library/LibraryWidgets.h"

#include "planner/LocationPlannerViewModel.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QVBoxLayout>

namespace ostrevin::library {

QVBoxLayout* columnLayout(QWidget* container)
{
    auto* layout = new QVBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return layout;
}

void clearLayout(QVBoxLayout* layout)
{
    while (QLayoutItem* item = layout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
}

QWidget* trailingBox(std::initializer_list<QWidget*> buttons)
{
    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    for (QWidget* button : buttons)
        row->addWidget(button);
    return box;
}

void connectGates(LocationPlannerViewModel& viewModel, QObject* context, std::function<void()> sync)
{
    using VM = LocationPlannerViewModel;
    for (auto signal : {&VM::isIPhoneRouteRunningChanged, &VM::isPlanningAddressRouteChanged, &VM::isDeviceBusyChanged,
                        &VM::isCheckingDeviceChanged, &VM::isLocationLockRefreshingChanged, &VM::helperStatusChanged,
                        &VM::isLocationResetPendingChanged})
        QObject::connect(&viewModel, signal, context, sync);
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

} // namespace ostrevin::library
