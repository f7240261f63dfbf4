#pragma once

#include "routedata/MapStylePreference.h"

#include <QCoreApplication>
#include <QProcessEnvironment>
#include <QString>
#include <QUrl>

namespace ostrevin {

/// One set of raster tiles: where they come from and what the map must credit.
struct MapTileSource {
    /// "https://{s}.host/{z}/{x}/{y}.png" or a file:// template; empty: no tiles.
    QString urlTemplate;
    /// Rich text for the attribution label (may hold a link).
    QString attribution;

    bool hasTiles() const { return !urlTemplate.isEmpty(); }
    bool operator==(const MapTileSource&) const = default;

    /// The template with the tile's zoom and indexes filled in, and {s} with one of
    /// the subdomains a, b and c, always the same for a tile.
    QUrl tileUrl(int zoom, int x, int y) const;
};

/// The tile sources of the three map styles. Standard tiles come from
/// OpenStreetMap unless configured otherwise; satellite and hybrid need a
/// configured provider, and a style without one shows the standard map.
class MapTileSources {
    Q_DECLARE_TR_FUNCTIONS(MapTileSources)

public:
    MapTileSources() = default;
    MapTileSources(MapTileSource standard, MapTileSource satellite, MapTileSource hybrid);

    /// The build's templates, each replaced by its environment variable when that is
    /// set: OSTREVIN_TILES_URL, OSTREVIN_SATELLITE_TILES_URL, OSTREVIN_HYBRID_TILES_URL.
    /// "off" turns a style's tiles off; a value that is no usable template (http,
    /// https or file, with {z}, {x} and {y}, optionally {s}, and no other
    /// placeholder) is ignored with a warning, as if it were not set.
    static MapTileSources configured(const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

    /// Whether the style has tiles of its own (standard always counts as available:
    /// without tiles it is drawn as the placeholder map).
    bool isAvailable(MapStylePreference style) const;
    /// The style's name where the user picks one: marked when it has no tiles here.
    QString pickerTitle(MapStylePreference style) const;
    /// The tiles the style shows: its own, or the standard ones when it has none.
    MapTileSource source(MapStylePreference style) const;

private:
    MapTileSource m_standard;
    MapTileSource m_satellite;
    MapTileSource m_hybrid;
};

} // namespace ostrevin
