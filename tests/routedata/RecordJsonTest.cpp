#include "routedata/JsonListCodec.h"
#include "routedata/MapStylePreference.h"
#include "routedata/MeasurementUnits.h"
#include "routedata/PresetLocation.h"
#include "routedata/RouteHistoryItem.h"
#include "routedata/SavedLocation.h"
#include "routedata/SavedRoute.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <limits>

using namespace ostrevin;
using namespace Qt::StringLiterals;

namespace {

const QDateTime when(QDate(2026, 3, 14), QTime(9, 26, 53), Qt::UTC);

RoutePoint point(const QString& name, double lat, double lon)
{
    return RoutePoint{.name = name, .latitude = lat, .longitude = lon};
}

QByteArray historyEntry(const char* overrides)
{
    // A valid history entry whose fields can be replaced by appending keys
    // (the parser keeps the last duplicate), or removed by "-key".
    QByteArray base =
        R"({"createdAt":"2026-03-14T09:26:53Z","id":"6F1C2D0E-8B3A-4C55-9E21-0A1B2C3D4E5F",)"
        R"("points":[{"id":"11111111-2222-3333-4444-555555555555","latitude":50.1,"longitude":14.4,)"
        R"("name":"Start"}],"speedKmh":25,"speedProfile":"normal","title":"Trip","transportMode":"walking")";
    QByteArray extra(overrides);
    if (extra.startsWith('-')) {
        QJsonObject o = QJsonDocument::fromJson(base + '}').object();
        o.remove(QString::fromLatin1(extra.mid(1)));
        return '[' + QJsonDocument(o).toJson(QJsonDocument::Compact) + ']';
    }
    return '[' + base + (extra.isEmpty() ? QByteArray() : ',' + extra) + "}]";
}

} // namespace

TEST(RecordJson, ListsRoundTripWithSortedKeysAndWholeSecondUtcDates)
{
    const SavedRoute route{.name = u"Tab \t \"quoted\" \\ back – Plzeň \x01"_s,
                           .createdAt = when.addMSecs(250),
                           .speedKmh = 42.5,
                           .speedProfile = RouteSpeedProfile::extreme,
                           .transportMode = RouteTransportMode::walking,
                           .points = {point(u"A"_s, 50.0755, 14.4378), point(u"B"_s, -33.86, -0.1278)}};
    const QByteArray bytes = JsonListCodec::encode(QList<SavedRoute>{route});

    EXPECT_TRUE(bytes.contains("\"createdAt\": \"2026-03-14T09:26:53Z\""));
    const qsizetype order[] = {bytes.indexOf("\"createdAt\""),    bytes.indexOf("\"id\""),
                               bytes.indexOf("\"name\": \"Tab"),  bytes.indexOf("\"points\""),
                               bytes.indexOf("\"speedKmh\""),     bytes.indexOf("\"speedProfile\""),
                               bytes.indexOf("\"transportMode\"")};
    EXPECT_TRUE(std::is_sorted(std::begin(order), std::end(order)));
    EXPECT_LT(bytes.indexOf(QByteArray(QByteArray("\"id\": \"") +
                                       route.points[0].id.toByteArray(QUuid::WithoutBraces).toUpper())),
              bytes.indexOf("\"latitude\": 50.0755"));

    const QList<SavedRoute> back = JsonListCodec::decode<SavedRoute>(bytes);
    ASSERT_EQ(back.size(), 1);
    SavedRoute expected = route;
    expected.createdAt = when; // the file keeps whole seconds
    EXPECT_EQ(back[0], expected);

    const SavedLocation location{.name = u"Home"_s, .createdAt = when, .point = point(u"Home"_s, 1, 2)};
    EXPECT_EQ(JsonListCodec::decode<SavedLocation>(JsonListCodec::encode(QList<SavedLocation>{location})),
              QList<SavedLocation>{location});
    const RouteHistoryItem item{.title = u"T"_s, .createdAt = when, .speedKmh = 5, .points = {point(u"P"_s, 0, 0)}};
    const QByteArray historyBytes = JsonListCodec::encode(QList<RouteHistoryItem>{item});
    EXPECT_LT(historyBytes.indexOf("\"speedProfile\""), historyBytes.indexOf("\"title\""));
    EXPECT_EQ(JsonListCodec::decode<RouteHistoryItem>(historyBytes), QList<RouteHistoryItem>{item});

    EXPECT_EQ(JsonListCodec::encode(QList<SavedRoute>{}), QByteArray("[]\n"));
    EXPECT_TRUE(JsonListCodec::decode<SavedRoute>("[]").isEmpty());
}

