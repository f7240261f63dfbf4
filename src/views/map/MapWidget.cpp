#include "views/map/MapWidget.h"

#include "views/kit/Brand.h"
#include "views/kit/TextStyle.h"
#include "views/map/MapPlaceholder.h"
#include "views/map/MapWidgetAccessible.h"
#include "views/map/TileLoader.h"
#include "views/map/WebMercator.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace ostrevin {

namespace {

/// Zoom levels per wheel notch.
constexpr double zoomPerNotch = 0.5;
/// A wheel gesture counts as finished after this pause.
constexpr int wheelSettleMs = 250;
/// At most 30 beacon frames a second.
constexpr int pulseFrameMs = 33;
/// One swell (or one shrink) of the beacon's halo.
constexpr double pulseHalfPeriodMs = 1600;
/// Missing tiles borrow a scaled part of an ancestor up to this many levels up.
constexpr int maxAncestorLevels = 8;
constexpr int maxTileZoom = 19;
constexpr double casingWidth = 8;
constexpr double lineWidth = 5;

/// A stroke with round caps and joins, drawn as flat-capped segments plus a disc at
/// each end and at each bend: the same shape, at a fraction of the cost of Qt's
/// stroker for wide pens.
void paintRouteStroke(QPainter& painter, const QList<QPolygonF>& runs, const QColor& color, double width)
{
    QList<QLineF> segments;
    QList<QPointF> discs;
    for (const QPolygonF& run : runs) {
        discs.append(run.first());
        for (qsizetype i = 0; i + 1 < run.size(); ++i) {
            segments.append(QLineF(run[i], run[i + 1]));
            if (i + 2 < run.size()) {
                // Along a gentle bend the segments' flat ends leave less than a
                // fifth of a pixel uncovered: no disc needed there.
                const QPointF a = run[i + 1] - run[i];
                const QPointF b = run[i + 2] - run[i + 1];
                const double cross = std::abs(a.x() * b.y() - a.y() * b.x());
                const double lengths = std::hypot(a.x(), a.y()) * std::hypot(b.x(), b.y());
                if (QPointF::dotProduct(a, b) <= 0 || cross > lengths * 0.4 / width)
                    discs.append(run[i + 1]);
            }
        }
        discs.append(run.last());
    }
    painter.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap));
    painter.drawLines(segments);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    for (const QPointF& disc : std::as_const(discs))
        painter.drawEllipse(disc, width / 2, width / 2);
    painter.setBrush(Qt::NoBrush);
}

int wrappedTileX(int x, int zoom)
{
    const int count = 1 << zoom;
    return ((x % count) + count) % count;
}

} // namespace

MapWidget::MapWidget(const QString& tileCacheFolder, QWidget* parent)
    : QWidget(parent), m_tiles(new TileLoader(tileCacheFolder, this)), m_attribution(new QLabel(this))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    setFocusPolicy(Qt::ClickFocus);
    m_attribution->setTextFormat(Qt::RichText);
    m_attribution->setOpenExternalLinks(true);
    m_attribution->setContentsMargins(6, 2, 6, 2);
    m_attribution->setAutoFillBackground(true);
    m_wheelSettle.setSingleShot(true);
    m_wheelSettle.setInterval(wheelSettleMs);
    connect(&m_wheelSettle, &QTimer::timeout, this, &MapWidget::cameraMovedByUser);
    m_pulseTimer.setInterval(pulseFrameMs);
    connect(&m_pulseTimer, &QTimer::timeout, this, [this] { update(beaconRect().toAlignedRect()); });
    connect(m_tiles, &TileLoader::tileLoaded, this, [this](const TileKey&) { update(); });
    connect(m_tiles, &TileLoader::offlineChanged, this, [this] { update(); });
    m_pulseClock.start();
    followBrand();
    MapWidgetAccessible::install();
}

MapWidget::~MapWidget() = default;

void MapWidget::setTileSource(const MapTileSource& source)
{
    m_tiles->setSource(source);
    // Its square takes a good part of a frame to draw: without tiles the first
    // frame would wait for it.
    if (!source.hasTiles() && m_placeholder.isNull() && !m_placeholderDrawing.valid()) {
        m_placeholderDrawingDark = m_dark;
        m_placeholderDrawing = std::async(std::launch::async, &MapPlaceholder::render, m_dark, devicePixelRatioF());
    }
    // Rich text lays out a whole document: a map without tiles shows no
    // attribution, and makes none.
    const bool attributed = source.hasTiles() && !source.attribution.isEmpty();
    if (attributed && m_attribution->text() != source.attribution)
        m_attribution->setText(source.attribution);
    m_attribution->setVisible(attributed);
    layoutAttribution();
    requestVisibleTiles();
    update();
}

