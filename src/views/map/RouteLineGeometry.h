#pragma once

#include "routedata/RouteMapPresentation.h"

#include <QList>
#include <QPolygonF>
#include <QSizeF>
#include <array>
#include <optional>

namespace ostrevin {

struct MapCamera;

/// The route line prepared for painting: per zoom level the line is simplified to
/// what half a pixel can show, and per frame only the stretches that can touch the
/// view are handed out, so a route of tens of thousands of points paints in a few
/// milliseconds. Longitudes are unwrapped, so a line across the antimeridian runs
/// on instead of jumping round the world.
class RouteLineGeometry {
public:
    using Coordinate = RouteMapPresentation::Coordinate;

    /// Simplification tolerance in pixels at the level's own scale.
    static constexpr double tolerance = 0.5;
    static constexpr int levelCount = 20;

    /// False, keeping the prepared levels, when the coordinates are those it has:
    /// the map is handed the route again on every change of its presentation
    /// (the live point moves each second during playback).
    bool setCoordinates(const QList<Coordinate>& coordinates);

    /// The stretches that can touch an area of the view (view coordinates; a repaint
    /// of a small area, such as the beacon's, only looks at the line near it); margin
    /// (pixels) widens the area so that a thick line just outside still shows its edge.
    QList<QPolygonF> visiblePolylines(const MapCamera& camera, const QSizeF& viewSize, const QRectF& area,
                                      double margin) const;

    /// Keeps the points that matter for a tolerance (Douglas–Peucker after a radial
    /// pass); the first and the last point always stay.
    static QPolygonF simplified(const QPolygonF& line, double tolerance);

private:
    /// One zoom level's line with the bounds of each run of chunkSize segments, so
    /// culling skips whole runs far from the view.
    struct Level {
        QPolygonF line;
        QList<QRectF> chunkBounds;
    };
    static constexpr qsizetype chunkSize = 64;
    const Level& levelData(int zoom) const;

    QList<Coordinate> m_coordinates;
    /// World pixels at zoom 0 with unwrapped longitudes.
    QPolygonF m_base;
    mutable std::array<std::optional<Level>, levelCount> m_levels;
};

} // namespace ostrevin
