#include "planner/OsrmDirectionsService.h"

#include "planner/DirectionsServiceError.h"
#include "planner/ManeuverInstruction.h"
#include "platform/NetworkTransportError.h"
#include "platform/ServiceEndpoints.h"
#include "routedata/PlannedRouteStep.h"
#include "routedata/RoutePlanningError.h"

#include <QCborArray>
#include <QCborValue>
#include <QCoro/QCoroNetworkReply>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrlQuery>
#include <cmath>

namespace ostrevin {

namespace {

struct ReplyDeleter {
    void operator()(QNetworkReply* reply) const { reply->deleteLater(); }
};

/// Reads one reply member by member; the first member that is missing or of the
/// wrong type makes the whole reply unreadable. Members we do not name are ignored.
struct Decoder {
    [[noreturn]] static void unreadable() { throw DirectionsServiceError::unreadableReply(); }

    static QJsonObject object(const QJsonValue& value)
    {
        if (!value.isObject())
            unreadable();
        return value.toObject();
    }

    static QJsonArray array(const QJsonValue& value)
    {
        if (!value.isArray())
            unreadable();
        return value.toArray();
    }

    static QString string(const QJsonValue& value)
    {
        if (!value.isString())
            unreadable();
        return value.toString();
    }

    static QString optionalString(const QJsonObject& parent, QLatin1StringView key)
    {
        const QJsonValue value = parent.value(key);
        return (value.isUndefined() || value.isNull()) ? QString() : string(value);
    }

    /// A length or a duration: a number, not negative.
    static double quantity(const QJsonValue& value)
    {
        if (!value.isDouble())
            unreadable();
        const double number = value.toDouble();
        if (!std::isfinite(number) || number < 0)
            unreadable();
        return number;
    }

    static std::optional<int> optionalExit(const QJsonObject& maneuver)
    {
        const QJsonValue value = maneuver.value(QLatin1StringView("exit"));
        if (value.isUndefined() || value.isNull())
            return std::nullopt;
        if (!value.isDouble() || value.toDouble() != std::floor(value.toDouble()) || value.toDouble() < 0 ||
            value.toDouble() > 1000)
            unreadable();
        return static_cast<int>(value.toDouble());
    }

    /// A number of the reply; JSON integers and fractions are told apart below it.
    static bool number(const QCborValue& value, double& out)
    {
        if (value.isDouble()) {
            out = value.toDouble();
            return true;
        }
        if (value.isInteger()) {
            out = static_cast<double>(value.toInteger());
            return true;
        }
        return false;
    }

    static QList<Geodesy::Coordinate> line(const QJsonValue& geometry)
    {
        const QJsonObject object = Decoder::object(geometry);
        if (string(object.value(QLatin1StringView("type"))) != u"LineString")
            unreadable();
        // The longest part of a reply: read through the CBOR view of the same
        // data, which skips a JSON wrapper per value.
        const QCborArray coordinates = QCborArray::fromJsonArray(array(object.value(QLatin1StringView("coordinates"))));
        QList<Geodesy::Coordinate> line;
        line.reserve(coordinates.size());
        for (const QCborValue& element : coordinates) {
            if (!element.isArray())
                unreadable();
            const QCborArray pair = element.toArray();
            Geodesy::Coordinate coordinate;
            if (pair.size() < 2 || !number(pair.at(0), coordinate.longitude) ||
                !number(pair.at(1), coordinate.latitude))
                unreadable();
            line.append(coordinate);
        }
        return line;
    }

    static bool hasTollRoad(const QJsonObject& step)
    {
        const QJsonValue intersections = step.value(QLatin1StringView("intersections"));
        if (intersections.isUndefined() || intersections.isNull())
            return false;
        bool toll = false;
        for (const QJsonValue& intersection : array(intersections)) {
            const QJsonValue classes = object(intersection).value(QLatin1StringView("classes"));
            if (classes.isUndefined() || classes.isNull())
                continue;
            for (const QJsonValue& roadClass : array(classes))
                toll = toll || string(roadClass) == u"toll";
        }
        return toll;
    }

    /// The lanes of the step's first intersection, where its maneuver is. Lanes
    /// only choose a sentence's words: a shape we do not know reads as no lanes
    /// rather than costing the whole route.
    static QList<bool> lanes(const QJsonObject& step)
    {
        const QJsonArray intersections = step.value(QLatin1StringView("intersections")).toArray();
        QList<bool> lanes;
        if (intersections.isEmpty())
            return lanes;
        for (const QJsonValue& lane : intersections.first().toObject().value(QLatin1StringView("lanes")).toArray()) {
            // OSRM's own examples write the flag as a string.
            const QJsonValue valid = lane.toObject().value(QLatin1StringView("valid"));
            lanes << (valid.isBool() ? valid.toBool() : valid.toString() == u"true");
        }
        return lanes;
    }

    static unsigned transportType(const QString& mode)
    {
        if (mode == u"driving")
            return PlannedRouteStep::automobile;
        if (mode == u"walking")
            return PlannedRouteStep::walking;
        if (mode == u"ferry" || mode == u"train")
            return PlannedRouteStep::transit;
        return 0;
    }

