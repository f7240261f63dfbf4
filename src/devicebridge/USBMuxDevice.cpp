#include "devicebridge/USBMuxDevice.h"

#include "devicebridge/JsonFields.h"

namespace ostrevin {

using namespace jsonfields;

std::optional<QList<USBMuxDevice>> USBMuxDevice::decodeList(const QByteArray& output)
{
    const std::optional<QJsonValue> document = parse(output);
    if (!document || !document->isArray())
        return std::nullopt;
    QList<USBMuxDevice> devices;
    for (const QJsonValue& entry : document->toArray()) {
        if (!entry.isObject())
            return std::nullopt;
        const QJsonObject object = entry.toObject();
        USBMuxDevice device;
        if (!optionalString(object, QLatin1StringView("ConnectionType"), device.connectionType) ||
            !optionalString(object, QLatin1StringView("DeviceClass"), device.deviceClass) ||
            !optionalString(object, QLatin1StringView("DeviceName"), device.deviceName) ||
            !requiredString(object, QLatin1StringView("Identifier"), device.identifier))
            return std::nullopt;
        devices.append(device);
    }
    return devices;
}

std::optional<QStringList> USBMuxDevice::decodeIdentifiers(const QByteArray& output)
{
    const std::optional<QJsonValue> document = parse(output);
    if (!document || !document->isArray())
        return std::nullopt;
    QStringList identifiers;
    for (const QJsonValue& entry : document->toArray()) {
        if (!entry.isString())
            return std::nullopt;
        identifiers.append(entry.toString());
    }
    return identifiers;
}

std::optional<USBMuxDevice> USBMuxDevice::decodeLockdownInfo(const QByteArray& output)
{
    const std::optional<QJsonValue> document = parse(output);
    if (!document || !document->isObject())
        return std::nullopt;
    const QJsonObject object = document->toObject();
    USBMuxDevice device;
    if (!optionalString(object, QLatin1StringView("DeviceClass"), device.deviceClass) ||
        !optionalString(object, QLatin1StringView("DeviceName"), device.deviceName) ||
        !requiredString(object, QLatin1StringView("UniqueDeviceID"), device.identifier))
        return std::nullopt;
    return device;
}

std::optional<USBMuxDevice> USBMuxDevice::firstIPhone(const QList<USBMuxDevice>& devices)
{
    std::optional<USBMuxDevice> anyIPhone;
    for (const USBMuxDevice& device : devices) {
        if (device.deviceClass != u"iPhone")
            continue;
        if (device.connectionType == u"USB")
            return device;
        if (!anyIPhone)
            anyIPhone = device;
    }
    return anyIPhone;
}

} // namespace ostrevin
