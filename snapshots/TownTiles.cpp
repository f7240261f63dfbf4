#include "TownTiles.h"

#include "views/map/MapWidget.h"
#include "views/map/WebMercator.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTest>
#include <QUrl>
#include <cmath>
#include <cstdio>

namespace ostrevin::snapshots {

namespace {

/// A small deterministic hash, so every run draws the same town.
unsigned cellHash(int x, int y)
{
    unsigned h = static_cast<unsigned>(x) * 73856093u ^ static_cast<unsigned>(y) * 19349663u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    return h ^ (h >> 15);
}

QImage townTile(int tileX, int tileY, double riverY)
{
    constexpr int blockWidth = TownTiles::blockWidth;
    constexpr int blockHeight = TownTiles::blockHeight;
    QImage image(256, 256, QImage::Format_RGB32);
    image.fill(QColor(0xF2, 0xEF, 0xE9));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF origin(tileX * 256.0, tileY * 256.0);
    p.translate(-origin);
    const int firstColumn = static_cast<int>(std::floor(origin.x() / blockWidth)) - 1;
    const int firstRow = static_cast<int>(std::floor(origin.y() / blockHeight)) - 1;
    for (int column = firstColumn; column <= firstColumn + 4; ++column) {
        for (int row = firstRow; row <= firstRow + 4; ++row) {
            const QRectF block(column * blockWidth + 5, row * blockHeight + 5, blockWidth - 10, blockHeight - 10);
            const unsigned h = cellHash(column, row);
            const QColor fill = h % 7 == 0 ? QColor(0xC8, 0xFA, 0xCC) : QColor(0xE0, 0xDB, 0xD2);
            p.fillRect(block.adjusted(4, 4, -4, -4), fill);
        }
    }
    QPainterPath river;
    for (double x = origin.x() - 64; x <= origin.x() + 320; x += 8) {
        const double y = riverY + 140 * std::sin(x / 520.0);
        x == origin.x() - 64 ? river.moveTo(x, y) : river.lineTo(x, y);
    }
    for (int column = firstColumn; column <= firstColumn + 4; ++column) {
        const double x = column * blockWidth;
        const bool main = column % 4 == 0;
        p.setPen(QPen(main ? QColor(0xE0, 0xC0, 0x80) : QColor(0xD5, 0xD0, 0xC8), main ? 11 : 8));
        p.drawLine(QPointF(x, origin.y() - 10), QPointF(x, origin.y() + 266));
        p.setPen(QPen(main ? QColor(0xF7, 0xFA, 0xBF) : Qt::white, main ? 8 : 5));
        p.drawLine(QPointF(x, origin.y() - 10), QPointF(x, origin.y() + 266));
    }
    for (int row = firstRow; row <= firstRow + 4; ++row) {
        const double y = row * blockHeight;
        const bool main = row % 4 == 0;
        p.setPen(QPen(main ? QColor(0xE0, 0xC0, 0x80) : QColor(0xD5, 0xD0, 0xC8), main ? 11 : 8));
        p.drawLine(QPointF(origin.x() - 10, y), QPointF(origin.x() + 266, y));
        p.setPen(QPen(main ? QColor(0xF7, 0xFA, 0xBF) : Qt::white, main ? 8 : 5));
        p.drawLine(QPointF(origin.x() - 10, y), QPointF(origin.x() + 266, y));
    }
    p.strokePath(river, QPen(QColor(0xAA, 0xD3, 0xDF), 46, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    return image;
}

} // namespace

QList<TileKey> TownTiles::write(int zoom, const QPointF& worldCenter, const QSize& viewSize, double riverY)
{
    QList<TileKey> written;
    const int reachX = viewSize.width() / 256 / 2 + 2;
    const int reachY = viewSize.height() / 256 / 2 + 2;
    const int middleX = static_cast<int>(worldCenter.x() / 256);
    const int middleY = static_cast<int>(worldCenter.y() / 256);
    for (int x = middleX - reachX; x <= middleX + reachX; ++x) {
        for (int y = middleY - reachY; y <= middleY + reachY; ++y) {
            const QString folder = m_folder.filePath(QStringLiteral("%1/%2").arg(zoom).arg(x));
            QDir().mkpath(folder);
            townTile(x, y, riverY).save(folder + QStringLiteral("/%1.png").arg(y));
            written.append({zoom, x, y});
        }
    }
    return written;
}

MapTileSource TownTiles::source() const
{
    return {QUrl::fromLocalFile(m_folder.path()).toString() + QStringLiteral("/{z}/{x}/{y}.png"),
            QStringLiteral("© Ostrevin test tiles")};
}

void TownTiles::cover(MapWidget& map)
{
    const MapCamera& camera = map.camera();
    const int zoom = static_cast<int>(std::lround(camera.zoom));
    const QPointF middle = WebMercator::project(camera.center, zoom);
    write(zoom, middle, map.size(), middle.y() + map.height() * 0.3);
    map.setTileSource(source());
    TileLoader& tiles = map.tileLoader();
    if (!QTest::qWaitFor([&tiles] { return tiles.inFlight().isEmpty(); }, 5000))
        std::fprintf(stderr, "map: the generated tiles were not read in time\n");
}

} // namespace ostrevin::snapshots
