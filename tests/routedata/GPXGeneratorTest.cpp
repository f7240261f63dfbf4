#include "routedata/GPXGenerator.h"

#include "routedata/LocationValidationError.h"
#include "support/EquatorRoute.h"

#include <QHash>
#include <QLocale>
#include <QXmlStreamReader>
#include <clocale>
#include <cmath>
#include <gtest/gtest.h>

using namespace ostrevin;

namespace {

using test::equatorPoint;

RoutePoint point(double latitude, double longitude, const QString& name = QStringLiteral("P"))
{
    RoutePoint p;
    p.name = name;
    p.latitude = latitude;
    p.longitude = longitude;
    return p;
}

const QDateTime start = QDateTime::fromString(QStringLiteral("2026-03-01T14:05:09.000Z"), Qt::ISODateWithMs);

struct GpxPoint {
    QString element;
    QString lat;
    QString lon;
    QString name;
    QDateTime time;
};

struct ParsedGpx {
    QStringList names; // metadata, route and track names
    QList<GpxPoint> points;
    QString error;

    QList<GpxPoint> of(const QString& element) const
    {
        QList<GpxPoint> out;
        for (const GpxPoint& p : points) {
            if (p.element == element)
                out.append(p);
        }
        return out;
    }
};

// Reads the document with a real XML parser: anything malformed fails the test.
ParsedGpx parse(const QString& text)
{
    ParsedGpx out;
    QXmlStreamReader xml(text);
    GpxPoint* current = nullptr;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QString element = xml.name().toString();
        if (element == u"wpt" || element == u"rtept" || element == u"trkpt") {
            out.points.append(GpxPoint{element,
                                       xml.attributes().value(QLatin1String("lat")).toString(),
                                       xml.attributes().value(QLatin1String("lon")).toString(),
                                       {},
                                       {}});
            current = &out.points.last();
        } else if (element == u"name") {
            const QString name = xml.readElementText();
            if (current && current->element != u"trkpt")
                current->name = name;
            else
                out.names.append(name);
        } else if (element == u"time" && current) {
            current->time = QDateTime::fromString(xml.readElementText(), Qt::ISODateWithMs);
        } else if (element == u"rte" || element == u"trk") {
            current = nullptr;
        }
    }
    if (xml.hasError())
        out.error = xml.errorString();
    return out;
}

// The whole literal, embedded NUL characters included.
template <size_t N> QString utf16(const char16_t (&text)[N])
{
    return QString::fromUtf16(text, qsizetype(N - 1));
}

qint64 msecsBetween(const GpxPoint& a, const GpxPoint& b)
{
    return a.time.msecsTo(b.time);
}

// Runs a test body with German number formatting as the process default (decimal comma).
class GermanLocale {
public:
    GermanLocale() : m_previous(QLocale())
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    }
    ~GermanLocale()
    {
        QLocale::setDefault(m_previous);
        std::setlocale(LC_NUMERIC, "C");
    }
    GermanLocale(const GermanLocale&) = delete;
    GermanLocale& operator=(const GermanLocale&) = delete;

private:
    QLocale m_previous;
};

// The child elements GPX 1.1's schema allows under each element we write, in the
// order of its xsd:sequence.
const QHash<QString, QStringList>& schemaSequences()
{
    static const QStringList point = {
        QStringLiteral("ele"),         QStringLiteral("time"),          QStringLiteral("magvar"),
        QStringLiteral("geoidheight"), QStringLiteral("name"),          QStringLiteral("cmt"),
        QStringLiteral("desc"),        QStringLiteral("src"),           QStringLiteral("link"),
        QStringLiteral("sym"),         QStringLiteral("type"),          QStringLiteral("fix"),
        QStringLiteral("sat"),         QStringLiteral("hdop"),          QStringLiteral("vdop"),
        QStringLiteral("pdop"),        QStringLiteral("ageofdgpsdata"), QStringLiteral("dgpsid"),
        QStringLiteral("extensions")};
    static const QStringList header = {QStringLiteral("name"), QStringLiteral("cmt"),       QStringLiteral("desc"),
                                       QStringLiteral("src"),  QStringLiteral("link"),      QStringLiteral("number"),
                                       QStringLiteral("type"), QStringLiteral("extensions")};
    static const QHash<QString, QStringList> sequences = {
        {QStringLiteral("gpx"),
         {QStringLiteral("metadata"), QStringLiteral("wpt"), QStringLiteral("rte"), QStringLiteral("trk"),
          QStringLiteral("extensions")}},
        {QStringLiteral("metadata"),
         {QStringLiteral("name"), QStringLiteral("desc"), QStringLiteral("author"), QStringLiteral("copyright"),
          QStringLiteral("link"), QStringLiteral("time"), QStringLiteral("keywords"), QStringLiteral("bounds"),
          QStringLiteral("extensions")}},
        {QStringLiteral("wpt"), point},
        {QStringLiteral("rtept"), point},
        {QStringLiteral("trkpt"), point},
        {QStringLiteral("rte"), header + QStringList{QStringLiteral("rtept")}},
        {QStringLiteral("trk"), header + QStringList{QStringLiteral("trkseg")}},
        {QStringLiteral("trkseg"), {QStringLiteral("trkpt"), QStringLiteral("extensions")}},
    };
    return sequences;
}

