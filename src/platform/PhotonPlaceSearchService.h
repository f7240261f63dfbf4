#pragma once

#include "platform/PlaceSearchService.h"

#include <QByteArray>
#include <QUrl>

class QNetworkAccessManager;

namespace ostrevin {

/// PlaceSearchService over a Photon server: GET <base>/api?q=&limit= answers a
/// GeoJSON feature collection of points.
class PhotonPlaceSearchService final : public PlaceSearchService {
public:
    static constexpr int transferTimeoutMs = 15000;

    /// The network manager must live on this thread and outlive pending searches.
    PhotonPlaceSearchService(QNetworkAccessManager& network, QUrl baseUrl);

    QFuture<std::optional<QList<PlaceCandidate>>> search(const PlaceSearchQuery& query,
                                                         std::stop_token stopToken = {}) override;

    /// The candidates of an answer body; no value when the body is not a feature
    /// collection. Features without a usable point or title are left out.
    static std::optional<QList<PlaceCandidate>> candidatesFromAnswer(const QByteArray& body);
    /// The language Photon is asked for: the locale's when Photon knows it, else none.
    static QString supportedLanguage(const QString& language);

private:
    QNetworkAccessManager& m_network;
    QUrl m_baseUrl;
};

} // namespace ostrevin
