#pragma once

#include "support/FakeHttpServer.h"

#include <QByteArray>
#include <QList>
#include <QUrl>
#include <QUrlQuery>

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

/// Makes server refuse route requests as osrm-routed started with
/// `--max-alternatives maxAlternatives` (3 unless its operator changed it) does:
/// asking for more is HTTP 400 TooBig, an alternatives value that is neither a
/// boolean nor a count is InvalidQuery. "true" asks for one alternative.
inline void enforceOsrmLimits(FakeHttpServer& server, int maxAlternatives = 3)
{
    server.setRequestCheck([maxAlternatives](const FakeHttpRequest& request) -> std::optional<FakeHttpReply> {
        if (!request.path().contains("/route/v1/"))
            return std::nullopt;
        const QUrlQuery query(QUrl(QString::fromLatin1(request.target)).query());
        if (!query.hasQueryItem(QStringLiteral("alternatives")))
            return std::nullopt;
        const QString value = query.queryItemValue(QStringLiteral("alternatives"));
        bool isCount = false;
        const uint count = value == u"true" ? 1 : value == u"false" ? 0 : value.toUInt(&isCount);
        if (!isCount && value != u"true" && value != u"false")
            return FakeHttpReply::json(
                R"({"code":"InvalidQuery","message":"Query string malformed close to position 0"})", 400);
        if (count > uint(maxAlternatives))
            return FakeHttpReply::json("{\"code\":\"TooBig\",\"message\":\"Requested number of alternatives is "
                                       "higher than current maximum (" +
                                           QByteArray::number(maxAlternatives) + ")\"}",
                                       400);
        return std::nullopt;
    });
}

} // namespace ostrevin::test
