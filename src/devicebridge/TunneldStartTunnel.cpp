#include "devicebridge/TunneldStartTunnel.h"

#include "devicebridge/JsonFields.h"

namespace ostrevin {

using namespace jsonfields;

std::optional<TunneldStartTunnel> TunneldStartTunnel::decode(const QByteArray& json)
{
    const std::optional<QJsonValue> document = parse(json);
    TunneldStartTunnel reply;
    if (!document || !addressPortInterface(*document, QLatin1StringView("address"), QLatin1StringView("port"),
                                           reply.address, reply.port, reply.interface))
        return std::nullopt;
    return reply;
}

} // namespace ostrevin
