#include "views/map/TileLoader.h"

#include "platform/ServiceEndpoints.h"

#include <QBuffer>
#include <QFutureWatcher>
#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkDiskCache>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace ostrevin {

namespace {

/// About 250 decoded 256-pixel tiles: several screens of a large window.
constexpr qsizetype memoryCacheKilobytes = 64 * 1024;
constexpr qint64 diskCacheBytes = 256LL * 1024 * 1024;
constexpr int transferTimeoutMs = 15000;

/// The server answered that this tile does not exist (the others may). A server
/// that timed out our request or throttles us says nothing about the tile.
bool isMissingTile(QNetworkReply::NetworkError error, int status)
{
    if (status == 408 || status == 429)
        return false;
    return error == QNetworkReply::ContentNotFoundError || error == QNetworkReply::ProtocolInvalidOperationError ||
           (status >= 400 && status < 500);
}

} // namespace

TileLoader::TileLoader(const QString& diskCacheFolder, QObject* parent)
    : QObject(parent), m_network(new QNetworkAccessManager(this)), m_images(memoryCacheKilobytes)
{
    if (!diskCacheFolder.isEmpty()) {
        auto* cache = new QNetworkDiskCache(m_network);
        cache->setCacheDirectory(diskCacheFolder);
        cache->setMaximumCacheSize(diskCacheBytes);
        m_network->setCache(cache);
    }
    m_clock.start();
    m_retry.setSingleShot(true);
    m_retry.setInterval(defaultRetryAfterMs);
    connect(&m_retry, &QTimer::timeout, this, [this] {
        // Every tile still wanted gets its next try now, whenever it failed.
        m_failedAt.clear();
        request(QList<TileKey>(m_wanted));
    });
}

void TileLoader::setRetryInterval(int milliseconds)
{
    m_retry.setInterval(milliseconds);
}

TileLoader::~TileLoader()
{
    for (const QPointer<QNetworkReply>& reply : std::as_const(m_running)) {
        if (reply) {
            reply->disconnect(this);
            reply->abort();
        }
    }
}

void TileLoader::setSource(const MapTileSource& source)
{
    if (source == m_source)
        return;
    request({});
    m_source = source;
    ++m_generation;
    m_decoding.clear();
    m_images.clear();
    m_missing.clear();
    m_failedAt.clear();
    setOffline(false);
}

void TileLoader::request(const QList<TileKey>& wanted)
{
    m_wanted = wanted;
    m_wantedSet = QSet<TileKey>(wanted.cbegin(), wanted.cend());
    const QSet<TileKey>& wantedSet = m_wantedSet;
    // Abort what left the view; the reply's finished handler then ignores it.
    for (auto it = m_running.begin(); it != m_running.end();) {
        if (wantedSet.contains(it.key())) {
            ++it;
            continue;
        }
        QPointer<QNetworkReply> reply = it.value();
        it = m_running.erase(it);
        if (reply) {
            reply->disconnect(this);
            reply->abort();
            reply->deleteLater();
        }
    }
    m_queue.clear();
    if (!m_source.hasTiles())
        return;
    for (const TileKey& key : wanted) {
        if (shouldRequest(key))
            m_queue.append(key);
    }
    startNext();
}

bool TileLoader::shouldRequest(const TileKey& key) const
{
    if (m_images.contains(key) || m_running.contains(key) || m_decoding.contains(key) || m_missing.contains(key))
        return false;
    const auto failed = m_failedAt.constFind(key);
    return failed == m_failedAt.cend() || m_clock.elapsed() - failed.value() >= m_retry.interval();
}

const QImage* TileLoader::image(const TileKey& key) const
{
    return m_images.object(key);
}

QList<TileKey> TileLoader::inFlight() const
{
    return m_running.keys();
}

void TileLoader::startNext()
{
    while (m_running.size() < maxRequestsInFlight && !m_queue.isEmpty()) {
        const TileKey key = m_queue.takeFirst();
        if (!shouldRequest(key))
            continue;
        QNetworkRequest request(m_source.tileUrl(key.zoom, key.x, key.y));
        // Tile servers' usage policies ask for an identifying User-Agent.
        request.setHeader(QNetworkRequest::UserAgentHeader, ServiceEndpoints::userAgent());
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferCache);
        request.setTransferTimeout(transferTimeoutMs);
        QNetworkReply* reply = m_network->get(request);
        m_running.insert(key, reply);
        connect(reply, &QNetworkReply::finished, this, [this, reply, key] { handleFinished(reply, key); });
    }
}

void TileLoader::handleFinished(QNetworkReply* reply, const TileKey& key)
{
    reply->deleteLater();
    if (m_running.value(key) != reply)
        return;
    m_running.remove(key);
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QNetworkReply::NetworkError error = reply->error();
    if (error == QNetworkReply::NoError) {
        m_failedAt.remove(key);
        setOffline(false);
        // Decoding a tile takes milliseconds; a pan brings dozens at once.
        m_decoding.insert(key);
        auto* watcher = new QFutureWatcher<QImage>(this);
        const quint64 generation = m_generation;
        connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, key, generation] {
            watcher->deleteLater();
            handleDecoded(key, generation, watcher->result());
        });
        watcher->setFuture(
            m_workers.run([decoder = m_decoder, bytes = reply->readAll()](std::stop_token) { return decoder(bytes); }));
    } else if (isMissingTile(error, status)) {
        m_missing.insert(key);
        setOffline(false);
    } else {
        // Our own aborts never arrive here (their replies are disconnected first), so
        // a cancellation is the transfer time-out: a server that does not answer.
        m_failedAt.insert(key, m_clock.elapsed());
        setOffline(true);
        if (!m_retry.isActive())
            m_retry.start();
    }
    startNext();
}

QImage TileLoader::decode(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer);
    QImage image;
    if (!reader.read(&image))
        return {};
    // Tiles often come as palette PNGs; converting once here spares every frame
    // a conversion while drawing.
    image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    return image;
}

void TileLoader::handleDecoded(const TileKey& key, quint64 generation, const QImage& image)
{
    if (generation != m_generation || !m_decoding.remove(key))
        return;
    // The view moved on while the tile decoded: it would only take the place of a
    // tile still wanted in the cache. The disk cache has its bytes if it comes back.
    if (!m_wantedSet.contains(key))
        return;
    if (image.isNull()) {
        m_missing.insert(key);
        return;
    }
    const qsizetype kilobytes = std::max<qsizetype>(1, image.sizeInBytes() / 1024);
    m_images.insert(key, new QImage(image), kilobytes);
    emit tileLoaded(key);
}

void TileLoader::setOffline(bool offline)
{
    if (offline == m_offline)
        return;
    m_offline = offline;
    emit offlineChanged();
}

} // namespace ostrevin
