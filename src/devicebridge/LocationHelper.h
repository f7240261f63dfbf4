#pragma once

#include <QString>
#include <QUrl>
#include <optional>

namespace ostrevin {

/// The helper tool in use and how it reaches the iPhone.
struct LocationHelper {
    enum class Kind { iDeviceSetLocation, pyMobileDevice };

    /// How the tool addresses the iPhone. Two modes are equal when they are the
    /// same case; two rsd modes also need the same host text and port.
    class ConnectionMode {
    public:
        enum class Case { rsd, direct, usbmux, tunnel };

        static ConnectionMode rsd(QString host, int port) { return ConnectionMode(Case::rsd, std::move(host), port); }
        static ConnectionMode direct() { return ConnectionMode(Case::direct); }
        static ConnectionMode usbmux() { return ConnectionMode(Case::usbmux); }
        static ConnectionMode tunnel() { return ConnectionMode(Case::tunnel); }

        Case kind() const { return m_case; }
        /// The remote service discovery address; empty and 0 for other cases.
        const QString& host() const { return m_host; }
        int port() const { return m_port; }

        friend bool operator==(const ConnectionMode&, const ConnectionMode&) = default;

    private:
        explicit ConnectionMode(Case kind, QString host = {}, int port = 0)
            : m_case(kind), m_host(std::move(host)), m_port(port)
        {
        }
        Case m_case;
        QString m_host;
        int m_port;
    };

    Kind kind = Kind::pyMobileDevice;
    QUrl executableURL; // a local file URL
    std::optional<QString> deviceIdentifier;
    std::optional<QString> deviceName;
    ConnectionMode connectionMode = ConnectionMode::direct();

    /// The executable's local path, as given to the process layer.
    QString executablePath() const { return executableURL.toLocalFile(); }

    static QString toRaw(Kind kind);
    static std::optional<Kind> kindFromRaw(const QString& raw);

    friend bool operator==(const LocationHelper&, const LocationHelper&) = default;
};

} // namespace ostrevin
