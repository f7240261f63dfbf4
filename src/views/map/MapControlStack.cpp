#include "views/map/MapControlStack.h"

#include "routedata/RawEnum.h"
#include "views/kit/Brand.h"
#include "views/kit/IconButton.h"
#include "views/kit/Symbols.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace ostrevin {

namespace {

constexpr QSize controlSize(34, 32);
constexpr int dividerWidth = 22;

} // namespace

MapControlStack::MapControlStack(const MapTileSources& sources, QWidget* parent)
    : kit::GlassPanel(kit::GlassEmphasis::Elevated, 10, parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(1); // the divider's line
    layout->setSizeConstraint(QLayout::SetFixedSize);

    //: Accessibility label and title of the map button that frames the route.
    m_zoomButton = new kit::IconButton(tr("Show route"), "scope"_symbol, kit::BrandColor::Primary, this);
    m_zoomButton->setFixedSize(controlSize);
    //: Tooltip of the map's "Show route" button.
    m_zoomButton->setToolTip(tr("Zoom the map to the current route"));
    connect(m_zoomButton, &QAbstractButton::clicked, this, &MapControlStack::zoomToRouteRequested);
    layout->addWidget(m_zoomButton);

    //: Tooltip, accessibility label and title of the map-style menu.
    const QString styleTitle = tr("Map style");
    m_styleButton = new kit::IconButton(styleTitle, "square.2.layers.3d"_symbol, kit::BrandColor::Primary, this);
    m_styleButton->setFixedSize(controlSize);
    m_styleMenu = new QMenu(styleTitle, m_styleButton);
    m_styleGroup = new QActionGroup(m_styleMenu);
    m_styleGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (const MapStylePreference style : allCases<MapStylePreference>()) {
        QAction* action = m_styleMenu->addAction(sources.pickerTitle(style));
        action->setCheckable(true);
        action->setData(toRaw(style));
        action->setEnabled(sources.isAvailable(style));
        m_styleGroup->addAction(action);
    }
    connect(m_styleGroup, &QActionGroup::triggered, this,
            [this](QAction* action) { emit mapStyleChosen(action->data().toString()); });
    connect(m_styleButton, &QAbstractButton::clicked, this,
            [this] { m_styleMenu->popup(m_styleButton->mapToGlobal(QPoint(0, m_styleButton->height()))); });
    layout->addWidget(m_styleButton);
}

QAbstractButton* MapControlStack::zoomToRouteButton() const
{
    return m_zoomButton;
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

QWidget* MapControlStack::widgetBeneath(const QPointF& position)
{
    QWidget* parent = parentWidget();
    if (!parent)
        return nullptr;
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
    QWidget* beneath = parent->childAt(mapToParent(position).toPoint());
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
    return beneath ? beneath : parent;
}

bool MapControlStack::event(QEvent* event)
{
    // The widget reaches out over the shadow, which is no control: what lands on the
    // shadow goes on to the map beneath, as if the surface ended at its edge.
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const bool starts = event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
        if (starts && !shapeRect().contains(mouse->position()))
            m_passedTo = widgetBeneath(mouse->position());
        if (!m_passedTo)
            break;
        QPointer<QWidget> target = m_passedTo;
        if (event->type() == QEvent::MouseButtonRelease && mouse->buttons() == Qt::NoButton)
            m_passedTo.clear();
        QMouseEvent passed(event->type(), target->mapFromGlobal(mouse->globalPosition()), mouse->scenePosition(),
                           mouse->globalPosition(), mouse->button(), mouse->buttons(), mouse->modifiers(),
                           mouse->pointingDevice());
        QCoreApplication::sendEvent(target, &passed);
        return true;
    }
    case QEvent::Wheel: {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (shapeRect().contains(wheel->position()))
            break;
        if (QWidget* target = widgetBeneath(wheel->position())) {
            QWheelEvent passed(target->mapFromGlobal(wheel->globalPosition()), wheel->globalPosition(),
                               wheel->pixelDelta(), wheel->angleDelta(), wheel->buttons(), wheel->modifiers(),
                               wheel->phase(), wheel->inverted(), wheel->source(), wheel->pointingDevice());
            QCoreApplication::sendEvent(target, &passed);
            return true;
        }
        break;
    }
    default:
        break;
    }
    return kit::GlassPanel::event(event);
}

void MapControlStack::paintEvent(QPaintEvent* event)
{
    kit::GlassPanel::paintEvent(event);
    QPainter painter(this);
    const double y = m_zoomButton->geometry().bottom() + 1;
    const double middle = m_zoomButton->geometry().center().x() + 0.5;
    painter.fillRect(QRectF(middle - dividerWidth / 2.0, y, dividerWidth, 1), kit::Brand::current().primaryAt(0.14));
}

} // namespace ostrevin
