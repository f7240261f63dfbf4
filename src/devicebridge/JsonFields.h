#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <optional>

namespace ostrevin::jsonfields {

// Strict field readers for the tools' JSON. A required field must be present, not
// null and of its type; an optional one may be missing or null, but a value of
// another type is an error too. Each returns false on an error.

/// Parses bytes that must be valid UTF-8 JSON.
std::optional<QJsonValue> parse(const QByteArray& bytes);

bool requiredString(const QJsonObject& object, QLatin1StringView key, QString& out);
bool optionalString(const QJsonObject& object, QLatin1StringView key, std::optional<QString>& out);
/// A JSON number with an integral value in int range.
bool requiredInt(const QJsonObject& object, QLatin1StringView key, int& out);
/// A TCP port: an integral JSON number from 1 to 65535.
bool requiredPort(const QJsonObject& object, QLatin1StringView key, int& out);
bool requiredObject(const QJsonObject& object, QLatin1StringView key, QJsonObject& out);
bool requiredArray(const QJsonObject& object, QLatin1StringView key, QJsonArray& out);
/// An object of three required fields (text, port, text: the tunnel records'
/// shape) under the given address and port keys and "interface".
bool addressPortInterface(const QJsonValue& value, QLatin1StringView addressKey, QLatin1StringView portKey,
                          QString& address, int& port, QString& interface);

} // namespace ostrevin::jsonfields
