#include "views/kit/ShadowCache.h"

#include "views/kit/Shapes.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <functional>
#include <vector>

namespace ostrevin::kit {

namespace {

// One horizontal and one vertical running-sum pass over an alpha plane. Both
// run along rows, the vertical one with a sum per column, so the plane is read
// in memory order: a column walk over a panel-sized shadow misses the cache on
// every pixel.
void boxBlurAlpha(std::vector<int>& alpha, int width, int height, int radius)
{
    const int window = 2 * radius + 1;
    std::vector<int> line(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        int* const row = alpha.data() + std::ptrdiff_t(y) * width;
        std::copy(row, row + width, line.begin());
        int sum = 0;
        for (int j = 0; j <= radius && j < width; ++j)
            sum += line[std::size_t(j)];
        for (int j = 0; j < width; ++j) {
            row[j] = sum / window;
            const int out = j - radius;
            const int in = j + radius + 1;
            sum += (in < width ? line[std::size_t(in)] : 0) - (out >= 0 ? line[std::size_t(out)] : 0);
        }
    }
    const std::vector<int> source = alpha;
    const auto sourceRow = [&](int y) { return source.data() + std::ptrdiff_t(y) * width; };
    std::vector<int> sums(static_cast<std::size_t>(width), 0);
    for (int y = 0; y <= radius && y < height; ++y)
        std::transform(sums.begin(), sums.end(), sourceRow(y), sums.begin(), std::plus<>());
    for (int y = 0; y < height; ++y) {
        int* const row = alpha.data() + std::ptrdiff_t(y) * width;
        for (int x = 0; x < width; ++x)
            row[x] = sums[std::size_t(x)] / window;
        const int out = y - radius;
        const int in = y + radius + 1;
        if (in < height)
            std::transform(sums.begin(), sums.end(), sourceRow(in), sums.begin(), std::plus<>());
        if (out >= 0)
            std::transform(sums.begin(), sums.end(), sourceRow(out), sums.begin(), std::minus<>());
    }
}

} // namespace

ShadowCache::ShadowCache(int maxPixmaps) : m_pixmaps(maxPixmaps)
{
}

ShadowCache& ShadowCache::shared()
{
    static ShadowCache cache;
    return cache;
}

QPixmap ShadowCache::shadow(QSize shapeSize, qreal cornerRadius, qreal blurRadius, qreal opacity,
                            qreal devicePixelRatio)
{
    if (shapeSize.isEmpty())
        return {};
    const QString key = QStringLiteral("%1x%2/%3/%4/%5/%6")
                            .arg(shapeSize.width())
                            .arg(shapeSize.height())
                            .arg(cornerRadius)
                            .arg(blurRadius)
                            .arg(opacity)
                            .arg(devicePixelRatio);
    if (const QPixmap* cached = m_pixmaps.object(key))
        return *cached;

    const qreal margin = qMax<qreal>(0.0, blurRadius);
    const QSizeF logical(shapeSize.width() + 2 * margin, shapeSize.height() + 2 * margin);
    QImage image((logical * devicePixelRatio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.scale(devicePixelRatio, devicePixelRatio);
        fillRoundedRect(painter, QRectF(QPointF(margin, margin), QSizeF(shapeSize)), cornerRadius,
                        QColor::fromRgbF(0, 0, 0, float(opacity)));
    }
    // Three box passes come close to a Gaussian whose spread is the blur radius.
    const int boxRadius = qMax(1, qRound(blurRadius * devicePixelRatio / 3.0));
    const int width = image.width();
    const int height = image.height();
    std::vector<int> alpha(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y) {
        const auto* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        std::transform(pixels, pixels + width, alpha.begin() + std::ptrdiff_t(y) * width,
                       [](QRgb pixel) { return qAlpha(pixel); });
    }
    for (int i = 0; i < 3; ++i)
        boxBlurAlpha(alpha, width, height, boxRadius);
    for (int y = 0; y < height; ++y) {
        auto* pixels = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::transform(alpha.begin() + std::ptrdiff_t(y) * width, alpha.begin() + std::ptrdiff_t(y + 1) * width, pixels,
                       [](int value) { return qRgba(0, 0, 0, value); });
    }
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    ++m_blurCount;
    m_pixmaps.insert(key, new QPixmap(pixmap), 1);
    return pixmap;
}

} // namespace ostrevin::kit