void MapWidget::setCamera(const MapCamera& camera)
{
    if (!camera.isFinite())
        return;
    m_pendingRegion.reset();
    const MapCamera normalized = camera.normalized();
    if (normalized == m_camera)
        return;
    m_camera = normalized;
    cameraChanged();
}

void MapWidget::showRegion(const Region& region)
{
    // A region that no view could show (not finite, no span) is refused.
    if (!MapCamera::fitting(region, QSizeF(1, 1)))
        return;
    const std::optional<MapCamera> fitted = MapCamera::fitting(region, size());
    if (!fitted || !isVisible()) {
        // Layout has not given the view its final size yet: fit again once it has.
        m_pendingRegion = region;
        if (fitted)
            m_camera = *fitted;
        return;
    }
    setCamera(*fitted);
}

MapWidget::Region MapWidget::visibleRegion() const
{
    if (m_pendingRegion)
        return *m_pendingRegion;
    return m_camera.region(size());
}

void MapWidget::setRouteCoordinates(const QList<Coordinate>& coordinates)
{
    if (m_route.setCoordinates(coordinates))
        update();
}

void MapWidget::setMarks(const QList<MapMark>& marks)
{
    if (marks == m_marks)
        return;
    m_marks = marks;
    update();
    marksChanged();
}

void MapWidget::setBeacon(const std::optional<Coordinate>& coordinate)
{
    if (coordinate == m_beacon)
        return;
    m_beacon = coordinate;
    updatePulse();
    update();
    marksChanged();
}

void MapWidget::followBrand()
{
    const kit::Brand& brand = kit::Brand::current();
    m_markPainter.setStyle(MapMarkStyle::current());
    m_routeColor = brand.accent;
    m_dark = brand.appearance.dark;
    if (m_reducedMotion != brand.appearance.reducedMotion) {
        m_reducedMotion = brand.appearance.reducedMotion;
        updatePulse();
    }
    QPalette attribution = m_attribution->palette();
    attribution.setColor(QPalette::Window, kit::withOpacity(brand.window, 0.8));
    attribution.setColor(QPalette::WindowText, brand.secondary);
    attribution.setColor(QPalette::Link, brand.accentText);
    if (attribution != m_attribution->palette())
        m_attribution->setPalette(attribution);
    const QFont caption = kit::textFont(kit::TextStyle::Caption);
    if (caption != m_attribution->font())
        m_attribution->setFont(caption);
}

bool MapWidget::isShowingPlaceholder() const
{
    return !m_tiles->source().hasTiles() || m_tiles->isOffline();
}

QPointF MapWidget::viewPoint(const Coordinate& coordinate) const
{
    QPointF point = m_camera.viewPoint(WebMercator::project(coordinate, m_camera.zoom), size());
    // The world repeats sideways; take the copy nearest the middle of the view.
    const double world = WebMercator::worldSize(m_camera.zoom);
    const double shift = std::round((width() / 2.0 - point.x()) / world);
    point.rx() += shift * world;
    return point;
}

void MapWidget::cameraChanged()
{
    requestVisibleTiles();
    updatePulse();
    update();
}

MapWidget::TileGrid MapWidget::tileGrid(const QRectF& area) const
{
    TileGrid grid;
    grid.zoom = std::clamp(static_cast<int>(std::lround(m_camera.zoom)), 0, maxTileZoom);
    grid.scale = std::exp2(m_camera.zoom - grid.zoom);
    grid.center = WebMercator::project(m_camera.center, grid.zoom);
    grid.halfView = QPointF(width() / 2.0, height() / 2.0);
    const QRectF world(grid.center + (area.topLeft() - grid.halfView) / grid.scale, area.size() / grid.scale);
    grid.range = WebMercator::tilesCovering(world, grid.zoom);
    return grid;
}

void MapWidget::requestVisibleTiles()
{
    if (!m_tiles->source().hasTiles() || width() < 1 || height() < 1)
        return;
    const TileGrid grid = tileGrid(rect());
    struct Wanted {
        TileKey key;
        double distance;
    };
    std::vector<Wanted> wanted;
    for (int y = grid.range.minY; y <= grid.range.maxY; ++y) {
        for (int x = grid.range.minX; x <= grid.range.maxX; ++x) {
            const QPointF middle((x + 0.5) * WebMercator::tileSize, (y + 0.5) * WebMercator::tileSize);
            const QPointF d = middle - grid.center;
            wanted.push_back({{grid.zoom, wrappedTileX(x, grid.zoom), y}, QPointF::dotProduct(d, d)});
        }
    }
    // The middle of the view first: that is where the user looks.
    std::sort(wanted.begin(), wanted.end(), [](const Wanted& a, const Wanted& b) { return a.distance < b.distance; });
    QList<TileKey> keys;
    for (const Wanted& w : wanted) {
        if (!keys.contains(w.key))
            keys.append(w.key);
    }
    m_tiles->request(keys);
}

