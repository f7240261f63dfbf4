#pragma once

#include "planner/DirectionsService.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QPointer>
#include <QUrl>
#include <chrono>
#include <memory>

class QNetworkAccessManager;

namespace ostrevin {

/// DirectionsService over the OSRM route API:
/// GET {base}/route/v1/{profile}/{lon},{lat};{lon},{lat}?alternatives=3&steps=true&overview=full&geometries=geojson.
/// Public OSRM servers run one profile per host, so driving and walking each have
/// their own base address. OSRM plans no public transport: transit modes fail at
/// once. "any" plans by car.
class OsrmDirectionsService final : public DirectionsService {
    Q_DECLARE_TR_FUNCTIONS(OsrmDirectionsService)

public:
    /// Far above the reply of a long route with five alternatives; a reply that
    /// grows beyond it is cut off before it fills the memory.
    static constexpr qint64 maxReplyBytes = 32 * 1024 * 1024;
    /// osrm-routed refuses more than this many alternatives with TooBig unless its
    /// operator raised --max-alternatives.
    static constexpr int alternatives = 3;
    /// Longer than the planning time-out of the view model, which decides first.
    static constexpr std::chrono::milliseconds defaultTimeout{30000};

    /// network must outlive every pending request.
    OsrmDirectionsService(QNetworkAccessManager& network, QUrl carBaseUrl, QUrl footBaseUrl,
                          std::chrono::milliseconds timeout = defaultTimeout);
    /// The servers of ServiceEndpoints (build defaults or environment overrides).
    static std::unique_ptr<OsrmDirectionsService> fromEnvironment(QNetworkAccessManager& network);

    QCoro::Task<QList<DirectionsRoute>> calculate(Geodesy::Coordinate from, Geodesy::Coordinate to,
                                                  RouteTransportMode mode) override;

    /// The request address below base for a profile ("driving", "foot"), asking for
    /// up to that many alternatives (0: the best route only).
    static QUrl routeUrl(const QUrl& base, const QString& profile, Geodesy::Coordinate from, Geodesy::Coordinate to,
                         int alternatives = OsrmDirectionsService::alternatives);
    /// The routes of a reply body with its HTTP status, strictly: anything OSRM
    /// would not send throws DirectionsServiceError; "NoRoute" and "NoSegment"
    /// throw RoutePlanningError::routeNotFound().
    static QList<DirectionsRoute> decodeRoutes(const QByteArray& body, int httpStatus);

private:
    /// OSRM has no timetables: no request is made.
    static QCoro::Task<QList<DirectionsRoute>> unavailable(RouteTransportMode mode);
    /// Asks for alternatives, and once more without them when the server's limit is
    /// lower than ours.
    static QCoro::Task<QList<DirectionsRoute>> plan(QPointer<QNetworkAccessManager> network, QUrl withAlternatives,
                                                    QUrl withoutAlternatives, std::chrono::milliseconds timeout);
    static QCoro::Task<QList<DirectionsRoute>> fetch(QPointer<QNetworkAccessManager> network, QUrl url,
                                                     std::chrono::milliseconds timeout);

    QPointer<QNetworkAccessManager> m_network;
    QUrl m_carBaseUrl;
    QUrl m_footBaseUrl;
    std::chrono::milliseconds m_timeout;
};

} // namespace ostrevin
