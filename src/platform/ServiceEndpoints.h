#pragma once

#include <QByteArray>
#include <QNetworkRequest>
#include <QProcessEnvironment>
#include <QUrl>

namespace ostrevin {

/// Where the public web services are, and how we introduce ourselves to them.
/// Defaults come from the build configuration; environment variables override
/// them for self-hosting and tests.
class ServiceEndpoints {
public:
    /// OSTREVIN_GEOCODER_URL when it holds an http(s) URL, else the build's default
    /// (a Photon server: /reverse and /api below it).
    static QUrl geocoder(const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

    /// The OSRM server of driving routes: OSTREVIN_DIRECTIONS_CAR_URL when it holds
    /// an http(s) URL, else the build's default.
    static QUrl carDirections(const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());
    /// The OSRM server of walking routes: OSTREVIN_DIRECTIONS_FOOT_URL, else the build's default.
    static QUrl footDirections(const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

    /// "Ostrevin/<version>": public services ask clients to identify themselves.
    static QByteArray userAgent();

    /// base with endpoint appended to its path ("/photon/" + "api" = "/photon/api").
    static QUrl endpoint(const QUrl& base, QStringView endpoint);
    /// A GET for a JSON answer that introduces us and gives up after the time-out.
    static QNetworkRequest jsonRequest(const QUrl& url, int transferTimeoutMs);
};

} // namespace ostrevin
