#include "devicebridge/TunnelServiceClient.h"

#include "devicebridge/DeviceLocationError.h"
#include "devicebridge/TunneldStartTunnel.h"
#include "process/CancellationError.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QPointer>
#include <QStringDecoder>
#include <QTimer>
#include <condition_variable>
#include <mutex>

namespace ostrevin {

using namespace std::chrono_literals;

namespace {

constexpr auto helloTimeout = 1500ms;
constexpr auto listTimeout = 2000ms;
constexpr auto startTimeout = 20000ms;

QString startTunnelLabel()
{
    return QStringLiteral("tunneld /start-tunnel");
}

QString utf8OrEmpty(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString() : text;
}

// Sleeps for the interval; false when a stop was requested first.
bool sleepUnlessStopped(std::chrono::milliseconds interval, const std::stop_token& stopToken)
{
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    return !wake.wait_for(lock, stopToken, interval, [] { return false; }) && !stopToken.stop_requested();
}

} // namespace

QUrl TunnelServiceClient::defaultBaseURL()
{
    return QUrl(QStringLiteral("http://127.0.0.1:49151"));
}

TunnelServiceClient::TunnelServiceClient(QUrl baseURL, std::chrono::milliseconds probeInterval)
    : m_baseURL(std::move(baseURL)), m_probeInterval(probeInterval)
{
}

QUrl TunnelServiceClient::endpoint(const QString& path) const
{
    QUrl url = m_baseURL;
    url.setPath(path);
    return url;
}

TunnelServiceClient::Reply TunnelServiceClient::get(const QUrl& url, std::chrono::milliseconds timeout,
                                                    const QString& label, std::stop_token stopToken) const
{
    if (stopToken.stop_requested())
        throw CancellationError();
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request(url);
    QEventLoop loop;
    QNetworkReply* reply = manager.get(request);
    bool timedOut = false;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    timer.start(timeout);
    {
        // Runs on the thread that requests the stop: it only queues the abort
        // onto this thread's loop, and the callback is gone before the loop is.
        std::stop_callback onStop(stopToken, [&loop, reply] {
            QMetaObject::invokeMethod(
                &loop, [reply] { reply->abort(); }, Qt::QueuedConnection);
        });
        if (!reply->isFinished())
            loop.exec();
    }
    timer.stop();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    Reply result;
    result.body = reply->readAll();
    const QString errorText = reply->errorString();
    delete reply;
    if (stopToken.stop_requested())
        throw CancellationError();
    if (status.isValid()) {
        result.status = status.toInt();
        return result;
    }
    if (timedOut) {
        //: Technical detail in diagnostics. %1 is a number of seconds.
        throw DeviceLocationError::commandFailed(
            label, tr("The request timed out after %1 s.").arg(double(timeout.count()) / 1000.0));
    }
    throw DeviceLocationError::commandFailed(label, errorText);
}

bool TunnelServiceClient::isTunneldRunning(std::stop_token stopToken) const
{
    try {
        return get(endpoint(QStringLiteral("/hello")), helloTimeout, QStringLiteral("tunneld /hello"), stopToken)
                   .status == 200;
    } catch (const CancellationError&) {
        throw;
    } catch (const DeviceLocationError&) {
        return false;
    }
}

std::optional<TunneldTunnel> TunnelServiceClient::activeTunnel(const QString& udid, std::stop_token stopToken) const
{
    const QString label = QStringLiteral("tunneld /");
    const Reply reply = get(endpoint(QStringLiteral("/")), listTimeout, label, stopToken);
    if (reply.status != 200)
        return std::nullopt;
    const auto tunnels = TunneldTunnel::decodeList(reply.body);
    if (!tunnels) {
        //: Technical detail in diagnostics. Keep “tunneld” unchanged.
        throw DeviceLocationError::commandFailed(
            label, tr("tunneld answered with a tunnel list Ostrevin couldn’t read: %1").arg(utf8OrEmpty(reply.body)));
    }
    const QList<TunneldTunnel> forDevice = tunnels->value(udid);
    if (forDevice.isEmpty())
        return std::nullopt;
    return forDevice.first();
}

TunneldTunnel TunnelServiceClient::startTunnelForDevice(const std::optional<QString>& udid,
                                                        std::stop_token stopToken) const
{
    if (!udid) {
        //: Technical detail in diagnostics.
        throw DeviceLocationError::commandFailed(startTunnelLabel(), tr("Ostrevin doesn’t know the iPhone’s UDID."));
    }
    if (const auto existing = activeTunnel(*udid, stopToken))
        return *existing;

    QUrl url = endpoint(QStringLiteral("/start-tunnel"));
    if (!url.isValid() || url.host().isEmpty()) {
        //: Technical detail in diagnostics. Keep “tunneld” unchanged.
        throw DeviceLocationError::commandFailed(startTunnelLabel(),
                                                 tr("Ostrevin couldn’t build the local URL for tunneld."));
    }
    // Every reserved character, "+" included, is percent-encoded: the service
    // would read a bare "+" as a blank.
    url.setQuery(u"udid=" + QString::fromLatin1(QUrl::toPercentEncoding(*udid)), QUrl::StrictMode);
    if (!url.isValid()) {
        //: Technical detail in diagnostics. Keep “tunneld” unchanged.
        throw DeviceLocationError::commandFailed(
            startTunnelLabel(), tr("Ostrevin couldn’t safely encode the UDID in the local URL for tunneld."));
    }

    const Reply reply = get(url, startTimeout, startTunnelLabel(), stopToken);
    const QString body = utf8OrEmpty(reply.body);
    if (reply.status != 200) {
        throw DeviceLocationError::commandFailed(startTunnelLabel(),
                                                 body.isEmpty() ? u"HTTP " + QString::number(reply.status) : body);
    }
    if (const auto started = TunneldStartTunnel::decode(reply.body))
        return started->tunnel();
    // An answer without the address: the tunnel may exist all the same.
    if (const auto listed = activeTunnel(*udid, stopToken))
        return *listed;
    //: Technical detail in diagnostics. RSD is a technical term.
    throw DeviceLocationError::commandFailed(
        startTunnelLabel(),
        body.isEmpty() ? tr("The tunnel was created, but Ostrevin didn’t receive its RSD address and port.") : body);
}

void TunnelServiceClient::waitForTunneld(std::stop_token stopToken) const
{
    for (int probe = 0; probe < waitProbeCount; ++probe) {
        if (isTunneldRunning(stopToken))
            return;
        if (!sleepUnlessStopped(m_probeInterval, stopToken))
            throw CancellationError();
    }
    //: Technical detail in diagnostics. %1 is a local URL. Keep “tunneld” unchanged.
    throw DeviceLocationError::commandFailed(
        QStringLiteral("pymobiledevice3 remote tunneld"),
        tr("tunneld didn’t start at %1.").arg(m_baseURL.adjusted(QUrl::RemovePath).toString()));
}

} // namespace ostrevin