// Every element's children against the schema's sequence; the first violation, or empty.
QString schemaOrderViolation(const QString& text)
{
    QXmlStreamReader xml(text);
    struct Open {
        QString name;
        qsizetype position = 0; // index in the sequence of the last child seen
    };
    QList<Open> open;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            open.removeLast();
        } else if (token == QXmlStreamReader::StartElement) {
            const QString name = xml.name().toString();
            if (!open.isEmpty() && schemaSequences().contains(open.last().name)) {
                const qsizetype index = schemaSequences().value(open.last().name).indexOf(name);
                if (index < 0)
                    return name + u" is not allowed in " + open.last().name;
                if (index < open.last().position)
                    return name + u" comes too late in " + open.last().name;
                open.last().position = index;
            }
            open.append({name, 0});
        }
    }
    return xml.hasError() ? xml.errorString() : QString();
}

} // namespace

TEST(GPXGenerator, EmptyRoutesAreRefused)
{
    try {
        GPXGenerator::generate({}, 30, QStringLiteral("x"));
        FAIL() << "no error";
    } catch (const LocationValidationError& e) {
        EXPECT_EQ(e.kind(), LocationValidationError::Kind::noPoints);
    }
    try {
        GPXGenerator::generatePlayback({}, RouteSpeedProfile::normal, RouteTransportMode::automobile, 30,
                                       QStringLiteral("x"), 0.5);
        FAIL() << "no error";
    } catch (const LocationValidationError& e) {
        EXPECT_EQ(e.kind(), LocationValidationError::Kind::noPoints);
    }
}

