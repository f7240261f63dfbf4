#include "routedata/CoordinateParser.h"

#include "routedata/LocationValidationError.h"
#include "routedata/RouteDataNormalizer.h"

#include <gtest/gtest.h>

using namespace ostrevin;
using namespace Qt::StringLiterals;

TEST(CoordinateParser, AcceptedForms)
{
    struct Case {
        QString text;
        double latitude;
        double longitude;
    };
    const Case cases[] = {
        {u"50.0755, 14.4378"_s, 50.0755, 14.4378},
        {u"50.0755 14.4378"_s, 50.0755, 14.4378},
        {u"50.0755;14.4378"_s, 50.0755, 14.4378},
        {u"  50.0755 ,\t14.4378  "_s, 50.0755, 14.4378},
        {u"+50, +14"_s, 50, 14},
        {u"-33.86, -0.1278"_s, -33.86, -0.1278},
        {u"50.0755° N, 14.4378° E"_s, 50.0755, 14.4378},
        {u"33.86 S 151.21 E"_s, -33.86, 151.21},
        {u"40.7 n, 74.0 w"_s, 40.7, -74.0},
        {u"-50 S, 10"_s, -50, 10},
        {u"-50 N, 10"_s, -50, 10},
        {u"90, 180"_s, 90, 180},
        {u"-90, -180"_s, -90, -180},
        {u"0 0"_s, 0, 0},
        // Pasted from web pages: no-break and narrow no-break spaces.
        {u"50.0755\u00A014.4378"_s, 50.0755, 14.4378},
        {u"\u202F50.1°\u00A0N,\u202F14.4°\u2009E\u00A0"_s, 50.1, 14.4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const std::optional<CoordinateParser::Result> r = CoordinateParser::parse(c.text);
        ASSERT_TRUE(r.has_value());
        EXPECT_EQ(*r, (CoordinateParser::Result{c.latitude, c.longitude}));
    }
}

TEST(CoordinateParser, TextThatIsNoCoordinatePairGivesNothing)
{
    const QString cases[] = {
        u"Prague"_s,
        u""_s,
        u"50.0755,, 14.4378"_s,
        u"1234, 10"_s,
        u"50.0755"_s,
        u"50.0755, 14.4378, 3"_s,
        u"50., 14"_s,
        u".5, 14"_s,
        u"50.1 E, 14.4 N"_s,
        u"50.1 X, 14.4"_s,
        u"٥٠, ١٤"_s,     // Arabic-Indic digits
        u"５０, １４"_s, // full-width digits
        u"50, 1٤"_s,
        u"50\u00A0,\u00A014 junk"_s,
        u"+-50, 14"_s,
        // Longer than any coordinate pair: refused before the pattern runs.
        u"50,"_s + QString(1000, u' ') + u"14"_s,
        QString(300, u' ') + u"50, 14"_s,
    };
    for (const QString& text : cases) {
        SCOPED_TRACE(text.toStdString());
        std::optional<CoordinateParser::Result> r;
        ASSERT_NO_THROW(r = CoordinateParser::parse(text));
        EXPECT_FALSE(r.has_value());
    }
}

TEST(CoordinateParser, OutOfRangePairsFailWithTheirError)
{
    struct Case {
        QString text;
        LocationValidationError::Kind kind;
    };
    const Case cases[] = {
        {u"91, 10"_s, LocationValidationError::Kind::invalidLatitude},
        {u"90.0001 S, 10"_s, LocationValidationError::Kind::invalidLatitude},
        {u"45, 181"_s, LocationValidationError::Kind::invalidLongitude},
        {u"45, 180.5 W"_s, LocationValidationError::Kind::invalidLongitude},
        {u"999, 999"_s, LocationValidationError::Kind::invalidLatitude},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        try {
            CoordinateParser::parse(c.text);
            ADD_FAILURE() << "no error";
        } catch (const LocationValidationError& e) {
            EXPECT_EQ(e.kind(), c.kind);
        }
    }
}

TEST(RouteDataNormalizer, DropsPointsWithinToleranceOfTheLastKeptPoint)
{
    const RoutePoint a{.name = u"A"_s, .latitude = 50, .longitude = 14};
    auto near = [&](double offset, const char* name) {
        return RoutePoint{.name = QString::fromLatin1(name), .latitude = 50 + offset, .longitude = 14 + offset};
    };
    const RoutePoint b{.name = u"B"_s, .latitude = 51, .longitude = 15};
    const RoutePoint close = near(0.0000005, "close");
    const RoutePoint apart = near(0.000002, "apart");
    // Only the latitude moved beyond the tolerance: the point stays.
    const RoutePoint creepEnd = near(0.0000012, "c3");
    const RoutePoint latOnly{.name = u"lat"_s, .latitude = 50.00001, .longitude = 14};

    struct Case {
        const char* name;
        QList<RoutePoint> input;
        QList<RoutePoint> expected;
    };
    const Case cases[] = {
        {"empty", {}, {}},
        {"one point", {a}, {a}},
        {"within tolerance", {a, close, b}, {a, b}},
        {"beyond tolerance", {a, apart, b}, {a, apart, b}},
        {"one coordinate beyond", {a, latOnly}, {a, latOnly}},
        {"creep measured from the last kept point",
         {a, near(0.0000006, "c1"), near(0.0000009, "c2"), creepEnd},
         {a, creepEnd}},
        {"not adjacent repeats stay", {a, b, a}, {a, b, a}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RouteDataNormalizer::deduplicatedAdjacentPoints(c.input, 1e-6), c.expected);
    }
}
