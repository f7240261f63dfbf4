#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <optional>

namespace ostrevin {

/// One tunnel the tunnel service holds: its RSD address and port.
struct TunneldTunnel {
    QString tunnelAddress; ///< "tunnel-address"
    int tunnelPort = 0;    ///< "tunnel-port"
    QString interface;     ///< "interface"

    bool operator==(const TunneldTunnel&) const = default;

    /// The reply to "/": UDID -> its tunnels. None when any part does not decode.
    static std::optional<QMap<QString, QList<TunneldTunnel>>> decodeList(const QByteArray& json);
};

} // namespace ostrevin