void MapWidget::paintTiles(QPainter& painter, const QRect& area)
{
    // Only the tiles under the repainted area (the beacon's pulse repaints a small
    // square 30 times a second); a pixel more all round for the rounded tile edges.
    const TileGrid grid = tileGrid(QRectF(area).adjusted(-1, -1, 1, 1));
    const int zoom = grid.zoom;
    const double scale = grid.scale;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, std::abs(scale - 1) > 1e-6);
    const auto viewX = [&](double worldX) {
        return std::round((worldX - grid.center.x()) * scale + grid.halfView.x());
    };
    const auto viewY = [&](double worldY) {
        return std::round((worldY - grid.center.y()) * scale + grid.halfView.y());
    };
    for (int y = grid.range.minY; y <= grid.range.maxY; ++y) {
        for (int x = grid.range.minX; x <= grid.range.maxX; ++x) {
            const QRectF target(
                QPointF(viewX(x * WebMercator::tileSize), viewY(y * WebMercator::tileSize)),
                QPointF(viewX((x + 1) * WebMercator::tileSize), viewY((y + 1) * WebMercator::tileSize)));
            const TileKey key{zoom, wrappedTileX(x, zoom), y};
            if (const QImage* image = m_tiles->image(key)) {
                painter.drawImage(target, *image);
                continue;
            }
            // While a tile loads (or when the server has none), show the part of the
            // nearest loaded ancestor that covers it, scaled up.
            for (int levels = 1; levels <= std::min(zoom, maxAncestorLevels); ++levels) {
                const QImage* image = m_tiles->image(key.ancestor(levels));
                if (!image)
                    continue;
                const int mask = (1 << levels) - 1;
                const double part = static_cast<double>(image->width()) / (1 << levels);
                const QRectF source((key.x & mask) * part, (key.y & mask) * part, part, part);
                painter.drawImage(target, *image, source);
                break;
            }
        }
    }
}

void MapWidget::paintEvent(QPaintEvent* event)
{
    followBrand();
    QPainter painter(this);
    if (isShowingPlaceholder())
        paintPlaceholder(painter);
    else
        painter.fillRect(rect(), MapPlaceholder::landColor(m_dark));
    if (m_tiles->source().hasTiles())
        paintTiles(painter, event->rect());

    painter.setRenderHint(QPainter::Antialiasing);
    const QList<QPolygonF> lines = m_route.visiblePolylines(m_camera, size(), event->rect(), casingWidth);
    if (!lines.isEmpty()) {
        paintRouteStroke(painter, lines, QColor::fromRgbF(1, 1, 1, 0.9f), casingWidth);
        paintRouteStroke(painter, lines, m_routeColor, lineWidth);
    }

    m_markPainter.setDevicePixelRatio(devicePixelRatioF());
    for (const MapMark& mark : std::as_const(m_marks))
        m_markPainter.paintMark(painter, mark, viewPoint({mark.point.latitude, mark.point.longitude}));
    if (m_beacon)
        m_markPainter.paintBeacon(painter, viewPoint(*m_beacon), isPulsing() ? pulse() : 0.0);
}

void MapWidget::paintPlaceholder(QPainter& painter)
{
    const qreal ratio = devicePixelRatioF();
    if (m_placeholder.isNull() || !qFuzzyCompare(m_placeholder.devicePixelRatio(), ratio) ||
        m_placeholderDark != m_dark) {
        QImage square;
        if (m_placeholderDrawing.valid()) {
            square = m_placeholderDrawing.get();
            if (m_placeholderDrawingDark != m_dark || !qFuzzyCompare(square.devicePixelRatio(), ratio))
                square = QImage();
        }
        if (square.isNull())
            square = MapPlaceholder::render(m_dark, ratio);
        m_placeholder = QPixmap::fromImage(square);
        m_placeholderDark = m_dark;
    }
    // Anchored to the world at the nearest whole zoom level, as tiles are, and
    // scaled between levels. The offset is taken modulo one square: world pixels
    // at high zoom are too large for the rasteriser's fixed-point coordinates.
    const TileGrid grid = tileGrid(rect());
    const double period = MapPlaceholder::patternSize * grid.scale;
    const QPointF origin = grid.halfView - QPointF(std::fmod(grid.center.x() * grid.scale, period),
                                                   std::fmod(grid.center.y() * grid.scale, period));
    // A texture brush ignores the pixmap's pixel ratio: scale it down here.
    const double scale = grid.scale / ratio;
    QBrush brush(m_placeholder);
    brush.setTransform(QTransform::fromTranslate(origin.x(), origin.y()).scale(scale, scale));
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, std::abs(grid.scale - 1) > 1e-6);
    painter.fillRect(rect(), brush);
    painter.restore();
}

