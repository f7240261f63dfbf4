#include "routedata/RouteMapPresentation.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace ostrevin;
using namespace Qt::StringLiterals;

namespace {

const RoutePoint a{.name = u"A"_s, .latitude = 50, .longitude = 14};
const RoutePoint b{.name = u"B"_s, .latitude = 49, .longitude = 13};

RoutePoint renamed(RoutePoint p, const QString& name)
{
    p.name = name;
    return p;
}

} // namespace

TEST(RouteMapPresentation, StartsAroundPragueReadyForAStart)
{
    RouteMapPresentation map;
    EXPECT_TRUE(map.points().isEmpty());
    EXPECT_FALSE(map.livePoint() || map.heldPoint());
    EXPECT_EQ(map.instruction(), u"Click the map to choose a start"_s);
    EXPECT_TRUE(map.canEdit());
    EXPECT_FALSE(map.showsLockedReason());
    EXPECT_EQ(map.cameraPosition(), (RouteMapPresentation::CameraPosition{{50.0755, 14.4378}, 0.28, 0.34}));
}

TEST(RouteMapPresentation, NotifiesOncePerRealChange)
{
    RouteMapPresentation map;
    QSignalSpy changed(&map, &RouteMapPresentation::changed);
    QSignalSpy camera(&map, &RouteMapPresentation::cameraPositionChanged);

    struct Step {
        const char* name;
        std::function<void()> update;
        int notices;
    };
    const Step steps[] = {
        {"route set",
         [&] {
             map.updateRoute({a, b});
         },
         1},
        {"equal route",
         [&] {
             map.updateRoute({a, b});
         },
         0},
        {"one point renamed",
         [&] {
             map.updateRoute({a, renamed(b, u"C"_s)});
         },
         1},
        {"same coordinates, new identifier",
         [&] {
             map.updateRoute({a, RoutePoint{.name = u"C"_s, .latitude = 49, .longitude = 13}});
         },
         1},
        {"emptied", [&] { map.updateRoute({}); }, 1},
        {"no live point while none", [&] { map.updateLivePoint(std::nullopt); }, 0},
        {"live point", [&] { map.updateLivePoint(a); }, 1},
        {"equal live point", [&] { map.updateLivePoint(RoutePoint(a)); }, 0},
        {"live point renamed", [&] { map.updateLivePoint(renamed(a, u"moved"_s)); }, 1},
        {"held point", [&] { map.updateHeldPoint(b); }, 1},
        {"equal held point", [&] { map.updateHeldPoint(b); }, 0},
        {"held point cleared", [&] { map.updateHeldPoint(std::nullopt); }, 1},
        {"interaction unchanged", [&] { map.updateInteraction(u"Click the map to choose a start"_s, true, false); }, 0},
        {"only locked reason", [&] { map.updateInteraction(u"Click the map to choose a start"_s, true, true); }, 1},
        {"all three", [&] { map.updateInteraction(u"Locked"_s, false, false); }, 1},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        changed.clear();
        s.update();
        EXPECT_EQ(changed.count(), s.notices);
    }
    EXPECT_EQ(camera.count(), 0);
    EXPECT_TRUE(map.points().isEmpty());
    EXPECT_TRUE(map.routeCoordinates().isEmpty());
    EXPECT_EQ(map.instruction(), u"Locked"_s);
    EXPECT_FALSE(map.canEdit());
    EXPECT_FALSE(map.showsLockedReason());

    map.updateRoute({a, b});
    EXPECT_EQ(map.routeCoordinates(), (QList<RouteMapPresentation::Coordinate>{{50, 14}, {49, 13}}));

    // The camera tells its observers of every write, also an equal one.
    const RouteMapPresentation::CameraPosition region{{49.5, 13.5}, 1.45, 1.45};
    map.setCameraPosition(region);
    map.setCameraPosition(region);
    EXPECT_EQ(camera.count(), 2);
    EXPECT_EQ(map.cameraPosition(), region);
}
