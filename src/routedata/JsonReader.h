#pragma once

#include "routedata/JsonCodingError.h"
#include "routedata/RawEnum.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QUuid>
#include <optional>

namespace ostrevin {

/// Strict readers for the data files: a value must have exactly the JSON type
/// its field has (a latitude given as the text "50.1" is an error), UUIDs must be
/// the 36-character hyphenated form (either letter case, no braces), and dates
/// ISO 8601 in UTC with "Z" and whole seconds. Every failure throws JsonCodingError.
class JsonReader {
public:
    static QJsonObject object(const QJsonValue& value, QAnyStringView what);
    static QString string(const QJsonObject& object, QLatin1String key);
    static double number(const QJsonObject& object, QLatin1String key);
    static QUuid uuid(const QJsonObject& object, QLatin1String key);
    static QDateTime date(const QJsonObject& object, QLatin1String key);
    static QJsonArray array(const QJsonObject& object, QLatin1String key);

    /// Missing or null gives no value; a present value must be a known raw string.
    template <RawEnum E> static std::optional<E> optionalEnum(const QJsonObject& object, QLatin1String key)
    {
        const QJsonValue v = object.value(key);
        if (v.isUndefined() || v.isNull())
            return std::nullopt;
        if (!v.isString())
            throw JsonCodingError::wrongType(key);
        const std::optional<E> e = fromRaw<E>(v.toString());
        if (!e)
            throw JsonCodingError::invalidValue(key);
        return e;
    }

    template <RawEnum E> static E requiredEnum(const QJsonObject& object, QLatin1String key)
    {
        if (!object.contains(key))
            throw JsonCodingError::missingKey(key);
        const std::optional<E> e = optionalEnum<E>(object, key);
        if (!e)
            throw JsonCodingError::wrongType(key);
        return *e;
    }

    /// Each element of a required array read with T::fromJson.
    template <typename T> static QList<T> list(const QJsonObject& object, QLatin1String key)
    {
        return elements<T>(array(object, key), key);
    }

    template <typename T> static QList<T> elements(const QJsonArray& array, QAnyStringView context)
    {
        QList<T> out;
        out.reserve(array.size());
        for (qsizetype i = 0; i < array.size(); ++i) {
            try {
                out.append(T::fromJson(array.at(i)));
            } catch (const JsonCodingError& e) {
                throw e.within(context.toString() + u'[' + QString::number(i) + u']');
            }
        }
        return out;
    }

    /// The strict forms, also for values that come from elsewhere than JSON files.
    static std::optional<QUuid> parseUuid(QStringView text);
    static std::optional<QDateTime> parseDate(QStringView text);

private:
    // A required text read with one of the strict parsers above.
    template <typename T>
    static T parsedString(const QJsonObject& object, QLatin1String key, std::optional<T> (*parse)(QStringView));
};

} // namespace ostrevin
