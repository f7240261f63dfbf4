// Figures for the route playback paths: building the playback track of a long
// route, and the travel time and distance covered that playback asks for once a
// second. Prints figures only; nothing here asserts a time.

#include "routedata/GPXGenerator.h"
#include "routedata/RouteSpeedCalculator.h"

#include <QCoreApplication>
#include <QTextStream>
#include <chrono>
#include <cmath>

using namespace ostrevin;

namespace {

using Clock = std::chrono::steady_clock;

// A winding drive through Prague's latitude, about 120 m between points.
QList<RoutePoint> route(int count)
{
    QList<RoutePoint> points;
    points.reserve(count);
    for (int i = 0; i < count; ++i) {
        RoutePoint p;
        p.name = QStringLiteral("Point %1").arg(i);
        p.latitude = 50.0 + 0.0008 * i + 0.0004 * std::sin(i * 0.1);
        p.longitude = 14.4 + 0.0010 * std::cos(i * 0.05);
        points.append(p);
    }
    return points;
}

double microsecondsSince(Clock::time_point start, int calls)
{
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / calls;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);

    const QList<RoutePoint> longRoute = route(10'000);
    const auto profile = RouteSpeedProfile::normal;
    const auto mode = RouteTransportMode::automobile;

    int runs = 5;
    qsizetype samples = 0;
    qsizetype bytes = 0;
    auto start = Clock::now();
    for (int i = 0; i < runs; ++i) {
        const QString gpx =
            GPXGenerator::generatePlayback(longRoute, profile, mode, 50, QStringLiteral("Ostrevin Live Route"), 0.5);
        samples = gpx.count(QStringLiteral("<trkpt "));
        bytes = gpx.toUtf8().size();
    }
    const double trackMicros = microsecondsSince(start, runs);
    out << "playback track, 10,000 points: " << samples << " samples, " << bytes / 1024 << " KiB, "
        << qRound64(trackMicros) << " us per track, " << qRound64(samples / (trackMicros / 1e6)) << " samples/s\n";

    const QList<RoutePoint> playedRoute = route(1'000);
    runs = 200;
    double sink = 0;
    start = Clock::now();
    for (int i = 0; i < runs; ++i)
        sink += RouteSpeedCalculator::duration(playedRoute, profile, mode, 50);
    out << "duration, 1,000 points: " << microsecondsSince(start, runs) << " us per call\n";

    const double total = RouteSpeedCalculator::duration(playedRoute, profile, mode, 50);
    start = Clock::now();
    for (int i = 0; i < runs; ++i)
        sink += RouteSpeedCalculator::traveledDistance(playedRoute, total * i / runs, profile, mode, 50);
    out << "traveledDistance, 1,000 points: " << microsecondsSince(start, runs) << " us per call"
        << " (route " << qRound64(total) << " s)\n";
    return sink > 0 ? 0 : 1;
}
