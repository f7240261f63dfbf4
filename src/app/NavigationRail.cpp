#include "app/NavigationRail.h"

#include "app/RailItem.h"
#include "planner/MainWindowState.h"
#include "views/kit/Brand.h"

#include <QPainter>
#include <QVBoxLayout>

namespace ostrevin {

NavigationRail::NavigationRail(MainWindowState& windowState, QWidget* parent)
    : QWidget(parent), m_windowState(windowState)
{
    setObjectName(QStringLiteral("navigationRail"));
    setFixedWidth(railWidth);
    //: Accessibility label of the navigation rail.
    setAccessibleName(tr("Sections"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 12, 8, 12);
    layout->setSpacing(4);
    for (const auto& [section, raw] : RawEnumTraits<AppSection>::cases) {
        auto* item = new RailItem(section, this);
        item->setObjectName(QStringLiteral("railItem-") + raw.toString());
        connect(item, &RailItem::clicked, this, [this, s = section] { activate(m_windowState, s); });
        layout->addWidget(item);
        m_items.append(item);
    }
    layout->addStretch(1);
    connect(&m_windowState, &MainWindowState::sectionChanged, this, &NavigationRail::sync);
    connect(&m_windowState, &MainWindowState::sidePanelVisibleChanged, this, &NavigationRail::sync);
    sync();
}

RailItem* NavigationRail::item(AppSection section) const
{
    for (RailItem* item : m_items) {
        if (item->section() == section)
            return item;
    }
    return nullptr;
}

void NavigationRail::activate(MainWindowState& windowState, AppSection section)
{
    if (windowState.section() == section) {
        windowState.setSidePanelVisible(!windowState.isSidePanelVisible());
        return;
    }
    windowState.setSection(section);
    windowState.setSidePanelVisible(true);
}

void NavigationRail::sync()
{
    for (RailItem* item : m_items)
        item->setSelected(m_windowState.isSidePanelVisible() && item->section() == m_windowState.section());
}

void NavigationRail::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const kit::Brand& brand = kit::Brand::current();
    painter.fillRect(rect(), brand.window);
    painter.fillRect(rect(), brand.primaryAt(0.035));
}

} // namespace ostrevin