TEST(GPXGenerator, EscapingKeepsEveryNameWellFormed)
{
    struct Case {
        QString input;
        QString expected;
    } cases[] = {
        {QStringLiteral("Tom & Jerry's \"<Bar>\""), QStringLiteral("Tom &amp; Jerry&apos;s &quot;&lt;Bar&gt;&quot;")},
        {QStringLiteral("&amp;"), QStringLiteral("&amp;amp;")},
        {QStringLiteral("Kavárna ☕ Praha"), QStringLiteral("Kavárna ☕ Praha")},
        {QStringLiteral("line\nbreak\tand\rreturn"), QStringLiteral("line\nbreak\tand\rreturn")},
        {utf16(u"a\u0000b\u0001c\u0008d\u000Be\u000Cf\u000Eg\u001Fh\uFFFEi\uFFFF"), QStringLiteral("abcdefghi")},
        {QString(), QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GPXGenerator::escaped(c.input), c.expected);
}

TEST(GPXGenerator, ExportNamesReadBackExactly)
{
    const QString hostile = utf16(u"Fish & <Chips>\u0007 \"quoted\" it's");
    const QString clean = QStringLiteral("Fish & <Chips> \"quoted\" it's");
    const QList<RoutePoint> route{point(50.0755, 14.4378, QStringLiteral("A & B")), point(50.08, 14.44, hostile)};

    const QString text = GPXGenerator::generate(route, 30, hostile, start);
    const ParsedGpx gpx = parse(text);
    ASSERT_TRUE(gpx.error.isEmpty()) << gpx.error.toStdString();
    EXPECT_EQ(gpx.names, (QStringList{clean, clean, clean}));
    EXPECT_EQ(text.count(QStringLiteral("A &amp; B")), 2); // waypoint and route point, escaped once each
    EXPECT_FALSE(text.contains(QStringLiteral("&amp;amp;")));
    for (const QString& element : {QStringLiteral("wpt"), QStringLiteral("rtept")}) {
        const QList<GpxPoint> points = gpx.of(element);
        ASSERT_EQ(points.size(), 2);
        EXPECT_EQ(points[0].name, QStringLiteral("A & B"));
        EXPECT_EQ(points[1].name, clean);
    }

    for (const QString& emptyName : {QString(), QStringLiteral("")}) {
        EXPECT_EQ(parse(GPXGenerator::generate(route, 30, emptyName, start)).names,
                  (QStringList(3, QStringLiteral("Ostrevin Route"))));
    }
    EXPECT_EQ(parse(GPXGenerator::generate(route, 30, QStringLiteral("  "), start)).names,
              (QStringList(3, QStringLiteral("  "))));
}

TEST(GPXGenerator, ExportIsTimedAtTheRouteSpeedWithOneSecondPerSegmentAtLeast)
{
    GermanLocale german;
    struct Case {
        QList<RoutePoint> route;
        double speedKmh;
        QList<qint64> offsetsMs; // of each point's time after the first
    } cases[] = {
        {{equatorPoint(0), equatorPoint(5)}, 36, {1000}},     // 0.5 s raised to 1 s
        {{equatorPoint(0), equatorPoint(100)}, 0, {360'000}}, // 0 km/h counts as 1 km/h
        {{equatorPoint(0), equatorPoint(0), equatorPoint(1000)}, 36, {1000, 101'000}},
        {{equatorPoint(0)}, 36, {}},
    };
    for (const Case& c : cases) {
        const QString text = GPXGenerator::generate(c.route, c.speedKmh, QStringLiteral("Export"), start);
        const ParsedGpx gpx = parse(text);
        ASSERT_TRUE(gpx.error.isEmpty()) << gpx.error.toStdString();
        const QList<GpxPoint> waypoints = gpx.of(QStringLiteral("wpt"));
        const QList<GpxPoint> track = gpx.of(QStringLiteral("trkpt"));
        ASSERT_EQ(waypoints.size(), c.route.size());
        ASSERT_EQ(track.size(), c.route.size());
        ASSERT_EQ(gpx.of(QStringLiteral("rtept")).size(), c.route.size());
        EXPECT_EQ(waypoints[0].time, start);
        for (qsizetype i = 0; i < c.route.size(); ++i) {
            EXPECT_EQ(waypoints[i].time, track[i].time);
            EXPECT_EQ(waypoints[i].lat, QString::number(c.route[i].latitude, 'f', 6));
            EXPECT_EQ(track[i].lon, QString::number(c.route[i].longitude, 'f', 6));
            if (i > 0) {
                EXPECT_EQ(msecsBetween(waypoints[0], waypoints[i]), c.offsetsMs[i - 1]);
            }
        }
    }
    // Whole seconds only, and the fixed layout of the header.
    const QString text = GPXGenerator::generate({point(-33.5, -70.25)}, 36, QStringLiteral("R"), start);
    EXPECT_TRUE(text.startsWith(
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<gpx version=\"1.1\" creator=\"Ostrevin\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
                       "  <metadata>\n    <name>R</name>\n  </metadata>\n"
                       "  <wpt lat=\"-33.500000\" lon=\"-70.250000\">\n"
                       "    <time>2026-03-01T14:05:09Z</time>\n    <name>P</name>\n  </wpt>\n")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("    </trkseg>\n  </trk>\n</gpx>\n")));
}

TEST(GPXGenerator, PlaybackSamplesFollowTheSpeedModel)
{
    GermanLocale german;
    struct Case {
        const char* what;
        QList<RoutePoint> route;
        RouteTransportMode mode;
        double updateInterval;
        qsizetype samples;
        qint64 firstGapMs;
    } cases[] = {
        // 100 m at 50 km/h: 7.2 s in 15 steps of 0.48 s.
        {"city segment", {equatorPoint(0), equatorPoint(100)}, RouteTransportMode::automobile, 0.5, 16, 480},
        // 3 cm adds nothing; the 100 m after it plays as above.
        {"tiny segment",
         {equatorPoint(0), equatorPoint(0.03), equatorPoint(100.03)},
         RouteTransportMode::automobile,
         0.5,
         16,
         480},
        {"zero-length first segment",
         {equatorPoint(0), equatorPoint(0), equatorPoint(100)},
         RouteTransportMode::automobile,
         0.5,
         16,
         480},
        // 7.44 s on foot; an interval below 0.25 s is raised to it, so 30 steps of 0.248 s.
        {"walking", {equatorPoint(0), equatorPoint(7.44 * 5 / 3.6)}, RouteTransportMode::walking, 0.1, 31, 248},
        {"one point", {equatorPoint(0)}, RouteTransportMode::automobile, 0.5, 1, 0},
        {"all points coincide",
         {equatorPoint(7), equatorPoint(7), equatorPoint(7)},
         RouteTransportMode::automobile,
         0.5,
         1,
         0},
        // A short segment still takes 0.1 s and one sample.
        {"very short segment", {equatorPoint(0), equatorPoint(0.5)}, RouteTransportMode::automobile, 0.5, 2, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString text =
            GPXGenerator::generatePlayback(c.route, RouteSpeedProfile::normal, c.mode, 30,
                                           QStringLiteral("Ostrevin Live Route"), c.updateInterval, start);
        const ParsedGpx gpx = parse(text);
        ASSERT_TRUE(gpx.error.isEmpty()) << gpx.error.toStdString();
        EXPECT_TRUE(gpx.of(QStringLiteral("wpt")).isEmpty());
        EXPECT_TRUE(gpx.of(QStringLiteral("rtept")).isEmpty());
        const QList<GpxPoint> track = gpx.of(QStringLiteral("trkpt"));
        ASSERT_EQ(track.size(), c.samples);
        EXPECT_EQ(track.first().time, start);
        EXPECT_EQ(track.first().lon, QString::number(c.route.first().longitude, 'f', 6));
        EXPECT_EQ(track.last().lon, QString::number(c.route.last().longitude, 'f', 6));
        for (qsizetype i = 1; i < track.size(); ++i)
            EXPECT_EQ(msecsBetween(track[i - 1], track[i]), c.firstGapMs) << i;
    }
}

TEST(GPXGenerator, PlaybackTimesCarryMilliseconds)
{
    const QString text = GPXGenerator::generatePlayback({equatorPoint(0), equatorPoint(100)}, RouteSpeedProfile::normal,
                                                        RouteTransportMode::automobile, 30, QString(), 0.5, start);
    EXPECT_TRUE(text.contains(QStringLiteral("        <time>2026-03-01T14:05:09.000Z</time>\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("        <time>2026-03-01T14:05:09.480Z</time>\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("        <time>2026-03-01T14:05:16.200Z</time>\n      </trkpt>\n"
                                             "    </trkseg>\n")));
}

TEST(GPXGenerator, LongPlaybackTracksStayNearTwentyFiveThousandSamples)
{
    // 69,444.4 m on foot at 5 km/h take 50,000 s: the step grows to 50,000 / 24,999 s.
    const QList<RoutePoint> route{equatorPoint(0), equatorPoint(50'000 * 5 / 3.6)};
    const ParsedGpx gpx = parse(GPXGenerator::generatePlayback(route, RouteSpeedProfile::normal,
                                                               RouteTransportMode::walking, 30, QString(), 0.5, start));
    ASSERT_TRUE(gpx.error.isEmpty()) << gpx.error.toStdString();
    const QList<GpxPoint> track = gpx.of(QStringLiteral("trkpt"));
    EXPECT_GE(track.size(), 25'000);
    EXPECT_LE(track.size(), 25'001);
    EXPECT_NEAR(double(msecsBetween(track[0], track[1])), 50'000'000.0 / 24'999, 1.0);
    EXPECT_EQ(msecsBetween(track.first(), track.last()), 50'000'000);
}

TEST(GPXGenerator, PlaybackAcrossTheAntimeridianStaysNearIt)
{
    for (const auto& [from, to] : {std::pair{179.9, -179.9}, std::pair{-179.95, 179.85}}) {
        const QList<RoutePoint> route{point(10, from), point(10.01, to)};
        const ParsedGpx gpx = parse(GPXGenerator::generatePlayback(
            route, RouteSpeedProfile::normal, RouteTransportMode::automobile, 30, QString(), 0.5, start));
        ASSERT_TRUE(gpx.error.isEmpty());
        const QList<GpxPoint> track = gpx.of(QStringLiteral("trkpt"));
        // About 22 km at 90 km/h: some 1,750 samples, none of them far from the meridian.
        ASSERT_GT(track.size(), 1000);
        for (const GpxPoint& sample : track) {
            bool ok = false;
            const double longitude = sample.lon.toDouble(&ok);
            ASSERT_TRUE(ok);
            ASSERT_GE(std::abs(longitude), 179.8) << sample.lon.toStdString();
            ASSERT_LE(std::abs(longitude), 180.0) << sample.lon.toStdString();
        }
        EXPECT_EQ(track.last().lon, QString::number(to, 'f', 6));
    }
}

TEST(GPXGenerator, EveryElementFollowsTheSchemaOrder)
{
    const QList<RoutePoint> route = {point(50, 14, QStringLiteral("Start")),
                                     point(50.01, 14.01, QStringLiteral("End"))};
    const QString exported = GPXGenerator::generate(route, 36, QStringLiteral("R"), start);
    const QString played = GPXGenerator::generatePlayback(route, RouteSpeedProfile::normal, RouteTransportMode::walking,
                                                          5, QStringLiteral("R"), 1, start);
    for (const QString& text : {exported, played}) {
        EXPECT_EQ(schemaOrderViolation(text), QString());
        EXPECT_TRUE(text.contains(u"<trkpt"));
    }
    EXPECT_TRUE(exported.contains(u"<wpt") && exported.contains(u"<rtept"));
}
