// Decoding and thinning of a directions reply with 5 alternatives of 20,000
// coordinates each, against a bare QJsonDocument parse of the same bytes.

#include "../support/BestOf.h"
#include "planner/OsrmDirectionsService.h"
#include "planner/PlannedRoutes.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <iomanip>
#include <iostream>

using namespace ostrevin;

namespace {

constexpr int routeCount = 5;
constexpr int coordinatesPerRoute = 20000;
constexpr int stepsPerRoute = 300;
constexpr int rounds = 7;

// Shaped like a real reply: six decimals, a step every ~70 coordinates with an
// intersection list, leg summaries.
QByteArray makeReply()
{
    QByteArray body = R"({"code":"Ok","waypoints":[],"routes":[)";
    for (int r = 0; r < routeCount; ++r) {
        if (r > 0)
            body += ',';
        body += R"({"distance":)" + QByteArray::number(120000 + r * 3100) + R"(,"duration":)" +
                QByteArray::number(5400 + r * 97.5, 'f', 1) + R"(,"weight":1,"weight_name":"routability",)";
        body += R"("geometry":{"type":"LineString","coordinates":[)";
        for (int c = 0; c < coordinatesPerRoute; ++c) {
            if (c > 0)
                body += ',';
            body += '[' + QByteArray::number(14.418541 + c * 0.000071 + r * 0.00001, 'f', 6) + ',' +
                    QByteArray::number(50.073658 - c * 0.000043, 'f', 6) + ']';
        }
        body += R"(]},"legs":[{"summary":"D1, D11","distance":1,"duration":1,"steps":[)";
        for (int s = 0; s < stepsPerRoute; ++s) {
            if (s > 0)
                body += ',';
            body += R"({"distance":401.2,"duration":22.1,"name":"Street )" + QByteArray::number(s) +
                    R"(","ref":"E50","mode":"driving","driving_side":"right","weight":22.1,)"
                    R"("maneuver":{"type":"turn","modifier":"slight left","bearing_before":91,"bearing_after":40,)"
                    R"("location":[14.5,50.1]},"intersections":[{"location":[14.5,50.1],"bearings":[40,220],)"
                    R"("entry":[true,false],"in":1,"out":0,"classes":["motorway"]}]})";
        }
        body += "]}]}";
    }
    body += "]}";
    return body;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QByteArray reply = makeReply();
    const QDateTime departure = QDateTime::currentDateTimeUtc();

    QList<PlannedRouteOption> options;
    const double planMs = bench::bestMs(rounds, [&] {
        options = PlannedRoutes::plannedRouteOptions(OsrmDirectionsService::decodeRoutes(reply, 200),
                                                     RouteTransportMode::automobile, departure);
    });
    if (options.size() != routeCount || options.first().points.size() != PlannedRoutes::maxPoints) {
        std::cerr << "unexpected result: " << options.size() << " options\n";
        return 1;
    }
    // Both sides release the document they parsed: the decoder keeps only its records.
    qsizetype parsedRoutes = 0;
    const double parseMs = bench::bestMs(rounds, [&] {
        const QJsonDocument document = QJsonDocument::fromJson(reply);
        parsedRoutes = document.object().value(QLatin1StringView("routes")).toArray().size();
    });
    if (parsedRoutes != routeCount)
        return 1;

    std::cout << std::fixed << std::setprecision(2);
    std::cout << "reply: " << reply.size() / 1024.0 / 1024.0 << " MiB, " << routeCount << " routes x "
              << coordinatesPerRoute << " coordinates, " << stepsPerRoute << " steps each\n";
    std::cout << "decode and sample per reply: " << planMs << " ms\n";
    std::cout << "bare QJsonDocument parse:    " << parseMs << " ms\n";
    std::cout << "ratio: " << planMs / parseMs << " (aim <= 1.5)\n";
    return 0;
}
