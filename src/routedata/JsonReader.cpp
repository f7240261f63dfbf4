#include "routedata/JsonReader.h"

#include <QDate>
#include <QTime>

namespace ostrevin {

namespace {

QJsonValue required(const QJsonObject& object, QLatin1String key)
{
    const QJsonValue v = object.value(key);
    if (v.isUndefined())
        throw JsonCodingError::missingKey(key);
    return v;
}

bool isDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// Digits at [from, from + count) as a number, or -1 when any is not an ASCII digit.
int digits(QStringView text, qsizetype from, qsizetype count)
{
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        if (!isDigit(text[i]))
            return -1;
        value = value * 10 + (text[i].unicode() - u'0');
    }
    return value;
}

} // namespace

QJsonObject JsonReader::object(const QJsonValue& value, QAnyStringView what)
{
    if (!value.isObject())
        throw JsonCodingError::wrongType(what);
    return value.toObject();
}

QString JsonReader::string(const QJsonObject& object, QLatin1String key)
{
    const QJsonValue v = required(object, key);
    if (!v.isString())
        throw JsonCodingError::wrongType(key);
    return v.toString();
}

double JsonReader::number(const QJsonObject& object, QLatin1String key)
{
    const QJsonValue v = required(object, key);
    if (!v.isDouble())
        throw JsonCodingError::wrongType(key);
    return v.toDouble();
}

QUuid JsonReader::uuid(const QJsonObject& object, QLatin1String key)
{
    const QJsonValue v = required(object, key);
    if (!v.isString())
        throw JsonCodingError::wrongType(key);
    const std::optional<QUuid> id = parseUuid(v.toString());
    if (!id)
        throw JsonCodingError::invalidValue(key);
    return *id;
}

QDateTime JsonReader::date(const QJsonObject& object, QLatin1String key)
{
    const QJsonValue v = required(object, key);
    if (!v.isString())
        throw JsonCodingError::wrongType(key);
    const std::optional<QDateTime> d = parseDate(v.toString());
    if (!d)
        throw JsonCodingError::invalidValue(key);
    return *d;
}

QJsonArray JsonReader::array(const QJsonObject& object, QLatin1String key)
{
    const QJsonValue v = required(object, key);
    if (!v.isArray())
        throw JsonCodingError::wrongType(key);
    return v.toArray();
}

std::optional<QUuid> JsonReader::parseUuid(QStringView text)
{
    // 8-4-4-4-12 hex digits. Parsed here rather than by QUuid, which also takes braces.
    if (text.size() != 36)
        return std::nullopt;
    uchar bytes[16];
    int n = 0;
    for (qsizetype i = 0; i < 36; ++i) {
        const char16_t c = text[i].unicode();
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (c != u'-')
                return std::nullopt;
            continue;
        }
        const int h = hexValue(c);
        if (h < 0)
            return std::nullopt;
        if (n % 2 == 0)
            bytes[n / 2] = uchar(h << 4);
        else
            bytes[n / 2] |= uchar(h);
        ++n;
    }
    return QUuid::fromRfc4122(QByteArrayView(reinterpret_cast<const char*>(bytes), 16));
}

std::optional<QDateTime> JsonReader::parseDate(QStringView text)
{
    // Exactly yyyy-MM-ddTHH:mm:ssZ.
    if (text.size() != 20 || text[4] != u'-' || text[7] != u'-' || text[10] != u'T' || text[13] != u':' ||
        text[16] != u':' || text[19] != u'Z')
        return std::nullopt;
    const int year = digits(text, 0, 4);
    const int month = digits(text, 5, 2);
    const int day = digits(text, 8, 2);
    const int hour = digits(text, 11, 2);
    const int minute = digits(text, 14, 2);
    const int second = digits(text, 17, 2);
    if (year < 1 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0)
        return std::nullopt;
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}

} // namespace ostrevin
