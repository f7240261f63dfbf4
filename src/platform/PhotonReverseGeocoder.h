#pragma once

#include "platform/ReverseGeocoder.h"

#include <QByteArray>
#include <QUrl>

class QNetworkAccessManager;

namespace ostrevin {

/// ReverseGeocoder over a Photon server: GET <base>/reverse?lat=&lon= answers a
/// GeoJSON feature collection; the first feature's "name", "street" and "city"
/// become the placemark's name, thoroughfare and locality.
class PhotonReverseGeocoder final : public ReverseGeocoder {
public:
    static constexpr int transferTimeoutMs = 15000;

    /// The network manager must live on this thread and outlive pending lookups
    /// (a lookup still running when it goes finishes with none).
    PhotonReverseGeocoder(QNetworkAccessManager& network, QUrl baseUrl);

    QFuture<std::optional<Placemark>> reverseGeocode(double latitude, double longitude) override;

    /// The placemark of an answer body; none when the body is not a feature
    /// collection with at least one feature.
    static std::optional<Placemark> placemarkFromAnswer(const QByteArray& body);

private:
    QNetworkAccessManager& m_network;
    QUrl m_baseUrl;
};

} // namespace ostrevin
