#pragma once

#include "async/WorkerPool.h"
#include "views/common/MapTileSources.h"

#include <QCache>
#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

namespace ostrevin {

/// One tile of the current source: zoom level and indexes (x already wrapped).
struct TileKey {
    int zoom = 0;
    int x = 0;
    int y = 0;

    bool operator==(const TileKey&) const = default;
    /// The tile of the level above that contains this one, `levels` up.
    TileKey ancestor(int levels) const { return {zoom - levels, x >> levels, y >> levels}; }
};

inline size_t qHash(const TileKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.zoom, key.x, key.y);
}

/// Fetches raster tiles for the map and keeps the decoded images in memory.
///
/// The map says which tiles it needs now, most important first; the loader keeps at
/// most six requests in flight, aborts those for tiles that left the view, and
/// announces each tile that arrived. HTTP answers also go through a disk cache, so
/// a restart shows the last-seen map at once and the tile servers see fewer
/// requests. Nothing here blocks: images are decoded on worker threads, and
/// painting only ever reads what is in memory. A tile whose decoding ends after the
/// view moved on (or the source changed) is dropped.
class TileLoader : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TileLoader)

public:
    static constexpr int maxRequestsInFlight = 6;
    /// A tile that failed for want of a network is asked for again after this long.
    static constexpr int defaultRetryAfterMs = 15000;

    /// diskCacheFolder empty: no disk cache (tests).
    explicit TileLoader(const QString& diskCacheFolder, QObject* parent = nullptr);
    ~TileLoader() override;

    /// Changes the tiles' source; forgets the images of the old one.
    void setSource(const MapTileSource& source);
    const MapTileSource& source() const { return m_source; }

    /// The tiles the map needs now, most important first. Starts what is missing,
    /// drops what was queued and aborts what is in flight for tiles not listed.
    void request(const QList<TileKey>& wanted);
    /// The image of a loaded tile, or null. Valid until control returns to the event loop.
    const QImage* image(const TileKey& key) const;
    /// The tiles whose requests run now.
    QList<TileKey> inFlight() const;
    /// Turns a tile's bytes into the image to draw (a null image: not a tile). Runs
    /// on a worker thread.
    using Decoder = std::function<QImage(const QByteArray&)>;
    static QImage decode(const QByteArray& bytes);
    /// Replaces decode() (tests hold decodes back with it).
    void setDecoder(Decoder decoder) { m_decoder = std::move(decoder); }
    /// The last finished request failed for want of a network or a server (not a
    /// missing tile): the map then draws its placeholder under the tiles it has.
    bool isOffline() const { return m_offline; }
    /// How long a tile that failed for want of a network waits for its next try; the
    /// tiles still wanted then are asked for again without waiting for the map to move.
    void setRetryInterval(int milliseconds);

signals:
    void tileLoaded(const ostrevin::TileKey& key);
    void offlineChanged();

private:
    void startNext();
    void handleFinished(QNetworkReply* reply, const TileKey& key);
    void handleDecoded(const TileKey& key, quint64 generation, const QImage& image);
    void setOffline(bool offline);
    bool shouldRequest(const TileKey& key) const;

    QNetworkAccessManager* m_network = nullptr;
    MapTileSource m_source;
    QCache<TileKey, QImage> m_images;
    QHash<TileKey, QPointer<QNetworkReply>> m_running;
    QList<TileKey> m_queue;
    /// Tiles the server does not have; not asked for again from this source.
    QSet<TileKey> m_missing;
    /// Tiles that failed for want of a network, with when they did.
    QHash<TileKey, qint64> m_failedAt;
    QElapsedTimer m_clock;
    QTimer m_retry;
    QList<TileKey> m_wanted;
    QSet<TileKey> m_wantedSet;
    /// Tiles whose bytes arrived and are being decoded.
    QSet<TileKey> m_decoding;
    /// Counts source changes: a decode started under an older source is stale.
    quint64 m_generation = 0;
    Decoder m_decoder = &TileLoader::decode;
    bool m_offline = false;
    WorkerPool m_workers;
};

} // namespace ostrevin
