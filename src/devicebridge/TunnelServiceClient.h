#pragma once

#include "devicebridge/TunneldTunnel.h"

#include <QCoreApplication>
#include <QString>
#include <QUrl>
#include <chrono>
#include <optional>
#include <stop_token>

namespace ostrevin {

/// The client of pymobiledevice3's tunnel service (tunneld) on the loopback
/// interface. Every call is a blocking GET made on the calling worker thread with
/// a network manager and event loop of its own; nothing is kept between calls.
/// Requesting stop on a call's token aborts its request and throws
/// CancellationError. Request failures and unexpected replies are thrown as
/// DeviceLocationError.
class TunnelServiceClient {
    Q_DECLARE_TR_FUNCTIONS(TunnelServiceClient)

public:
    /// http://127.0.0.1:49151
    static QUrl defaultBaseURL();

    /// baseURL: scheme, host and port of the service; probeInterval: the pause
    /// after each failed probe while waiting for a started service.
    explicit TunnelServiceClient(QUrl baseURL = defaultBaseURL(),
                                 std::chrono::milliseconds probeInterval = std::chrono::milliseconds(500));

    const QUrl& baseURL() const { return m_baseURL; }

    /// True when "/hello" answers 200 within 1.5 s; any failure is false.
    bool isTunneldRunning(std::stop_token stopToken = {}) const;
    /// The first tunnel the service lists for the UDID, or none. A failed request
    /// or a listing that does not decode is thrown.
    std::optional<TunneldTunnel> activeTunnel(const QString& udid, std::stop_token stopToken = {}) const;
    /// A tunnel for the device: the one the service holds, else a new one asked
    /// for with "/start-tunnel".
    TunneldTunnel startTunnelForDevice(const std::optional<QString>& udid, std::stop_token stopToken = {}) const;
    /// Probes up to 12 times, pausing after each failed probe; throws when the
    /// service never answered.
    void waitForTunneld(std::stop_token stopToken = {}) const;

    /// Up to this many probes in waitForTunneld.
    static constexpr int waitProbeCount = 12;

private:
    struct Reply {
        /// -1 when the reply was not HTTP.
        int status = -1;
        QByteArray body;
    };

    /// Throws DeviceLocationError (command: label) when no HTTP reply came.
    Reply get(const QUrl& url, std::chrono::milliseconds timeout, const QString& label,
              std::stop_token stopToken) const;
    QUrl endpoint(const QString& path) const;

    QUrl m_baseURL;
    std::chrono::milliseconds m_probeInterval;
};

} // namespace ostrevin