double MapWidget::pulse() const
{
    // Ease in and out, then back: the halo swells and shrinks without end.
    const double phase = std::fmod(static_cast<double>(m_pulseClock.elapsed()), 2 * pulseHalfPeriodMs);
    const double linear = phase < pulseHalfPeriodMs ? phase / pulseHalfPeriodMs : 2 - phase / pulseHalfPeriodMs;
    return (1 - std::cos(std::numbers::pi * linear)) / 2;
}

void MapWidget::marksChanged()
{
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&event);
    }
}

int MapWidget::accessibleMarkCount() const
{
    return static_cast<int>(m_marks.size()) + (m_beacon ? 1 : 0);
}

QString MapWidget::accessibleMarkName(int place) const
{
    if (place < m_marks.size())
        return m_marks.at(place).point.name;
    //: Accessibility label of the map's mark of the iPhone's current location.
    return tr("iPhone location");
}

QRectF MapWidget::accessibleMarkRect(int place) const
{
    if (place >= m_marks.size())
        return beaconRect();
    const MapMark& mark = m_marks.at(place);
    const QPointF anchor = viewPoint({mark.point.latitude, mark.point.longitude});
    if (mark.kind == MapMark::Kind::place || mark.kind == MapMark::Kind::destination) {
        // A pin stands on its tip.
        return {anchor.x() - MapMarkPainter::pinWidth / 2, anchor.y() - MapMarkPainter::pinHeight,
                MapMarkPainter::pinWidth, MapMarkPainter::pinHeight};
    }
    constexpr double dot = 18;
    return {anchor - QPointF(dot / 2, dot / 2), QSizeF(dot, dot)};
}

QRectF MapWidget::beaconRect() const
{
    if (!m_beacon)
        return {};
    const double half = MapMarkPainter::beaconSize / 2 + 4;
    return QRectF(viewPoint(*m_beacon) - QPointF(half, half), QSizeF(2 * half, 2 * half));
}

void MapWidget::updatePulse()
{
    const bool wanted = m_beacon && !m_reducedMotion && isVisible() && rect().intersects(beaconRect().toAlignedRect());
    if (wanted && !m_pulseTimer.isActive()) {
        m_pulseClock.restart();
        m_pulseTimer.start();
    } else if (!wanted && m_pulseTimer.isActive()) {
        m_pulseTimer.stop();
    }
}

void MapWidget::layoutAttribution()
{
    if (m_attribution->isHidden())
        return;
    m_attribution->adjustSize();
    m_attribution->move(width() - m_attribution->width(), height() - m_attribution->height());
}

void MapWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_pendingRegion && isVisible()) {
        const Region region = *m_pendingRegion;
        showRegion(region);
    }
    layoutAttribution();
    requestVisibleTiles();
    updatePulse();
}

void MapWidget::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    followBrand();
    if (m_pendingRegion) {
        const Region region = *m_pendingRegion;
        showRegion(region);
    }
    requestVisibleTiles();
    updatePulse();
}

void MapWidget::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    updatePulse();
}

void MapWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressed = true;
    m_panning = false;
    m_pressPosition = m_lastPosition = event->position();
}

void MapWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    // No zoom on double click: the second click is a click of its own.
    mousePressEvent(event);
}

void MapWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressed)
        return;
    const QPointF position = event->position();
    if (!m_panning) {
        if ((position - m_pressPosition).manhattanLength() < QApplication::startDragDistance())
            return;
        m_panning = true;
        setCursor(Qt::ClosedHandCursor);
    }
    m_pendingRegion.reset();
    m_camera = m_camera.panned(position - m_lastPosition);
    m_lastPosition = position;
    cameraChanged();
}

void MapWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pressed = false;
    if (m_panning) {
        m_panning = false;
        unsetCursor();
        emit cameraMovedByUser();
        return;
    }
    if (const std::optional<Coordinate> coordinate = m_camera.coordinateAt(event->position(), size()))
        emit clicked(*coordinate);
}

void MapWidget::wheelEvent(QWheelEvent* event)
{
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0) {
        event->ignore();
        return;
    }
    m_pendingRegion.reset();
    const MapCamera zoomed = m_camera.zoomed(notches * zoomPerNotch, event->position(), size());
    if (zoomed != m_camera) {
        m_camera = zoomed;
        cameraChanged();
        m_wheelSettle.start();
    }
    event->accept();
}

} // namespace ostrevin