TEST(RecordJson, AcceptedFormsAndDefaults)
{
    struct Case {
        const char* name;
        QByteArray json;
        RouteSpeedProfile profile;
        RouteTransportMode mode;
    };
    const Case cases[] = {
        {"as written", historyEntry(""), RouteSpeedProfile::normal, RouteTransportMode::walking},
        {"no profile", historyEntry("-speedProfile"), RouteSpeedProfile::normal, RouteTransportMode::walking},
        {"null profile", historyEntry(R"("speedProfile":null)"), RouteSpeedProfile::normal,
         RouteTransportMode::walking},
        {"no mode", historyEntry("-transportMode"), RouteSpeedProfile::normal, RouteTransportMode::automobile},
        {"null mode", historyEntry(R"("transportMode":null)"), RouteSpeedProfile::normal,
         RouteTransportMode::automobile},
        {"tram", historyEntry(R"("transportMode":"tram")"), RouteSpeedProfile::normal, RouteTransportMode::transit},
        {"bus", historyEntry(R"("transportMode":"bus")"), RouteSpeedProfile::normal, RouteTransportMode::transit},
        {"train", historyEntry(R"("transportMode":"train")"), RouteSpeedProfile::normal, RouteTransportMode::transit},
        {"any", historyEntry(R"("transportMode":"any")"), RouteSpeedProfile::normal, RouteTransportMode::any},
        {"fast", historyEntry(R"("speedProfile":"fast")"), RouteSpeedProfile::fast, RouteTransportMode::walking},
        {"lower-case uuid", historyEntry(R"("id":"6f1c2d0e-8b3a-4c55-9e21-0a1b2c3d4e5f")"), RouteSpeedProfile::normal,
         RouteTransportMode::walking},
        {"unknown key", historyEntry(R"("colour":"red")"), RouteSpeedProfile::normal, RouteTransportMode::walking},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QList<RouteHistoryItem> items;
        ASSERT_NO_THROW(items = JsonListCodec::decode<RouteHistoryItem>(c.json));
        ASSERT_EQ(items.size(), 1);
        EXPECT_EQ(items[0].speedProfile, c.profile);
        EXPECT_EQ(items[0].transportMode, c.mode);
        EXPECT_EQ(items[0].id, QUuid(u"6F1C2D0E-8B3A-4C55-9E21-0A1B2C3D4E5F"_s));
        EXPECT_EQ(items[0].createdAt, when);
    }
    // "tram" is written back as "transit".
    const QByteArray rewritten =
        JsonListCodec::encode(JsonListCodec::decode<RouteHistoryItem>(historyEntry(R"("transportMode":"tram")")));
    EXPECT_TRUE(rewritten.contains("\"transportMode\": \"transit\""));
    EXPECT_FALSE(rewritten.contains("tram"));
}

