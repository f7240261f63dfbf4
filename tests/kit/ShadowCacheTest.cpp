#include "views/kit/ShadowCache.h"

#include <QImage>
#include <gtest/gtest.h>

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
