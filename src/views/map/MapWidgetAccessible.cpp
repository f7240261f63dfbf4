#include "views/map/MapWidgetAccessible.h"

#include "views/map/MapWidget.h"

#include <QPointer>

namespace ostrevin {

namespace {

/// One painted mark or the beacon (the place after the last mark). It reads the
/// map each time it is asked, so it never names a mark that moved on; a place
/// beyond what the map shows is no longer valid.
class MapMarkAccessible final : public kit::PaintedPartAccessible {
public:
    MapMarkAccessible(MapWidget* map, int place) : PaintedPartAccessible(map), m_place(place) {}

    bool isValid() const override { return map() && m_place < map()->accessibleMarkCount(); }
    QAccessible::Role role() const override { return QAccessible::Graphic; }

    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Name && isValid() ? map()->accessibleMarkName(m_place) : QString();
    }

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect area = map()->accessibleMarkRect(m_place).toAlignedRect();
        return {map()->mapToGlobal(area.topLeft()), area.size()};
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.invalid = !isValid();
        state.invisible = !map() || !map()->isVisible() || (isValid() && !map()->rect().intersects(rect()));
        return state;
    }

private:
    MapWidget* map() const { return static_cast<MapWidget*>(owner()); }

    int m_place;
};

} // namespace

MapWidgetAccessible::MapWidgetAccessible(MapWidget* map) : QAccessibleWidget(map)
{
}

void MapWidgetAccessible::install()
{
    kit::installAccessibleFactory<MapWidget, MapWidgetAccessible>();
}

MapWidget* MapWidgetAccessible::map() const
{
    return static_cast<MapWidget*>(widget());
}

int MapWidgetAccessible::childCount() const
{
    return QAccessibleWidget::childCount() + map()->accessibleMarkCount();
}

QAccessibleInterface* MapWidgetAccessible::child(int index) const
{
    const int widgets = QAccessibleWidget::childCount();
    if (index < widgets)
        return QAccessibleWidget::child(index);
    const int place = index - widgets;
    if (place >= map()->accessibleMarkCount())
        return nullptr;
    return m_marks.at(place, [this](int made) { return new MapMarkAccessible(map(), made); });
}

int MapWidgetAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    if (const int place = m_marks.indexOf(child); place >= 0)
        return place < map()->accessibleMarkCount() ? QAccessibleWidget::childCount() + place : -1;
    return QAccessibleWidget::indexOfChild(child);
}

QAccessibleInterface* MapWidgetAccessible::childAt(int x, int y) const
{
    if (QAccessibleInterface* widget = QAccessibleWidget::childAt(x, y))
        return widget;
    const QPointF at = map()->mapFromGlobal(QPoint(x, y));
    // The last drawn lies on top.
    for (int place = map()->accessibleMarkCount() - 1; place >= 0; --place) {
        if (map()->accessibleMarkRect(place).contains(at))
            return child(QAccessibleWidget::childCount() + place);
    }
    return nullptr;
}

} // namespace ostrevin
