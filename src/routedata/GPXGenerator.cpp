#include "routedata/GPXGenerator.h"

#include "routedata/Geodesy.h"
#include "routedata/LocationValidationError.h"
#include "routedata/RouteSpeedCalculator.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

namespace ostrevin {

namespace {

constexpr qint64 msecsPerDay = 86'400'000;
// Segments this short are rounding noise of a planned route, not movement.
constexpr double shortestPlayedSegmentMeters = 0.05;
constexpr double shortestSegmentSeconds = 0.1;
constexpr double shortestStepSeconds = 0.25;
constexpr double maximumSteps = 24'999;

struct TimedSample {
    Geodesy::Coordinate coordinate;
    qint64 msecsSinceEpoch = 0;
};

void appendDigits(QString& out, long long value, int width)
{
    char16_t digits[20];
    int n = 0;
    do {
        digits[n++] = char16_t(u'0' + value % 10);
        value /= 10;
    } while (value > 0 || n < width);
    while (n > 0)
        out += QChar(digits[--n]);
}

// ISO 8601 in UTC with "Z": whole seconds ("2026-03-01T14:05:09Z") or milliseconds
// ("2026-03-01T14:05:09.250Z"). Whole seconds are cut, not rounded, so times a
// whole number of seconds apart stay that far apart in the text. Written by hand:
// the playback track formats tens of thousands of times per file.
enum class TimePrecision { seconds, milliseconds };

QString isoTime(qint64 msecs, TimePrecision precision)
{
    qint64 days = msecs / msecsPerDay;
    qint64 msOfDay = msecs % msecsPerDay;
    if (msOfDay < 0) {
        msOfDay += msecsPerDay;
        --days;
    }
    const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{days}}};
    QString out;
    out.reserve(24);
    appendDigits(out, int(date.year()), 4);
    out += u'-';
    appendDigits(out, unsigned(date.month()), 2);
    out += u'-';
    appendDigits(out, unsigned(date.day()), 2);
    out += u'T';
    appendDigits(out, msOfDay / 3'600'000, 2);
    out += u':';
    appendDigits(out, msOfDay / 60'000 % 60, 2);
    out += u':';
    appendDigits(out, msOfDay / 1000 % 60, 2);
    if (precision == TimePrecision::milliseconds) {
        out += u'.';
        appendDigits(out, msOfDay % 1000, 3);
    }
    out += u'Z';
    return out;
}

qint64 offsetMsecs(qint64 start, double seconds)
{
    return start + std::llround(seconds * 1000.0);
}

QString coordinateText(double degrees)
{
    return QString::number(degrees, 'f', 6);
}

QString position(const Geodesy::Coordinate& c)
{
    return u"lat=\"" % coordinateText(c.latitude) % u"\" lon=\"" % coordinateText(c.longitude) % u'"';
}

Geodesy::Coordinate coordinate(const RoutePoint& point)
{
    return {point.latitude, point.longitude};
}

QString routeNameText(const QString& routeName)
{
    return GPXGenerator::escaped(routeName.isEmpty() ? QStringLiteral("Ostrevin Route") : routeName);
}

void appendHeader(QString& out, const QString& name)
{
    out += u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           u"<gpx version=\"1.1\" creator=\"Ostrevin\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
           u"  <metadata>\n"
           u"    <name>" %
           name %
           u"</name>\n"
           u"  </metadata>\n";
}

void appendTrack(QString& out, const QString& name, const std::vector<TimedSample>& samples, TimePrecision precision)
{
    out += u"  <trk>\n    <name>" % name % u"</name>\n    <trkseg>\n";
    for (const TimedSample& sample : samples) {
        out += u"      <trkpt " % position(sample.coordinate) % u">\n        <time>" %
               isoTime(sample.msecsSinceEpoch, precision) % u"</time>\n      </trkpt>\n";
    }
    out += u"    </trkseg>\n  </trk>\n</gpx>\n";
}

void requirePoints(const QList<RoutePoint>& points)
{
    if (points.isEmpty())
        throw LocationValidationError(LocationValidationError::Kind::noPoints);
}

// Export times: at least one second per segment, also between identical points,
// so tools that replay the file never see two fixes at the same instant.
std::vector<qint64> timestamps(const QList<RoutePoint>& points, double speedKmh, qint64 start)
{
    const double metersPerSecond = (speedKmh >= 1 ? speedKmh : 1.0) / 3.6;
    std::vector<qint64> times;
    times.reserve(size_t(points.size()));
    double elapsed = 0;
    times.push_back(start);
    for (qsizetype i = 1; i < points.size(); ++i) {
        const double seconds = RouteSpeedCalculator::segmentDistance(points[i - 1], points[i]) / metersPerSecond;
        elapsed += seconds >= 1 ? seconds : 1.0;
        times.push_back(offsetMsecs(start, elapsed));
    }
    return times;
}

std::vector<TimedSample> playbackTrackPoints(const QList<RoutePoint>& points, RouteSpeedProfile profile,
                                             RouteTransportMode mode, double fallbackSpeedKmh, double updateInterval,
                                             qint64 start)
{
    const double total = RouteSpeedCalculator::duration(points, profile, mode, fallbackSpeedKmh);
    double step = shortestStepSeconds;
    if (updateInterval > step)
        step = updateInterval;
    if (total > 0 && total / maximumSteps > step)
        step = total / maximumSteps;

    std::vector<TimedSample> samples;
    samples.reserve(size_t(std::min(total / step, maximumSteps)) + size_t(points.size()) + 1);
    samples.push_back({coordinate(points.front()), start});
    double elapsed = 0;
    for (qsizetype i = 1; i < points.size(); ++i) {
        const Geodesy::Coordinate from = coordinate(points[i - 1]);
        const Geodesy::Coordinate to = coordinate(points[i]);
        const double d = Geodesy::distance(from, to);
        if (!(d > shortestPlayedSegmentMeters))
            continue;
        const double v = RouteSpeedCalculator::speedMetersPerSecond(d, profile, mode, fallbackSpeedKmh);
        const double segmentSeconds = std::max(d / v, shortestSegmentSeconds);
        const auto count = std::max<qint64>(1, qint64(std::ceil(segmentSeconds / step)));
        for (qint64 j = 1; j <= count; ++j) {
            const double f = double(j) / double(count);
            samples.push_back({Geodesy::interpolate(from, to, f), offsetMsecs(start, elapsed + segmentSeconds * f)});
        }
        elapsed += segmentSeconds;
    }
    return samples;
}

} // namespace

