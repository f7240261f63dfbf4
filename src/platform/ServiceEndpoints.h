#pragma once

#include <QByteArray>
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
};

} // namespace ostrevin
