#include "platform/PhotonReverseGeocoder.h"

#include "platform/AnswerOnce.h"
#include "platform/PhotonAddress.h"
#include "platform/ServiceEndpoints.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrlQuery>
#include <cmath>
#include <memory>

namespace ostrevin {

namespace {

std::optional<QString> stringField(const QJsonObject& object, const QString& key)
{
    const QJsonValue value = object.value(key);
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

} // namespace

PhotonReverseGeocoder::PhotonReverseGeocoder(QNetworkAccessManager& network, QUrl baseUrl)
    : m_network(network), m_baseUrl(std::move(baseUrl))
{
}

QFuture<std::optional<Placemark>> PhotonReverseGeocoder::reverseGeocode(double latitude, double longitude)
{
    auto delivery = std::make_shared<AnswerOnce<std::optional<Placemark>>>(std::nullopt);
    QFuture<std::optional<Placemark>> future = delivery->future();
    if (!std::isfinite(latitude) || !std::isfinite(longitude)) {
        delivery->answer(std::nullopt);
        return future;
    }

    QUrl url = ServiceEndpoints::endpoint(m_baseUrl, u"reverse");
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("lat"), QString::number(latitude, 'f', 7));
    query.addQueryItem(QStringLiteral("lon"), QString::number(longitude, 'f', 7));
    url.setQuery(query);

    QNetworkReply* reply = m_network.get(ServiceEndpoints::jsonRequest(url, transferTimeoutMs));
    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, delivery] {
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (reply->error() != QNetworkReply::NoError || status != 200) {
            delivery->answer(std::nullopt);
            return;
        }
        delivery->answer(placemarkFromAnswer(reply->readAll()));
    });
    return future;
}

std::optional<Placemark> PhotonReverseGeocoder::placemarkFromAnswer(const QByteArray& body)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    const QJsonArray features = document.object().value(u"features").toArray();
    if (features.isEmpty() || !features.first().isObject())
        return std::nullopt;
    const QJsonObject properties = features.first().toObject().value(u"properties").toObject();
    return Placemark{
        .name = stringField(properties, QStringLiteral("name")),
        // With its house number: a clicked building is named "10 Avenue Gambetta", not the whole street.
        .thoroughfare = properties.value(u"street").isString()
                            ? std::optional<QString>(PhotonAddress::streetLine(properties))
                            : std::nullopt,
        .locality = stringField(properties, QStringLiteral("city")),
    };
}

} // namespace ostrevin