QString GPXGenerator::escaped(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        switch (u) {
        case u'&':
            out += u"&amp;";
            break;
        case u'"':
            out += u"&quot;";
            break;
        case u'\'':
            out += u"&apos;";
            break;
        case u'<':
            out += u"&lt;";
            break;
        case u'>':
            out += u"&gt;";
            break;
        case u'\t':
        case u'\n':
        case u'\r':
            out += c;
            break;
        default:
            if (u >= 0x20 && u != 0xFFFE && u != 0xFFFF)
                out += c;
            break;
        }
    }
    return out;
}

QString GPXGenerator::generate(const QList<RoutePoint>& points, double speedKmh, const QString& routeName,
                               const QDateTime& now)
{
    requirePoints(points);
    const QString name = routeNameText(routeName);
    const std::vector<qint64> times = timestamps(points, speedKmh, now.toMSecsSinceEpoch());

    QString out;
    out.reserve(400 + points.size() * 300);
    appendHeader(out, name);
    for (qsizetype i = 0; i < points.size(); ++i) {
        // GPX 1.1 puts a point's time before its name; strict readers refuse the file otherwise.
        out += u"  <wpt " % position(coordinate(points[i])) % u">\n    <time>" %
               isoTime(times[size_t(i)], TimePrecision::seconds) % u"</time>\n    <name>" % escaped(points[i].name) %
               u"</name>\n  </wpt>\n";
    }
    out += u"  <rte>\n    <name>" % name % u"</name>\n";
    for (const RoutePoint& point : points) {
        out += u"    <rtept " % position(coordinate(point)) % u">\n      <name>" % escaped(point.name) %
               u"</name>\n    </rtept>\n";
    }
    out += u"  </rte>\n";

    std::vector<TimedSample> samples;
    samples.reserve(times.size());
    for (qsizetype i = 0; i < points.size(); ++i)
        samples.push_back({coordinate(points[i]), times[size_t(i)]});
    appendTrack(out, name, samples, TimePrecision::seconds);
    return out;
}

QString GPXGenerator::generatePlayback(const QList<RoutePoint>& points, RouteSpeedProfile speedProfile,
                                       RouteTransportMode transportMode, double fallbackSpeedKmh,
                                       const QString& routeName, double updateInterval, const QDateTime& now)
{
    requirePoints(points);
    const std::vector<TimedSample> samples = playbackTrackPoints(points, speedProfile, transportMode, fallbackSpeedKmh,
                                                                 updateInterval, now.toMSecsSinceEpoch());
    QString out;
    out.reserve(300 + qsizetype(samples.size()) * 110);
    appendHeader(out, routeNameText(routeName));
    appendTrack(out, routeNameText(routeName), samples, TimePrecision::milliseconds);
    return out;
}

} // namespace ostrevin