TEST(RecordJson, EveryBadValueMakesTheWholeListUnreadable)
{
    struct Case {
        const char* name;
        QByteArray json;
    };
    const Case cases[] = {
        {"not json", "[{"},
        {"object, not array", "{}"},
        {"entry not an object", "[1]"},
        {"unknown profile", historyEntry(R"("speedProfile":"turbo")")},
        {"profile in other case", historyEntry(R"("speedProfile":"Normal")")},
        {"mode of wrong type", historyEntry(R"("transportMode":3)")},
        {"missing title", historyEntry("-title")},
        {"missing createdAt", historyEntry("-createdAt")},
        {"missing speed", historyEntry("-speedKmh")},
        {"missing points", historyEntry("-points")},
        {"speed as text", historyEntry(R"("speedKmh":"25")")},
        {"latitude as text",
         historyEntry(
             R"("points":[{"id":"11111111-2222-3333-4444-555555555555","latitude":"50.1","longitude":1,"name":"x"}])")},
        {"point without name",
         historyEntry(R"("points":[{"id":"11111111-2222-3333-4444-555555555555","latitude":1,"longitude":1}])")},
        {"null title", historyEntry(R"("title":null)")},
        {"braced uuid", historyEntry(R"("id":"{6F1C2D0E-8B3A-4C55-9E21-0A1B2C3D4E5F}")")},
        {"uuid without hyphens", historyEntry(R"("id":"6F1C2D0E8B3A4C559E210A1B2C3D4E5F")")},
        {"uuid with bad digit", historyEntry(R"("id":"6F1C2D0E-8B3A-4C55-9E21-0A1B2C3D4E5G")")},
        {"fractional seconds", historyEntry(R"("createdAt":"2026-03-14T09:26:53.5Z")")},
        {"offset", historyEntry(R"("createdAt":"2026-03-14T09:26:53+01:00")")},
        {"no zone", historyEntry(R"("createdAt":"2026-03-14T09:26:53")")},
        {"lower-case z", historyEntry(R"("createdAt":"2026-03-14T09:26:53z")")},
        {"impossible day", historyEntry(R"("createdAt":"2026-02-30T09:26:53Z")")},
        {"date as number", historyEntry(R"("createdAt":1)")},
        {"non-ascii digit", historyEntry(R"("createdAt":"2026-03-14T09:26:5٣Z")")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(JsonListCodec::decode<RouteHistoryItem>(c.json), JsonCodingError);
    }
    // Saved locations require every key, including createdAt.
    EXPECT_THROW(
        JsonListCodec::decode<SavedLocation>(
            R"([{"id":"11111111-2222-3333-4444-555555555555","name":"x","point":{"id":"11111111-2222-3333-4444-555555555555","latitude":1,"longitude":2,"name":"x"}}])"),
        JsonCodingError);
}

TEST(RecordJson, NonFiniteNumbersAreNeverWritten)
{
    const double bad[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity()};
    for (double v : bad) {
        SavedRoute speed{.createdAt = when, .speedKmh = v};
        EXPECT_THROW(JsonListCodec::encode(QList<SavedRoute>{speed}), JsonCodingError);
        SavedLocation lat{.createdAt = when, .point = point(u"x"_s, v, 0)};
        EXPECT_THROW(JsonListCodec::encode(QList<SavedLocation>{lat}), JsonCodingError);
        RouteHistoryItem lon{.createdAt = when, .points = {point(u"x"_s, 0, 0), point(u"y"_s, 0, v)}};
        EXPECT_THROW(JsonListCodec::encode(QList<RouteHistoryItem>{lon}), JsonCodingError);
        EXPECT_THROW(point(u"x"_s, v, v).toJsonBytes(), JsonCodingError);
    }
    EXPECT_THROW(JsonListCodec::encode(QList<SavedLocation>{{.createdAt = QDateTime()}}), JsonCodingError);
}

TEST(RecordJson, NamesWithLoneSurrogatesAreWrittenBackAsRead)
{
    // Qt's parser accepts an escaped surrogate without its partner; the file must
    // keep it (a paired one stays a plain character).
    const QByteArray cases[] = {R"(A\ud800B)", R"(\udc00)", R"(end \udbff)", R"(\udc00\ud800)", R"(😀 \ud83d\ude00)"};
    for (const QByteArray& escaped : cases) {
        SCOPED_TRACE(escaped.constData());
        const QByteArray file = R"([{"createdAt":"2026-03-14T09:26:53Z","id":"6F1C2D0E-8B3A-4C55-9E21-0A1B2C3D4E5F",)"
                                R"("name":")" +
                                escaped +
                                R"(","point":{"id":"11111111-2222-3333-4444-555555555555",)"
                                R"("latitude":1,"longitude":2,"name":"P"}}])";
        const QList<SavedLocation> read = JsonListCodec::decode<SavedLocation>(file);
        ASSERT_EQ(read.size(), 1);
        const QList<SavedLocation> again = JsonListCodec::decode<SavedLocation>(JsonListCodec::encode(read));
        EXPECT_EQ(again[0].name, read[0].name);
        EXPECT_FALSE(again[0].name.contains(u'?'));
    }
}

TEST(RecordJson, HeldPointBytesRoundTrip)
{
    const RoutePoint p = point(u"Held"_s, -12.5, 179.999999);
    EXPECT_EQ(RoutePoint::fromJsonBytes(p.toJsonBytes()), p);
    EXPECT_THROW(RoutePoint::fromJsonBytes("[]"), JsonCodingError);
    EXPECT_THROW(RoutePoint::fromJsonBytes("nonsense"), JsonCodingError);
}

TEST(RecordValues, EqualityComparesEveryField)
{
    const RoutePoint a = point(u"A"_s, 1, 2);
    RoutePoint renamed = a;
    renamed.name = u"B"_s;
    RoutePoint otherId = a;
    otherId.id = QUuid::createUuid();
    EXPECT_NE(a, renamed);
    EXPECT_NE(a, otherId);
    EXPECT_EQ(a, RoutePoint(a));
}

TEST(RecordValues, EnumerationsReadOnlyTheirExactRawStrings)
{
    EXPECT_EQ(fromRaw<MeasurementUnits>(u"miles"), MeasurementUnits::miles);
    EXPECT_EQ(fromRaw<MeasurementUnits>(u"Miles"), std::nullopt);
    EXPECT_EQ(fromRaw<MapStylePreference>(u"Hybrid"), std::nullopt);
    EXPECT_EQ(fromRaw<RouteTransportMode>(u"tram"), RouteTransportMode::tram);
    for (RouteTransportMode m : allCases<RouteTransportMode>())
        EXPECT_EQ(fromRaw<RouteTransportMode>(toRaw(m)), m);
    EXPECT_EQ(planningModes,
              (std::array{RouteTransportMode::automobile, RouteTransportMode::walking, RouteTransportMode::transit}));

    const QList<PresetLocation> presets = PresetLocation::defaults();
    QStringList names;
    for (const PresetLocation& p : presets)
        names << p.name;
    EXPECT_EQ(names, (QStringList{u"Prague"_s, u"Pilsen"_s, u"Rome"_s, u"Milan"_s, u"Berlin"_s, u"London"_s}));
    EXPECT_LT(presets.back().longitude, 0);
}
