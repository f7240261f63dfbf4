#include "platform/PhotonPlaceSearchService.h"

#include "platform/AnswerOnce.h"
#include "platform/PhotonAddress.h"
#include "platform/ServiceEndpoints.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QUrlQuery>
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>

namespace ostrevin {

namespace {

using Answer = std::optional<QList<PlaceCandidate>>;

QString textField(const QJsonObject& object, const char* key)
{
    const QJsonValue value = object.value(QLatin1String(key));
    return value.isString() ? value.toString().trimmed() : QString();
}

// GeoJSON points are [longitude, latitude]. A missing or non-numeric value must not
// become 0 (a place in the Gulf of Guinea), so the whole point is refused instead.
std::optional<std::pair<double, double>> pointOf(const QJsonObject& feature)
{
    const QJsonObject geometry = feature.value(u"geometry").toObject();
    if (geometry.value(u"type").toString() != u"Point")
        return std::nullopt;
    const QJsonArray coordinates = geometry.value(u"coordinates").toArray();
    if (coordinates.size() < 2 || !coordinates.at(0).isDouble() || !coordinates.at(1).isDouble())
        return std::nullopt;
    const double longitude = coordinates.at(0).toDouble();
    const double latitude = coordinates.at(1).toDouble();
    if (!std::isfinite(latitude) || !std::isfinite(longitude) || std::abs(latitude) > 90 || std::abs(longitude) > 180)
        return std::nullopt;
    return std::pair{latitude, longitude};
}

// Photon writes the id as a number; an id of another type counts as none.
QString osmId(const QJsonObject& properties)
{
    const QJsonValue id = properties.value(u"osm_id");
    return id.isDouble() ? QString::number(id.toInteger()) : QString();
}

// Close enough for telling whether two points are the same metre.
double metresBetween(const PlaceCandidate& a, const PlaceCandidate& b)
{
    constexpr double metresPerDegree = 111320;
    const double north = (a.latitude - b.latitude) * metresPerDegree;
    const double east = (a.longitude - b.longitude) * metresPerDegree * std::cos(a.latitude * std::numbers::pi / 180);
    return std::hypot(north, east);
}

QString joined(const QStringList& parts, const QString& except)
{
    QStringList kept;
    for (const QString& part : parts) {
        if (!part.isEmpty() && part != except && !kept.contains(part))
            kept << part;
    }
    return kept.join(QStringLiteral(", "));
}

} // namespace

PhotonPlaceSearchService::PhotonPlaceSearchService(QNetworkAccessManager& network, QUrl baseUrl)
    : m_network(network), m_baseUrl(std::move(baseUrl))
{
}

QString PhotonPlaceSearchService::supportedLanguage(const QString& language)
{
    // Photon answers 400 to a language it was not built with; the public instance
    // knows these.
    const QString code = language.left(2).toLower();
    for (const char* known : {"en", "de", "fr"}) {
        if (code == QLatin1String(known))
            return code;
    }
    return {};
}

QFuture<Answer> PhotonPlaceSearchService::search(const PlaceSearchQuery& query, std::stop_token stopToken)
{
    auto delivery = std::make_shared<AnswerOnce<Answer>>(std::nullopt);
    QFuture<Answer> future = delivery->future();
    if (stopToken.stop_requested() || query.text.trimmed().isEmpty()) {
        delivery->answer(std::nullopt);
        return future;
    }

    QUrl url = ServiceEndpoints::endpoint(m_baseUrl, u"api");
    QUrlQuery items;
    items.addQueryItem(QStringLiteral("q"), query.text.trimmed());
    items.addQueryItem(QStringLiteral("limit"), QString::number(std::max(1, query.limit)));
    if (const auto& bias = query.biasLatitudeLongitude;
        bias && std::isfinite(bias->first) && std::isfinite(bias->second)) {
        items.addQueryItem(QStringLiteral("lat"), QString::number(bias->first, 'f', 5));
        items.addQueryItem(QStringLiteral("lon"), QString::number(bias->second, 'f', 5));
    }
    if (const QString language = supportedLanguage(query.language); !language.isEmpty())
        items.addQueryItem(QStringLiteral("lang"), language);
    // A literal "+" in the text would read as a blank on the server.
    url.setQuery(items.query(QUrl::FullyEncoded).replace(u'+', QStringLiteral("%2B")), QUrl::StrictMode);

    QNetworkReply* reply = m_network.get(ServiceEndpoints::jsonRequest(url, transferTimeoutMs));

    // Lives as long as the connection below, that is as long as the reply.
    auto abortOnStop = std::make_shared<std::optional<std::stop_callback<std::function<void()>>>>();
    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, delivery, abortOnStop] {
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (reply->error() != QNetworkReply::NoError || status != 200) {
            delivery->answer(std::nullopt);
            return;
        }
        delivery->answer(candidatesFromAnswer(reply->readAll()));
    });
    abortOnStop->emplace(std::move(stopToken), std::function<void()>([guard = QPointer(reply)] {
                             if (guard && guard->isRunning())
                                 guard->abort();
                         }));
    return future;
}

std::optional<QList<PlaceCandidate>> PhotonPlaceSearchService::candidatesFromAnswer(const QByteArray& body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonValue features = document.object().value(u"features");
    if (!features.isArray())
        return std::nullopt;

    struct Shown {
        QString osmObject;
        PlaceCandidate candidate;
    };
    QList<Shown> shown;
    QList<PlaceCandidate> candidates;
    for (const QJsonValue& value : features.toArray()) {
        const QJsonObject feature = value.toObject();
        const auto point = pointOf(feature);
        if (!point)
            continue;
        const QJsonObject properties = feature.value(u"properties").toObject();
        PlaceCandidate candidate;
        candidate.name = textField(properties, "name");
        candidate.title = candidate.name;
        if (candidate.title.isEmpty())
            candidate.title = PhotonAddress::streetLine(properties);
        const QString city = textField(properties, "city");
        const QString country = textField(properties, "country");
        if (candidate.title.isEmpty())
            candidate.title = city.isEmpty() ? country : city;
        if (candidate.title.isEmpty())
            continue;
        candidate.subtitle = joined({city, country}, candidate.title);
        candidate.latitude = point->first;
        candidate.longitude = point->second;
        // Photon answers one place several times (from several indexes, or as a
        // node and the area around it): a row the user cannot tell apart is shown once.
        const QString osmType = textField(properties, "osm_type");
        const QString id = osmId(properties);
        const QString osmObject = osmType.isEmpty() || id.isEmpty() ? QString() : osmType + u'/' + id;
        const bool seen = std::any_of(shown.cbegin(), shown.cend(), [&](const Shown& other) {
            return (!osmObject.isEmpty() && other.osmObject == osmObject) ||
                   (other.candidate.title == candidate.title && other.candidate.subtitle == candidate.subtitle &&
                    metresBetween(other.candidate, candidate) <= 1);
        });
        if (seen)
            continue;
        shown.append({osmObject, candidate});
        candidates << candidate;
    }
    return candidates;
}

} // namespace ostrevin
