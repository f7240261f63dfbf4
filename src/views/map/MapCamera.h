#pragma once

#include "routedata/RouteMapPresentation.h"

#include <QPointF>
#include <QSizeF>
#include <optional>

namespace ostrevin {

/// Where the map looks: a centre and a (fractional) zoom level. North is always up.
/// A region (centre and span, as the presentation keeps it) becomes a camera only
/// for a given view size, and a camera gives a region back for that size.
struct MapCamera {
    using Coordinate = RouteMapPresentation::Coordinate;
    using Region = RouteMapPresentation::CameraPosition;

    static constexpr double minZoom = 1.0;
    static constexpr double maxZoom = 19.0;

    Coordinate center;
    double zoom = minZoom;

    bool operator==(const MapCamera&) const = default;

    /// All three values are finite.
    bool isFinite() const;
    /// The same camera with its latitude clamped to the projectable band, its
    /// longitude wrapped into [−180, 180) and its zoom bounded.
    MapCamera normalized() const;

    /// The camera that shows the whole region in a view of that size, centred on
    /// the region's centre. None for an empty view or a region with a non-finite
    /// value or a span that is not positive.
    static std::optional<MapCamera> fitting(const Region& region, const QSizeF& viewSize);
    /// The region this camera shows in a view of that size.
    Region region(const QSizeF& viewSize) const;

    /// The camera's centre in world pixels at its zoom.
    QPointF worldCenter() const;
    /// The view point of a world pixel at the camera's zoom (view origin top-left).
    QPointF viewPoint(const QPointF& worldPixel, const QSizeF& viewSize) const;
    /// The coordinate under a view point, its longitude wrapped; none beyond the
    /// projected world's northern or southern edge.
    std::optional<Coordinate> coordinateAt(const QPointF& viewPoint, const QSizeF& viewSize) const;
    /// The camera moved so that the content follows the pointer by delta pixels.
    MapCamera panned(const QPointF& delta) const;
    /// The camera zoomed by steps (2^steps), keeping the coordinate under anchor in place.
    MapCamera zoomed(double steps, const QPointF& anchor, const QSizeF& viewSize) const;
};

} // namespace ostrevin
