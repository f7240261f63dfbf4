#include "views/map/MapCamera.h"

#include "views/map/WebMercator.h"

#include <algorithm>
#include <cmath>

namespace ostrevin {

bool MapCamera::isFinite() const
{
    return std::isfinite(center.latitude) && std::isfinite(center.longitude) && std::isfinite(zoom);
}

MapCamera MapCamera::normalized() const
{
    MapCamera camera = *this;
    camera.center.latitude = WebMercator::clampLatitude(center.latitude);
    camera.center.longitude = WebMercator::wrapLongitude(center.longitude);
    camera.zoom = std::clamp(zoom, minZoom, maxZoom);
    return camera;
}

std::optional<MapCamera> MapCamera::fitting(const Region& region, const QSizeF& viewSize)
{
    const bool finite = std::isfinite(region.center.latitude) && std::isfinite(region.center.longitude) &&
                        std::isfinite(region.latitudeDelta) && std::isfinite(region.longitudeDelta);
    if (!finite || region.latitudeDelta <= 0 || region.longitudeDelta <= 0 || viewSize.width() < 1 ||
        viewSize.height() < 1)
        return std::nullopt;
    const double longitudeSpan = std::min(region.longitudeDelta, 360.0);
    const double latitudeSpan = std::min(region.latitudeDelta, 180.0);
    const double zoomForWidth = std::log2(viewSize.width() * 360.0 / (WebMercator::tileSize * longitudeSpan));
    // The span's height in pixels at zoom 0; Mercator stretches it away from the equator.
    const double lat = region.center.latitude;
    const double top = WebMercator::project({lat + latitudeSpan / 2, 0}, 0).y();
    const double bottom = WebMercator::project({lat - latitudeSpan / 2, 0}, 0).y();
    double zoom = zoomForWidth;
    if (bottom - top > 0)
        zoom = std::min(zoom, std::log2(viewSize.height() / (bottom - top)));
    return MapCamera{.center = region.center, .zoom = zoom}.normalized();
}

MapCamera::Region MapCamera::region(const QSizeF& viewSize) const
{
    // The span is symmetric in degrees about the centre, as a region is, and chosen
    // so that it covers exactly the view's height: fitting the region again gives
    // this camera back, so the map and the presentation never drift apart.
    const double scale = WebMercator::worldSize(zoom) / WebMercator::tileSize;
    const double wanted = viewSize.height() / scale;
    const double lat = center.latitude;
    const auto height = [lat](double span) {
        return WebMercator::project({lat - span / 2, 0}, 0).y() - WebMercator::project({lat + span / 2, 0}, 0).y();
    };
    double low = 0;
    double high = 360;
    if (height(high) <= wanted) {
        low = high;
    } else {
        for (int i = 0; i < 100; ++i) {
            const double middle = (low + high) / 2;
            (height(middle) < wanted ? low : high) = middle;
        }
    }
    return Region{.center = center,
                  .latitudeDelta = std::min(low, 180.0),
                  .longitudeDelta = viewSize.width() / WebMercator::worldSize(zoom) * 360.0};
}

QPointF MapCamera::worldCenter() const
{
    return WebMercator::project(center, zoom);
}

QPointF MapCamera::viewPoint(const QPointF& worldPixel, const QSizeF& viewSize) const
{
    return worldPixel - worldCenter() + QPointF(viewSize.width() / 2, viewSize.height() / 2);
}

std::optional<MapCamera::Coordinate> MapCamera::coordinateAt(const QPointF& point, const QSizeF& viewSize) const
{
    const QPointF world = point - QPointF(viewSize.width() / 2, viewSize.height() / 2) + worldCenter();
    if (world.y() < 0 || world.y() > WebMercator::worldSize(zoom))
        return std::nullopt;
    Coordinate coordinate = WebMercator::unproject(world, zoom);
    coordinate.longitude = WebMercator::wrapLongitude(coordinate.longitude);
    return coordinate;
}

MapCamera MapCamera::panned(const QPointF& delta) const
{
    MapCamera camera = *this;
    camera.center = WebMercator::unproject(worldCenter() - delta, zoom);
    return camera.normalized();
}

MapCamera MapCamera::zoomed(double steps, const QPointF& anchor, const QSizeF& viewSize) const
{
    const QPointF offset = anchor - QPointF(viewSize.width() / 2, viewSize.height() / 2);
    const QPointF anchorWorld = worldCenter() + offset;
    const Coordinate anchored = WebMercator::unproject(anchorWorld, zoom);
    MapCamera camera = *this;
    camera.zoom = std::clamp(zoom + steps, minZoom, maxZoom);
    // Put the anchored coordinate back under the pointer at the new scale.
    camera.center = WebMercator::unproject(WebMercator::project(anchored, camera.zoom) - offset, camera.zoom);
    return camera.normalized();
}

} // namespace ostrevin