    struct Marks {
        bool ferry = false;
        bool toll = false;
    };

    static std::optional<double> optionalBearing(const QJsonObject& maneuver)
    {
        const QJsonValue value = maneuver.value(QLatin1StringView("bearing_after"));
        if (value.isUndefined() || value.isNull())
            return std::nullopt;
        if (!value.isDouble())
            unreadable();
        return value.toDouble();
    }

    static ManeuverInstruction::Maneuver maneuverOf(const QJsonObject& step)
    {
        const QJsonObject maneuver = Decoder::object(step.value(QLatin1StringView("maneuver")));
        return {
            .type = string(maneuver.value(QLatin1StringView("type"))),
            .modifier = optionalString(maneuver, QLatin1StringView("modifier")),
            .exit = optionalExit(maneuver),
            .name = optionalString(step, QLatin1StringView("name")),
            .ref = optionalString(step, QLatin1StringView("ref")),
            .exits = optionalString(step, QLatin1StringView("exits")),
            .destinations = optionalString(step, QLatin1StringView("destinations")),
            .rotaryName = optionalString(step, QLatin1StringView("rotary_name")),
            .bearingAfter = optionalBearing(maneuver),
            .lanes = lanes(step),
        };
    }

    static DirectionsStep step(const QJsonObject& object, const ManeuverInstruction::Maneuver& maneuver, Marks& marks)
    {
        const QString mode = string(object.value(QLatin1StringView("mode")));
        DirectionsStep step;
        step.distance = quantity(object.value(QLatin1StringView("distance")));
        step.transportType = transportType(mode);
        step.instructions = ManeuverInstruction::text(maneuver);
        const bool ferry = mode == u"ferry";
        const bool toll = hasTollRoad(object);
        if (ferry) {
            //: Notice of one directions step.
            step.notice = OsrmDirectionsService::tr("This step is a ferry crossing.");
        } else if (toll) {
            //: Notice of one directions step.
            step.notice = OsrmDirectionsService::tr("This road has tolls.");
        }
        marks.ferry = marks.ferry || ferry;
        marks.toll = marks.toll || toll;
        return step;
    }

