#pragma once

#include "views/common/MapTileSources.h"
#include "views/map/TileLoader.h"

#include <QList>
#include <QPointF>
#include <QSize>
#include <QTemporaryDir>

namespace ostrevin {
class MapWidget;
}

namespace ostrevin::snapshots {

/// The raster tiles of an invented town in a street-map style (blocks, parks,
/// streets, a main road every fourth street, a river), written to a private folder
/// that the map reads as a file source: pictures of the map need no network and
/// come out the same every run. Streets lie on a grid of world pixels at the
/// tiles' zoom, so neighbouring tiles join up.
class TownTiles {
public:
    /// World pixels between two streets, across and down, at the tiles' zoom.
    static constexpr int blockWidth = 110;
    static constexpr int blockHeight = 90;

    /// Writes the tiles a view of viewSize centred on worldCenter needs at zoom, with
    /// the river's middle at riverY (world pixels); returns them.
    QList<TileKey> write(int zoom, const QPointF& worldCenter, const QSize& viewSize, double riverY);
    MapTileSource source() const;

    /// Writes the tiles for the map's camera as it is now, shows them and waits
    /// until they are read.
    void cover(MapWidget& map);

private:
    QTemporaryDir m_folder;
};

} // namespace ostrevin::snapshots
