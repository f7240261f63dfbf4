#include "platform/ServiceEndpoints.h"

#include "BuildConfig.h"
#include "platform/PlatformLog.h"

namespace ostrevin {

namespace {

QUrl overridden(const QProcessEnvironment& environment, const QString& variable, const char* fallback)
{
    const QString value = environment.value(variable).trimmed();
    if (!value.isEmpty()) {
        const QUrl url(value, QUrl::StrictMode);
        if (url.isValid() && (url.scheme() == u"http" || url.scheme() == u"https") && !url.host().isEmpty())
            return url;
        qCWarning(lcPlatform, "Ignoring %s: not an http(s) URL.", qUtf8Printable(variable));
    }
    return QUrl(QString::fromUtf8(fallback));
}

} // namespace

QUrl ServiceEndpoints::geocoder(const QProcessEnvironment& environment)
{
    return overridden(environment, QStringLiteral("OSTREVIN_GEOCODER_URL"), BuildConfig::geocoderURL);
}

QUrl ServiceEndpoints::carDirections(const QProcessEnvironment& environment)
{
    return overridden(environment, QStringLiteral("OSTREVIN_DIRECTIONS_CAR_URL"), BuildConfig::directionsCarURL);
}

QUrl ServiceEndpoints::footDirections(const QProcessEnvironment& environment)
{
    return overridden(environment, QStringLiteral("OSTREVIN_DIRECTIONS_FOOT_URL"), BuildConfig::directionsFootURL);
}

QByteArray ServiceEndpoints::userAgent()
{
    return QByteArrayLiteral("Ostrevin/") + QByteArray(BuildConfig::version);
}

QUrl ServiceEndpoints::endpoint(const QUrl& base, QStringView endpoint)
{
    QUrl url = base;
    QString path = url.path();
    while (path.endsWith(u'/'))
        path.chop(1);
    url.setPath(path + u'/' + endpoint);
    return url;
}

QNetworkRequest ServiceEndpoints::jsonRequest(const QUrl& url, int transferTimeoutMs)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent());
    request.setRawHeader("Accept", "application/json");
    request.setTransferTimeout(transferTimeoutMs);
    return request;
}

} // namespace ostrevin
