#include "devicebridge/TunneldTunnel.h"

#include "devicebridge/JsonFields.h"

namespace ostrevin {

using namespace jsonfields;

std::optional<QMap<QString, QList<TunneldTunnel>>> TunneldTunnel::decodeList(const QByteArray& json)
{
    const std::optional<QJsonValue> document = parse(json);
    if (!document || !document->isObject())
        return std::nullopt;
    QMap<QString, QList<TunneldTunnel>> tunnels;
    const QJsonObject object = document->toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!it.value().isArray())
            return std::nullopt;
        QList<TunneldTunnel> list;
        for (const QJsonValue& entry : it.value().toArray()) {
            TunneldTunnel tunnel;
            if (!addressPortInterface(entry, QLatin1StringView("tunnel-address"), QLatin1StringView("tunnel-port"),
                                      tunnel.tunnelAddress, tunnel.tunnelPort, tunnel.interface))
                return std::nullopt;
            list.append(tunnel);
        }
        tunnels.insert(it.key(), list);
    }
    return tunnels;
}

} // namespace ostrevin
