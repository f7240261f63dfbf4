#include "views/kit/ShadowCache.h"

#include "views/kit/Shapes.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <vector>

using namespace ostrevin::kit;

TEST(ShadowCache, BlursEachShapeOnceAndReusesIt)
{
    ShadowCache cache(8);
    const QPixmap first = cache.shadow(QSize(200, 80), 12, 12, 0.16, 1.0);
    EXPECT_EQ(cache.blurCount(), 1);
    const QPixmap again = cache.shadow(QSize(200, 80), 12, 12, 0.16, 1.0);
    EXPECT_EQ(cache.blurCount(), 1);
    EXPECT_EQ(again.cacheKey(), first.cacheKey());

    struct Change {
        const char* name;
        QSize size;
        qreal corner, blur, opacity, ratio;
    };
    const Change changes[] = {
        {"size", QSize(201, 80), 12, 12, 0.16, 1.0},        {"corner", QSize(200, 80), 8, 12, 0.16, 1.0},
        {"blur", QSize(200, 80), 12, 4, 0.16, 1.0},         {"opacity", QSize(200, 80), 12, 12, 0.08, 1.0},
        {"pixel ratio", QSize(200, 80), 12, 12, 0.16, 2.0},
    };
    int expected = 1;
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        cache.shadow(change.size, change.corner, change.blur, change.opacity, change.ratio);
        EXPECT_EQ(cache.blurCount(), ++expected);
    }
    EXPECT_TRUE(cache.shadow(QSize(0, 80), 12, 12, 0.16, 1.0).isNull());
}

TEST(ShadowCache, TheShadowIsSoftAndReachesBeyondTheShape)
{
    ShadowCache cache;
    const QImage image = cache.shadow(QSize(100, 60), 10, 12, 0.5, 1.0).toImage();
    ASSERT_EQ(image.size(), QSize(124, 84));
    const int centre = qAlpha(image.pixel(62, 42));
    const int edge = qAlpha(image.pixel(12, 42));   // the shape's left edge
    const int outside = qAlpha(image.pixel(4, 42)); // in the margin
    const int corner = qAlpha(image.pixel(0, 0));
    EXPECT_NEAR(centre, 128, 4);
    EXPECT_GT(edge, outside);
    EXPECT_LT(edge, centre);
    EXPECT_GT(outside, 0);
    EXPECT_EQ(corner, 0);
}

namespace {

/// The blur summed out pixel by pixel: three times a box along each row, then
/// along each column, nothing beyond the edges, each sum divided down.
QImage blurredByHand(QSize shapeSize, qreal corner, qreal blur, qreal opacity)
{
    const int margin = int(blur);
    QImage shape(shapeSize + QSize(2 * margin, 2 * margin), QImage::Format_ARGB32_Premultiplied);
    shape.fill(Qt::transparent);
    {
        QPainter painter(&shape);
        fillRoundedRect(painter, QRectF(QPointF(margin, margin), QSizeF(shapeSize)), corner,
                        QColor::fromRgbF(0, 0, 0, float(opacity)));
    }
    const int width = shape.width();
    const int height = shape.height();
    std::vector<int> alpha(std::size_t(width * height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            alpha[std::size_t(y * width + x)] = qAlpha(shape.pixel(x, y));
    const int radius = qMax(1, qRound(blur / 3.0));
    const auto box = [&](bool alongRows) {
        const std::vector<int> before = alpha;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                int sum = 0;
                for (int k = -radius; k <= radius; ++k) {
                    const int sx = alongRows ? x + k : x;
                    const int sy = alongRows ? y : y + k;
                    if (sx >= 0 && sx < width && sy >= 0 && sy < height)
                        sum += before[std::size_t(sy * width + sx)];
                }
                alpha[std::size_t(y * width + x)] = sum / (2 * radius + 1);
            }
        }
    };
    for (int pass = 0; pass < 3; ++pass) {
        box(true);
        box(false);
    }
    QImage blurred(width, height, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            blurred.setPixel(x, y, qRgba(0, 0, 0, alpha[std::size_t(y * width + x)]));
    return blurred;
}

} // namespace

TEST(ShadowCache, TheBlurIsExactlyTheBoxesSummedPixelByPixel)
{
    struct Shape {
        QSize size;
        qreal corner, blur, opacity;
    };
    // The last two are narrower than a box: its sums reach past both edges at once.
    for (const Shape& shape : {Shape{QSize(120, 70), 12, 12, 0.16}, Shape{QSize(37, 90), 6, 20, 0.5},
                               Shape{QSize(3, 2), 1, 30, 1.0}, Shape{QSize(1, 1), 0, 9, 0.8}}) {
        SCOPED_TRACE(QStringLiteral("%1x%2 blur %3")
                         .arg(shape.size.width())
                         .arg(shape.size.height())
                         .arg(shape.blur)
                         .toStdString());
        ShadowCache cache;
        const QImage shadow = cache.shadow(shape.size, shape.corner, shape.blur, shape.opacity, 1.0)
                                  .toImage()
                                  .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        EXPECT_EQ(shadow, blurredByHand(shape.size, shape.corner, shape.blur, shape.opacity));
    }
}
