#pragma once

#include <QByteArray>
#include <QList>

namespace ostrevin::test {

/// One route of a scripted OSRM reply: a straight line of `points` coordinates
/// heading north-east from (50, 14) in steps of 0.001 degrees, with a depart and
/// an arrive step.
struct OsrmRoute {
    double distance = 1000;
    double duration = 100;
    int points = 3;
    const char* summary = "D1";
    /// Shifts the line, so alternatives differ.
    double offset = 0;
};

inline QByteArray osrmRoute(const OsrmRoute& route)
{
    QByteArray line;
    for (int i = 0; i < route.points; ++i) {
        if (i > 0)
            line += ',';
        line += '[' + QByteArray::number(14 + route.offset + i * 0.001, 'f', 6) + ',' +
                QByteArray::number(50 + i * 0.001, 'f', 6) + ']';
    }
    return R"({"distance":)" + QByteArray::number(route.distance, 'g', 12) + R"(,"duration":)" +
           QByteArray::number(route.duration, 'g', 12) + R"(,"geometry":{"type":"LineString","coordinates":[)" + line +
           R"(]},"legs":[{"summary":")" + route.summary + R"(","steps":[{"distance":)" +
           QByteArray::number(route.distance, 'g', 12) +
           R"(,"duration":1,"name":"Main","mode":"driving","maneuver":{"type":"depart","location":[14,50]}},)"
           R"({"distance":0,"duration":0,"name":"","mode":"driving","maneuver":{"type":"arrive","location":[14,50]}}]}]})";
}

inline QByteArray osrmReply(const QList<OsrmRoute>& routes)
{
    QByteArray body = R"({"code":"Ok","waypoints":[],"routes":[)";
    for (qsizetype i = 0; i < routes.size(); ++i)
        body += (i > 0 ? "," : "") + osrmRoute(routes[i]);
    return body + "]}";
}

} // namespace ostrevin::test
