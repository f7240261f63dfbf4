#include "devicebridge/CoreDeviceList.h"

#include "devicebridge/JsonFields.h"

namespace ostrevin {

using namespace jsonfields;

namespace {

bool decodeDevice(const QJsonValue& value, CoreDeviceList::CoreDevice& device)
{
    if (!value.isObject())
        return false;
    QJsonObject connection, properties, hardware;
    const QJsonObject object = value.toObject();
    if (!requiredObject(object, QLatin1StringView("connectionProperties"), connection) ||
        !requiredObject(object, QLatin1StringView("deviceProperties"), properties) ||
        !requiredObject(object, QLatin1StringView("hardwareProperties"), hardware))
        return false;
    auto& c = device.connectionProperties;
    auto& d = device.deviceProperties;
    auto& h = device.hardwareProperties;
    return optionalString(connection, QLatin1StringView("pairingState"), c.pairingState) &&
           optionalString(connection, QLatin1StringView("transportType"), c.transportType) &&
           optionalString(connection, QLatin1StringView("tunnelState"), c.tunnelState) &&
           optionalString(properties, QLatin1StringView("bootState"), d.bootState) &&
           requiredString(properties, QLatin1StringView("name"), d.name) &&
           optionalString(hardware, QLatin1StringView("deviceType"), h.deviceType) &&
           requiredString(hardware, QLatin1StringView("udid"), h.udid);
}

} // namespace

std::optional<CoreDeviceList> CoreDeviceList::decode(const QByteArray& json)
{
    const std::optional<QJsonValue> document = parse(json);
    if (!document || !document->isObject())
        return std::nullopt;
    QJsonObject result;
    QJsonArray devices;
    if (!requiredObject(document->toObject(), QLatin1StringView("result"), result) ||
        !requiredArray(result, QLatin1StringView("devices"), devices))
        return std::nullopt;
    CoreDeviceList list;
    for (const QJsonValue& value : devices) {
        CoreDevice device;
        if (!decodeDevice(value, device))
            return std::nullopt;
        list.result.devices.append(device);
    }
    return list;
}

std::optional<CoreDeviceIdentity> CoreDeviceList::firstIPhone() const
{
    for (const CoreDevice& device : result.devices) {
        const auto& connection = device.connectionProperties;
        if (device.hardwareProperties.deviceType != u"iPhone" || device.hardwareProperties.udid.isEmpty())
            continue;
        if (connection.pairingState && *connection.pairingState != u"paired")
            continue;
        if (!connection.transportType || connection.tunnelState == u"unavailable")
            continue;
        if (device.deviceProperties.bootState && *device.deviceProperties.bootState != u"booted")
            continue;
        return CoreDeviceIdentity{device.deviceProperties.name, device.hardwareProperties.udid,
                                  connection.transportType, connection.tunnelState};
    }
    return std::nullopt;
}

} // namespace ostrevin
