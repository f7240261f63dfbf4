#include "views/map/RouteMapView.h"

#include "planner/LocationPlannerViewModel.h"
#include "planner/MainWindowState.h"
#include "platform/SettingsStore.h"
#include "routedata/AppSettings.h"
#include "routedata/RouteMapPresentation.h"
#include "views/common/MapMark.h"
#include "views/map/MapControlStack.h"
#include "views/map/MapInstructionBanner.h"
#include "views/map/MapWidget.h"

#include <QStandardPaths>

namespace ostrevin {

namespace {

/// Space between the overlays and the map's edges.
constexpr int overlayPadding = 16;

} // namespace

RouteMapView::RouteMapView(LocationPlannerViewModel& viewModel, QWidget* parent)
    : RouteMapView(viewModel, Options{}, parent)
{
}

RouteMapView::RouteMapView(LocationPlannerViewModel& viewModel, const Options& options, QWidget* parent)
    : RouteMapView(viewModel.mapPresentation(), viewModel.windowState(), options, parent)
{
    connect(this, &RouteMapView::placeClicked, &viewModel, &LocationPlannerViewModel::selectPlaceAt);
    connect(this, &RouteMapView::routeClicked, &viewModel, &LocationPlannerViewModel::handleRouteMapClick);
    connect(this, &RouteMapView::zoomToRouteRequested, &viewModel, &LocationPlannerViewModel::focusRoute);
}

RouteMapView::RouteMapView(RouteMapPresentation& presentation, MainWindowState& windowState, const Options& options,
                           QWidget* parent)
    : QWidget(parent), m_presentation(presentation), m_windowState(windowState),
      m_settings(options.settings ? *options.settings : AppSettings::standardStore()),
      m_tileSources(options.tileSources), m_map(new MapWidget(options.tileCacheFolder, this)),
      m_banner(new MapInstructionBanner(this)), m_controls(new MapControlStack(m_tileSources, this))
{
    //: Accessibility label of the map.
    m_map->setAccessibleName(tr("Route map"));
    m_banner->raise();
    m_controls->raise();

    connect(m_map, &MapWidget::clicked, this,
            [this](const RouteMapPresentation::Coordinate& c) { handleClick(c.latitude, c.longitude); });
    connect(m_map, &MapWidget::cameraMovedByUser, this, &RouteMapView::writeCameraToPresentation);
    connect(&m_presentation, &RouteMapPresentation::cameraPositionChanged, this,
            &RouteMapView::applyCameraFromPresentation);
    connect(&m_presentation, &RouteMapPresentation::changed, this, &RouteMapView::showPresentation);
    connect(&m_windowState, &MainWindowState::sectionChanged, this, &RouteMapView::showBannerAndHint);
    connect(&m_settings, &SettingsStore::valueChanged, this, [this](const QString& key) {
        if (key == AppSettings::name(AppSettings::Key::mapStyle))
            applyMapStyle();
    });
    connect(m_controls, &MapControlStack::zoomToRouteRequested, this, &RouteMapView::zoomToRouteRequested);
    connect(m_controls, &MapControlStack::mapStyleChosen, this, [this](const QString& raw) {
        if (const std::optional<MapStylePreference> style = fromRaw<MapStylePreference>(raw))
            AppSettings::setMapStyle(*style, m_settings);
    });

    applyMapStyle();
    applyCameraFromPresentation();
    showPresentation();
}

RouteMapView::~RouteMapView() = default;

std::optional<QString> RouteMapView::bannerText(bool canEdit, bool showsLockedReason, AppSection section,
                                                bool draftHasPoints, const QString& instruction)
{
    if (!canEdit)
        return showsLockedReason ? std::optional<QString>(instruction) : std::nullopt;
    switch (section) {
    case AppSection::place:
        if (draftHasPoints)
            return std::nullopt;
        //: Status message and status card detail when there are no points.
        return tr("Choose a place on the map.");
    case AppSection::route:
        return instruction;
    case AppSection::saved:
    case AppSection::history:
        break;
    }
    return std::nullopt;
}

QString RouteMapView::accessibilityHint(bool canEdit, AppSection section)
{
    if (!canEdit) {
        //: Accessibility hint of the map while editing is locked.
        return tr("The route can’t be edited right now.");
    }
    switch (section) {
    case AppSection::place:
        //: Accessibility hint of the map in the Place section.
        return tr("Click to choose a place.");
    case AppSection::route:
        //: Accessibility hint of the map in the Route section.
        return tr("Click to choose the route’s start and destination.");
    case AppSection::saved:
    case AppSection::history:
        break;
    }
    return {};
}

QString RouteMapView::defaultTileCacheFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/Ostrevin/tiles");
}

