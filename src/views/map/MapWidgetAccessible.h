#pragma once

#include "views/kit/Accessibility.h"

#include <QAccessibleWidget>

namespace ostrevin {

class MapWidget;

/// What a screen reader sees of the map: its widgets (the attribution), then one
/// item per painted mark named by its point, then the beacon as "iPhone location".
class MapWidgetAccessible final : public QAccessibleWidget {
public:
    explicit MapWidgetAccessible(MapWidget* map);

    /// Lets Qt build this for every map; called by each map.
    static void install();

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;

    MapWidget* map() const;

private:
    /// By their place after the widgets.
    mutable kit::AccessibleChildren m_marks;
};

} // namespace ostrevin
