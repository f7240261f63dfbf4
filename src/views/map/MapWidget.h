#pragma once

#include "views/common/MapMark.h"
#include "views/common/MapMarkPainter.h"
#include "views/common/MapTileSources.h"
#include "views/map/MapCamera.h"
#include "views/map/RouteLineGeometry.h"
#include "views/map/WebMercator.h"

#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <future>
#include <optional>

class QLabel;

namespace ostrevin {

class TileLoader;

/// The map canvas: raster tiles (or the drawn placeholder) under the route line,
/// the marks and the iPhone's beacon, with pan by drag and zoom by wheel.
///
/// It knows nothing of sections or of the view model: a click comes out as
/// `clicked`, and the end of a pan or zoom as `cameraMovedByUser`, so its owner can
/// write the camera back once per gesture instead of on every frame. The camera
/// given from outside (`showRegion`, `setCamera`) never emits either signal.
class MapWidget : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MapWidget)

public:
    using Coordinate = RouteMapPresentation::Coordinate;
    using Region = RouteMapPresentation::CameraPosition;

    /// tileCacheFolder: where HTTP tiles are kept between runs; empty: memory only.
    explicit MapWidget(const QString& tileCacheFolder, QWidget* parent = nullptr);
    ~MapWidget() override;

    TileLoader& tileLoader() const { return *m_tiles; }
    /// An empty template turns tiles off: the placeholder is drawn instead.
    void setTileSource(const MapTileSource& source);

    const MapCamera& camera() const { return m_camera; }
    /// A camera with a value that is not finite is refused.
    void setCamera(const MapCamera& camera);
    /// Fits the region into the view; before the view has a size the fit waits for it.
    void showRegion(const Region& region);
    /// The region the view shows now (the pending one before the first layout).
    Region visibleRegion() const;

    void setRouteCoordinates(const QList<Coordinate>& coordinates);
    void setMarks(const QList<MapMark>& marks);
    /// Where the separate beacon stands; none hides it.
    void setBeacon(const std::optional<Coordinate>& coordinate);

    /// Tiles are off or none could be loaded: the drawn placeholder is the background.
    bool isShowingPlaceholder() const;
    /// Whether the beacon's pulse timer runs.
    bool isPulsing() const { return m_pulseTimer.isActive(); }

    /// The view point of a coordinate (the world copy nearest the view's centre).
    QPointF viewPoint(const Coordinate& coordinate) const;

    /// The painted marks as a screen reader lists them: the marks in drawing order,
    /// then the beacon when shown.
    int accessibleMarkCount() const;
    QString accessibleMarkName(int place) const;
    QRectF accessibleMarkRect(int place) const;

    QSize sizeHint() const override { return {640, 480}; }

signals:
    /// A press and release within the drag distance, with no pan between.
    void clicked(const ostrevin::RouteMapPresentation::Coordinate& coordinate);
    /// The user finished a pan or a zoom (after the last wheel step settles).
    void cameraMovedByUser();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    /// Takes the application's current colours, label font and motion setting
    /// (kit::Brand); cheap when nothing changed, so every paint calls it.
    void followBrand();
    void cameraChanged();
    /// The tiles of the level nearest the camera's zoom under an area of the view,
    /// and how that level's world pixels map onto the view.
    struct TileGrid {
        int zoom = 0;
        /// View pixels per world pixel of the level.
        double scale = 1;
        /// The camera's centre in the level's world pixels.
        QPointF center;
        QPointF halfView;
        WebMercator::TileRange range;
    };
    TileGrid tileGrid(const QRectF& area) const;
    void requestVisibleTiles();
    void paintTiles(QPainter& painter, const QRect& area);
    void updatePulse();
    /// Screen readers list the marks again.
    void marksChanged();
    double pulse() const;
    QRectF beaconRect() const;
    void layoutAttribution();
    void paintPlaceholder(QPainter& painter);

    TileLoader* m_tiles = nullptr;
    QLabel* m_attribution = nullptr;
    MapCamera m_camera;
    std::optional<Region> m_pendingRegion;
    RouteLineGeometry m_route;
    QList<MapMark> m_marks;
    std::optional<Coordinate> m_beacon;
    MapMarkPainter m_markPainter;
    QColor m_routeColor;
    bool m_dark = false;
    bool m_reducedMotion = false;

    bool m_pressed = false;
    bool m_panning = false;
    QPointF m_pressPosition;
    QPointF m_lastPosition;
    /// The placeholder's square drawn once per appearance, then repeated.
    QPixmap m_placeholder;
    bool m_placeholderDark = false;
    /// The square being drawn on a worker thread while the rest of the window is
    /// built; going away waits for it.
    std::future<QImage> m_placeholderDrawing;
    bool m_placeholderDrawingDark = false;
    QTimer m_wheelSettle;
    QTimer m_pulseTimer;
    QElapsedTimer m_pulseClock;
};

} // namespace ostrevin