void RouteMapView::handleClick(double latitude, double longitude)
{
    if (!m_presentation.canEdit())
        return;
    switch (m_windowState.section()) {
    case AppSection::place:
        emit placeClicked(latitude, longitude);
        break;
    case AppSection::route:
        emit routeClicked(latitude, longitude);
        break;
    case AppSection::saved:
    case AppSection::history:
        break;
    }
}

void RouteMapView::showPresentation()
{
    m_map->setRouteCoordinates(m_presentation.routeCoordinates());
    const QList<MapMark> marks =
        MapMark::forDraft(m_presentation.points(), m_presentation.livePoint(), m_presentation.heldPoint());
    m_map->setMarks(marks);
    const std::optional<RoutePoint> beacon =
        MapMark::beacon(marks, m_presentation.livePoint(), m_presentation.heldPoint());
    m_map->setBeacon(beacon ? std::optional<RouteMapPresentation::Coordinate>({beacon->latitude, beacon->longitude})
                            : std::nullopt);
    // The held point alone is worth finding, e.g. after a relaunch with an empty draft.
    m_controls->setCanZoomToRoute(!m_presentation.points().isEmpty() || m_presentation.heldPoint().has_value());
    showBannerAndHint();
}

void RouteMapView::showBannerAndHint()
{
    const std::optional<QString> text =
        bannerText(m_presentation.canEdit(), m_presentation.showsLockedReason(), m_windowState.section(),
                   !m_presentation.points().isEmpty(), m_presentation.instruction());
    if (text && !text->isEmpty()) {
        m_banner->setText(*text);
        m_banner->show();
    } else {
        m_banner->hide();
    }
    m_map->setAccessibleDescription(accessibilityHint(m_presentation.canEdit(), m_windowState.section()));
    placeOverlays();
}

void RouteMapView::applyCameraFromPresentation()
{
    if (m_writingCamera)
        return;
    m_map->showRegion(m_presentation.cameraPosition());
}

void RouteMapView::writeCameraToPresentation()
{
    m_writingCamera = true;
    m_presentation.setCameraPosition(m_map->visibleRegion());
    m_writingCamera = false;
}

void RouteMapView::applyMapStyle()
{
    const QVariant stored = m_settings.value(AppSettings::name(AppSettings::Key::mapStyle));
    // Absent means standard; an unknown value shows standard but stays stored.
    const QString raw = stored.isValid() ? stored.toString() : toRaw(MapStylePreference::standard);
    const MapStylePreference style = fromRaw<MapStylePreference>(raw).value_or(MapStylePreference::standard);
    m_map->setTileSource(m_tileSources.source(style));
    m_controls->setMapStyleRaw(raw);
}

void RouteMapView::placeOverlays()
{
    m_map->setGeometry(rect());
    // The surfaces keep their distance from the edges; their shadows may reach closer.
    const QPoint bannerOffset = m_banner->shapeOffset();
    const int bannerWidth = std::min(m_banner->sizeHint().width(), std::max(0, width() - 2 * overlayPadding));
    m_banner->setGeometry(overlayPadding - bannerOffset.x(), overlayPadding - bannerOffset.y(), bannerWidth,
                          m_banner->heightForWidth(bannerWidth));
    const QSize controls = m_controls->sizeHint();
    const QMargins room = m_controls->contentsMargins();
    m_controls->setGeometry(width() - overlayPadding - controls.width() + room.right(), overlayPadding - room.top(),
                            controls.width(), controls.height());
}

void RouteMapView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeOverlays();
}

} // namespace ostrevin
