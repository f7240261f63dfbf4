#include "views/common/MapMark.h"

#include "views/common/MapMarkPainter.h"
#include "views/common/MapPin.h"
#include "views/kit/Brand.h"
#include "views/map/RouteMapView.h"

#include <QImage>
#include <gtest/gtest.h>

namespace ostrevin {
namespace {

RoutePoint at(double latitude, double longitude, const QString& name = QStringLiteral("P"))
{
    RoutePoint point;
    point.name = name;
    point.latitude = latitude;
    point.longitude = longitude;
    return point;
}

QList<RoutePoint> draft(int count)
{
    QList<RoutePoint> points;
    for (int i = 0; i < count; ++i)
        points.append(at(50 + i * 0.01, 14 + i * 0.01, QString::number(i)));
    return points;
}

QList<MapMark::Kind> kinds(const QList<MapMark>& marks)
{
    QList<MapMark::Kind> result;
    for (const MapMark& mark : marks)
        result.append(mark.kind);
    return result;
}

TEST(MapMark, MarksPerDraftSize)
{
    using K = MapMark::Kind;
    struct Case {
        int points;
        int waypoints;
    };
    EXPECT_TRUE(MapMark::forDraft({}, std::nullopt, std::nullopt).isEmpty());
    EXPECT_EQ(kinds(MapMark::forDraft(draft(1), std::nullopt, std::nullopt)), QList<K>{K::place});
    for (const Case c : {Case{2, 0}, Case{3, 1}, Case{24, 22}, Case{25, 0}, Case{300, 0}}) {
        SCOPED_TRACE(c.points);
        const QList<RoutePoint> points = draft(c.points);
        const QList<MapMark> marks = MapMark::forDraft(points, std::nullopt, std::nullopt);
        ASSERT_EQ(marks.size(), c.waypoints + 2);
        EXPECT_EQ(marks.first().kind, K::start);
        EXPECT_EQ(marks.first().point, points.first());
        EXPECT_EQ(marks.last().kind, K::destination);
        EXPECT_EQ(marks.last().point, points.last());
        for (int i = 1; i <= c.waypoints; ++i) {
            EXPECT_EQ(marks[i].kind, K::waypoint);
            EXPECT_EQ(marks[i].point, points[i]);
        }
    }
}

TEST(MapMark, LiveStateAndBeacon)
{
    const QList<RoutePoint> route = draft(3);
    const RoutePoint& destination = route.last();
    struct Case {
        const char* name;
        QList<RoutePoint> points;
        std::optional<RoutePoint> live;
        std::optional<RoutePoint> held;
        bool destinationLive;
        bool beacon;
    };
    const QList<Case> cases{
        {"nothing held", route, std::nullopt, std::nullopt, false, false},
        {"live on the destination", route, destination, std::nullopt, true, false},
        {"live on the start: the start stays plain", route, route.first(), std::nullopt, false, true},
        {"live on a waypoint", route, route[1], std::nullopt, false, true},
        {"held only", route, std::nullopt, destination, true, false},
        {"live wins over held", route, route.first(), destination, false, true},
        {"bound included", route, at(destination.latitude + 1e-6, destination.longitude - 1e-6), std::nullopt, true,
         false},
        {"just past the bound in latitude", route, at(destination.latitude + 1.0001e-6, destination.longitude),
         std::nullopt, false, true},
        {"just past the bound in longitude", route, at(destination.latitude, destination.longitude + 1.0001e-6),
         std::nullopt, false, true},
        {"one point held",
         {destination},
         std::nullopt,
         at(destination.latitude, destination.longitude, QStringLiteral("other")),
         true,
         false},
        {"no draft, held elsewhere", {}, std::nullopt, destination, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QList<MapMark> marks = MapMark::forDraft(c.points, c.live, c.held);
        if (!marks.isEmpty()) {
            EXPECT_EQ(marks.last().isLive, c.destinationLive);
        }
        for (qsizetype i = 0; i + 1 < marks.size(); ++i)
            EXPECT_FALSE(marks[i].isLive);
        EXPECT_EQ(MapMark::beacon(marks, c.live, c.held).has_value(), c.beacon);
    }
}

TEST(MapMarkPainter, PinOutline)
{
    const QPainterPath pin = MapMarkPainter::pinPath(QRectF(0, 0, 26, 34));
    const QRectF bounds = pin.boundingRect();
    EXPECT_NEAR(bounds.top(), 0, 1e-6);
    EXPECT_NEAR(bounds.left(), 0, 1e-6);
    EXPECT_NEAR(bounds.right(), 26, 1e-6);
    EXPECT_NEAR(bounds.bottom(), 34, 1e-6);
    // The head is round about (13, 13); the sides leave it at 40° and 140° below.
    EXPECT_TRUE(pin.contains(QPointF(13, 13)));
    EXPECT_TRUE(pin.contains(QPointF(13, 1)));
    EXPECT_TRUE(pin.contains(QPointF(13, 32)));
    EXPECT_FALSE(pin.contains(QPointF(4, 28)));
    EXPECT_FALSE(pin.contains(QPointF(22, 28)));
    const QPointF start = pin.elementAt(0);
    EXPECT_NEAR(start.x(), 22.96, 0.01);
    EXPECT_NEAR(start.y(), 21.36, 0.01);
    const QPointF tip = pin.pointAtPercent(1.0 - 1e-9);
    EXPECT_NEAR(tip.y(), 21.36, 0.05);
}

TEST(MapPin, HeadShowsWhetherTheIPhoneIsThere)
{
    for (const bool live : {false, true}) {
        SCOPED_TRACE(live);
        MapPin pin(live ? MapPin::Head::live : MapPin::Head::plain);
        const QImage image = pin.grab().toImage();
        // The head's centre lies 13 below the frame's top, the frame 5 inside the widget.
        const QPoint head(pin.width() / 2, int(MapMarkPainter::shadowMargin) + 13);
        const QColor expected = live ? kit::Brand::current().ready : QColor(Qt::white);
        EXPECT_EQ(image.pixelColor(head).rgb(), expected.rgb());
        // The ring around the dot is white either way, the rim of the head the accent.
        EXPECT_EQ(image.pixelColor(head + QPoint(6, 0)).rgb(), QColor(Qt::white).rgb());
        EXPECT_EQ(image.pixelColor(head + QPoint(10, 0)).rgb(), kit::Brand::current().accent.rgb());
    }
}

TEST(RouteMapView, BannerTexts)
{
    const QString instruction = QStringLiteral("Click the map to choose a destination");
    const QString choose = QStringLiteral("Choose a place on the map.");
    struct Case {
        bool canEdit;
        bool showsLockedReason;
        AppSection section;
        bool hasPoints;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        {true, false, AppSection::place, false, choose},        {true, true, AppSection::place, false, choose},
        {true, false, AppSection::place, true, std::nullopt},   {true, false, AppSection::route, false, instruction},
        {true, false, AppSection::route, true, instruction},    {true, false, AppSection::saved, false, std::nullopt},
        {true, false, AppSection::history, true, std::nullopt}, {false, true, AppSection::place, true, instruction},
        {false, true, AppSection::saved, false, instruction},   {false, false, AppSection::route, true, std::nullopt},
        {false, false, AppSection::place, false, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.canEdit << c.showsLockedReason << int(c.section) << c.hasPoints);
        EXPECT_EQ(RouteMapView::bannerText(c.canEdit, c.showsLockedReason, c.section, c.hasPoints, instruction),
                  c.expected);
    }
}

} // namespace
} // namespace ostrevin
