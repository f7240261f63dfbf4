#include "devicebridge/JsonFields.h"

#include <QJsonDocument>
#include <QStringDecoder>
#include <cmath>
#include <limits>

namespace ostrevin::jsonfields {

std::optional<QJsonValue> parse(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return std::nullopt;
    // Wrapping the document lets a top-level string or number parse as well.
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray("[") + bytes + "]", &error);
    if (error.error != QJsonParseError::NoError || document.array().size() != 1)
        return std::nullopt;
    return document.array().first();
}

bool requiredString(const QJsonObject& object, QLatin1StringView key, QString& out)
{
    const QJsonValue value = object.value(key);
    if (!value.isString())
        return false;
    out = value.toString();
    return true;
}

bool optionalString(const QJsonObject& object, QLatin1StringView key, std::optional<QString>& out)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull()) {
        out.reset();
        return true;
    }
    if (!value.isString())
        return false;
    out = value.toString();
    return true;
}

bool requiredInt(const QJsonObject& object, QLatin1StringView key, int& out)
{
    const QJsonValue value = object.value(key);
    if (!value.isDouble())
        return false;
    const double number = value.toDouble();
    if (std::trunc(number) != number || number < double(std::numeric_limits<int>::min()) ||
        number > double(std::numeric_limits<int>::max()))
        return false;
    out = int(number);
    return true;
}

bool requiredPort(const QJsonObject& object, QLatin1StringView key, int& out)
{
    int port = 0;
    if (!requiredInt(object, key, port) || port < 1 || port > 65535)
        return false;
    out = port;
    return true;
}

bool requiredObject(const QJsonObject& object, QLatin1StringView key, QJsonObject& out)
{
    const QJsonValue value = object.value(key);
    if (!value.isObject())
        return false;
    out = value.toObject();
    return true;
}

bool requiredArray(const QJsonObject& object, QLatin1StringView key, QJsonArray& out)
{
    const QJsonValue value = object.value(key);
    if (!value.isArray())
        return false;
    out = value.toArray();
    return true;
}
bool addressPortInterface(const QJsonValue& value, QLatin1StringView addressKey, QLatin1StringView portKey,
                          QString& address, int& port, QString& interface)
{
    if (!value.isObject())
        return false;
    const QJsonObject object = value.toObject();
    return requiredString(object, addressKey, address) && requiredPort(object, portKey, port) &&
           requiredString(object, QLatin1StringView("interface"), interface);
}

} // namespace ostrevin::jsonfields
