#pragma once

#include "planner/PlannerFixture.h"

#include <QPointer>
#include <QWidget>

namespace ostrevin::test {

/// Deletes a window's widgets before the view model they read goes. Guarded:
/// a panel takes its own dialogs with it.
inline void deleteChildren(QWidget& window)
{
    QList<QPointer<QWidget>> children;
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        children << child;
    for (const QPointer<QWidget>& child : children)
        delete child.data();
}

/// A planner fixture whose views sit in one window, deleted before the view model.
class WindowedPlannerFixture : public PlannerFixture {
protected:
    void TearDown() override
    {
        deleteChildren(window);
        PlannerFixture::TearDown();
    }

    QWidget window;
};

} // namespace ostrevin::test
