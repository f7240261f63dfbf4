#include "views/map/MapControlStack.h"

#include <QActionGroup>
#include <QFrame>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QVBoxLayout>

#include "routedata/RawEnum.h"

namespace ostrevin {

namespace {

constexpr QSize controlSize(34, 32);
constexpr double cornerRadius = 10;

} // namespace

MapControlStack::MapControlStack(const MapTileSources& sources, QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_zoomButton = new QToolButton(this);
    m_zoomButton->setFixedSize(controlSize);
    m_zoomButton->setAutoRaise(true);
    //: Tooltip of the map's "Show route" button.
    m_zoomButton->setToolTip(tr("Zoom the map to the current route"));
    //: Accessibility label of the map button that frames the route.
    m_zoomButton->setAccessibleName(tr("Show route"));
    m_zoomButton->setText(tr("Show route"));
    m_zoomButton->setToolButtonStyle(Qt::ToolButtonIconOnly);
    connect(m_zoomButton, &QToolButton::clicked, this, &MapControlStack::zoomToRouteRequested);
    layout->addWidget(m_zoomButton, 0, Qt::AlignHCenter);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFixedWidth(22);
    layout->addWidget(divider, 0, Qt::AlignHCenter);

    m_styleButton = new QToolButton(this);
    m_styleButton->setFixedSize(controlSize);
    m_styleButton->setAutoRaise(true);
    m_styleButton->setPopupMode(QToolButton::InstantPopup);
    //: Tooltip and accessibility label of the map-style menu.
    m_styleButton->setToolTip(tr("Map style"));
    m_styleButton->setAccessibleName(tr("Map style"));
    m_styleMenu = new QMenu(m_styleButton);
    m_styleMenu->setTitle(tr("Map style"));
    m_styleGroup = new QActionGroup(m_styleMenu);
    m_styleGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (const MapStylePreference style : allCases<MapStylePreference>()) {
        QAction* action = m_styleMenu->addAction(title(style));
        action->setCheckable(true);
        action->setData(toRaw(style));
        m_styleGroup->addAction(action);
        if (!sources.isAvailable(style)) {
            //: A map style in the style menu that this build has no tiles for. %1 is the style's name.
            action->setText(tr("%1 (not available)").arg(title(style)));
            action->setEnabled(false);
        }
    }
    connect(m_styleGroup, &QActionGroup::triggered, this,
            [this](QAction* action) { emit mapStyleChosen(action->data().toString()); });
    m_styleButton->setMenu(m_styleMenu);
    layout->addWidget(m_styleButton, 0, Qt::AlignHCenter);
    setFixedWidth(controlSize.width());
}

void MapControlStack::setCanZoomToRoute(bool enabled)
{
    m_zoomButton->setEnabled(enabled);
}

void MapControlStack::setMapStyleRaw(const QString& raw)
{
    for (QAction* action : m_styleGroup->actions())
        action->setChecked(action->data().toString() == raw);
}

void MapControlStack::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor surface = palette().color(QPalette::Window);
    surface.setAlphaF(0.86f);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.fillPath(shape, surface);
}

} // namespace ostrevin