    static DirectionsRoute route(const QJsonValue& value)
    {
        const QJsonObject object = Decoder::object(value);
        DirectionsRoute route;
        route.distance = quantity(object.value(QLatin1StringView("distance")));
        route.expectedTravelTime = quantity(object.value(QLatin1StringView("duration")));
        route.line = line(object.value(QLatin1StringView("geometry")));
        QStringList summaries;
        Marks marks;
        for (const QJsonValue& legValue : array(object.value(QLatin1StringView("legs")))) {
            const QJsonObject leg = Decoder::object(legValue);
            const QString summary = optionalString(leg, QLatin1StringView("summary")).trimmed();
            if (!summary.isEmpty())
                summaries << summary;
            std::optional<ManeuverInstruction::Maneuver> previous;
            for (const QJsonValue& stepValue : array(leg.value(QLatin1StringView("steps")))) {
                const QJsonObject stepObject = Decoder::object(stepValue);
                const ManeuverInstruction::Maneuver maneuver = maneuverOf(stepObject);
                DirectionsStep next = step(stepObject, maneuver, marks);
                // Leaving the roundabout onto the road its entry already named is no
                // step of its own for the driver: its way counts to the entry.
                if (previous && ManeuverInstruction::repeats(*previous, maneuver) && !route.steps.isEmpty()) {
                    DirectionsStep& entry = route.steps.last();
                    entry.distance += next.distance;
                    if (entry.notice.isEmpty())
                        entry.notice = next.notice;
                } else {
                    route.steps.append(next);
                }
                previous = maneuver;
            }
        }
        route.name = summaries.join(QStringLiteral(", "));
        if (marks.ferry) {
            //: Notice about a planned route.
            route.advisoryNotices << OsrmDirectionsService::tr("This route includes a ferry crossing.");
        }
        if (marks.toll) {
            //: Notice about a planned route.
            route.advisoryNotices << OsrmDirectionsService::tr("This route includes toll roads.");
        }
        return route;
    }
};

} // namespace

OsrmDirectionsService::OsrmDirectionsService(QNetworkAccessManager& network, QUrl carBaseUrl, QUrl footBaseUrl,
                                             std::chrono::milliseconds timeout)
    : m_network(&network), m_carBaseUrl(std::move(carBaseUrl)), m_footBaseUrl(std::move(footBaseUrl)),
      m_timeout(timeout)
{
}

std::unique_ptr<OsrmDirectionsService> OsrmDirectionsService::fromEnvironment(QNetworkAccessManager& network)
{
    return std::make_unique<OsrmDirectionsService>(network, ServiceEndpoints::carDirections(),
                                                   ServiceEndpoints::footDirections());
}

QUrl OsrmDirectionsService::routeUrl(const QUrl& base, const QString& profile, Geodesy::Coordinate from,
                                     Geodesy::Coordinate to, int alternatives)
{
    const auto place = [](Geodesy::Coordinate c) -> QString {
        return QString::number(c.longitude, 'f', 6) + u',' + QString::number(c.latitude, 'f', 6);
    };
    QUrl url =
        ServiceEndpoints::endpoint(base, QString(u"route/v1/" + profile + u'/' + place(from) + u';' + place(to)));
    QUrlQuery query;
    if (alternatives > 0)
        query.addQueryItem(QStringLiteral("alternatives"), QString::number(alternatives));
    query.addQueryItem(QStringLiteral("steps"), QStringLiteral("true"));
    query.addQueryItem(QStringLiteral("overview"), QStringLiteral("full"));
    query.addQueryItem(QStringLiteral("geometries"), QStringLiteral("geojson"));
    url.setQuery(query);
    return url;
}

QCoro::Task<QList<DirectionsRoute>> OsrmDirectionsService::calculate(Geodesy::Coordinate from, Geodesy::Coordinate to,
                                                                     RouteTransportMode mode)
{
    if (isTransitFamily(mode))
        return unavailable(mode);
    const bool walking = mode == RouteTransportMode::walking;
    const QUrl& base = walking ? m_footBaseUrl : m_carBaseUrl;
    const QString profile = walking ? QStringLiteral("foot") : QStringLiteral("driving");
    return plan(m_network, routeUrl(base, profile, from, to), routeUrl(base, profile, from, to, 0), m_timeout);
}

QCoro::Task<QList<DirectionsRoute>> OsrmDirectionsService::plan(QPointer<QNetworkAccessManager> network,
                                                                QUrl withAlternatives, QUrl withoutAlternatives,
                                                                std::chrono::milliseconds timeout)
{
    try {
        co_return co_await fetch(network, withAlternatives, timeout);
    } catch (const DirectionsServiceError& error) {
        // A server started with a lower --max-alternatives still plans the route itself.
        if (error.kind() != DirectionsServiceError::Kind::refused || error.code() != u"TooBig")
            throw;
    }
    co_return co_await fetch(network, withoutAlternatives, timeout);
}

QCoro::Task<QList<DirectionsRoute>> OsrmDirectionsService::unavailable(RouteTransportMode mode)
{
    throw RoutePlanningError::transportUnavailable(mode);
    co_return {};
}

QCoro::Task<QList<DirectionsRoute>> OsrmDirectionsService::fetch(QPointer<QNetworkAccessManager> network, QUrl url,
                                                                 std::chrono::milliseconds timeout)
{
    if (!network)
        throw NetworkTransportError(NetworkTransportError::Kind::cancelled);
    std::unique_ptr<QNetworkReply, ReplyDeleter> reply(
        network->get(ServiceEndpoints::jsonRequest(url, static_cast<int>(timeout.count()))));

    // Checked as the bytes come in, so an endless reply is cut off at the cap
    // rather than kept in memory whole.
    auto tooLarge = std::make_shared<bool>(false);
    QNetworkReply* const pending = reply.get();
    const auto limit = [pending, tooLarge](qint64 received) {
        if (received > maxReplyBytes && !*tooLarge) {
            *tooLarge = true;
            pending->abort();
        }
    };
    QObject::connect(pending, &QNetworkReply::metaDataChanged, pending,
                     [pending, limit] { limit(pending->header(QNetworkRequest::ContentLengthHeader).toLongLong()); });
    QObject::connect(pending, &QNetworkReply::downloadProgress, pending,
                     [limit](qint64 received, qint64) { limit(received); });
    co_await pending;

    if (*tooLarge)
        throw DirectionsServiceError::replyTooLarge();
    const QNetworkReply::NetworkError error = reply->error();
    if (NetworkTransportError::isTransportFailure(error)) {
        // Nothing else aborts this request, so a cancelled operation is Qt's
        // transfer time-out.
        throw NetworkTransportError::fromReply(error, error == QNetworkReply::OperationCanceledError);
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    co_return decodeRoutes(reply->readAll(), status);
}

QList<DirectionsRoute> OsrmDirectionsService::decodeRoutes(const QByteArray& body, int httpStatus)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    const QJsonValue code = document.object().value(QLatin1StringView("code"));
    if (parseError.error != QJsonParseError::NoError || !document.isObject() || !code.isString()) {
        // A proxy's error page or a server that is not OSRM.
        if (httpStatus != 200)
            throw DirectionsServiceError::httpStatus(httpStatus);
        throw DirectionsServiceError::unreadableReply();
    }
    if (code.toString() == u"NoRoute" || code.toString() == u"NoSegment")
        throw RoutePlanningError::routeNotFound();
    if (code.toString() != u"Ok")
        throw DirectionsServiceError::refused(code.toString());
    if (httpStatus != 200)
        throw DirectionsServiceError::httpStatus(httpStatus);

    const QJsonArray routes = Decoder::array(document.object().value(QLatin1StringView("routes")));
    if (routes.isEmpty())
        throw DirectionsServiceError::noRoutes();
    QList<DirectionsRoute> decoded;
    decoded.reserve(routes.size());
    for (const QJsonValue& route : routes)
        decoded.append(Decoder::route(route));
    return decoded;
}

} // namespace ostrevin
