#include "views/kit/ShadowCache.h"

#include "views/kit/Shapes.h"

#include <QImage>
#include <QPainter>
#include <vector>

namespace ostrevin::kit {

namespace {

// One horizontal and one vertical running-sum pass over the alpha channel.
void boxBlurAlpha(QImage& image, int radius)
{
    if (radius < 1)
        return;
    const int width = image.width();
    const int height = image.height();
    const int window = 2 * radius + 1;
    std::vector<int> line(std::size_t(qMax(width, height)));
    auto pass = [&](int count, int length, auto&& at) {
        for (int i = 0; i < count; ++i) {
            for (int j = 0; j < length; ++j)
                line[std::size_t(j)] = qAlpha(*at(i, j));
            int sum = 0;
            for (int j = -radius; j <= radius; ++j)
                sum += (j >= 0 && j < length) ? line[std::size_t(j)] : 0;
            for (int j = 0; j < length; ++j) {
                *at(i, j) = qRgba(0, 0, 0, sum / window);
                const int out = j - radius;
                const int in = j + radius + 1;
                sum += (in < length ? line[std::size_t(in)] : 0) - (out >= 0 ? line[std::size_t(out)] : 0);
            }
        }
    };
    auto row = [&](int y, int x) { return reinterpret_cast<QRgb*>(image.scanLine(y)) + x; };
    auto column = [&](int x, int y) { return reinterpret_cast<QRgb*>(image.scanLine(y)) + x; };
    pass(height, width, row);
    pass(width, height, column);
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
    for (int i = 0; i < 3; ++i)
        boxBlurAlpha(image, boxRadius);
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    ++m_blurCount;
    m_pixmaps.insert(key, new QPixmap(pixmap), 1);
    return pixmap;
}

} // namespace ostrevin::kit
