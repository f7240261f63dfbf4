#pragma once

#include "devicebridge/TunneldTunnel.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace ostrevin {

/// The reply to "/start-tunnel".
struct TunneldStartTunnel {
    QString address;
    int port = 0;
    QString interface;

    bool operator==(const TunneldStartTunnel&) const = default;

    static std::optional<TunneldStartTunnel> decode(const QByteArray& json);
    TunneldTunnel tunnel() const { return {address, port, interface}; }
};

} // namespace ostrevin
