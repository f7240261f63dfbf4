#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>

namespace ostrevin::test {

/// One feature as Photon answers it: every property it writes for a place of that
/// kind; empty texts are left out, as Photon leaves them out.
struct PhotonFeature {
    double longitude = 0;
    double latitude = 0;
    const char* osmType = "N";
    qint64 osmId = 0;
    const char* osmKey = "place";
    const char* osmValue = "house";
    const char* type = "house";
    const char* name = "";
    const char* housenumber = "";
    const char* street = "";
    const char* district = "";
    const char* city = "";
    const char* postcode = "";
    const char* state = "";
    const char* country = "";
    const char* countrycode = "";
};

inline QByteArray photonReply(const QList<PhotonFeature>& features)
{
    QJsonArray list;
    for (const PhotonFeature& f : features) {
        QJsonObject properties{{QStringLiteral("osm_type"), QString::fromUtf8(f.osmType)},
                               {QStringLiteral("osm_id"), f.osmId},
                               {QStringLiteral("osm_key"), QString::fromUtf8(f.osmKey)},
                               {QStringLiteral("osm_value"), QString::fromUtf8(f.osmValue)},
                               {QStringLiteral("type"), QString::fromUtf8(f.type)}};
        const std::pair<const char*, const char*> texts[] = {{"name", f.name},
                                                             {"housenumber", f.housenumber},
                                                             {"street", f.street},
                                                             {"district", f.district},
                                                             {"city", f.city},
                                                             {"postcode", f.postcode},
                                                             {"state", f.state},
                                                             {"country", f.country},
                                                             {"countrycode", f.countrycode}};
        for (const auto& [key, value] : texts) {
            if (*value)
                properties.insert(QString::fromLatin1(key), QString::fromUtf8(value));
        }
        list.append(QJsonObject{{QStringLiteral("type"), QStringLiteral("Feature")},
                                {QStringLiteral("geometry"),
                                 QJsonObject{{QStringLiteral("type"), QStringLiteral("Point")},
                                             {QStringLiteral("coordinates"), QJsonArray{f.longitude, f.latitude}}}},
                                {QStringLiteral("properties"), properties}});
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("type"), QStringLiteral("FeatureCollection")},
                                     {QStringLiteral("features"), list}})
        .toJson(QJsonDocument::Compact);
}

} // namespace ostrevin::test
