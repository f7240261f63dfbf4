#include "routedata/JsonReader.h"

#include <QDate>
#include <QTime>
#include <array>

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

constexpr std::array<signed char, 128> hexDigits = [] {
    std::array<signed char, 128> table{};
    for (auto& v : table)
        v = -1;
    for (int i = 0; i < 10; ++i)
        table['0' + i] = static_cast<signed char>(i);
    for (int i = 0; i < 6; ++i) {
        table['a' + i] = static_cast<signed char>(10 + i);
        table['A' + i] = static_cast<signed char>(10 + i);
    }
    return table;
}();

int hexValue(char16_t c)
{
    return c < 128 ? hexDigits[c] : -1;
}

// Where the 32 hex digits of the 8-4-4-4-12 form stand.
constexpr std::array<unsigned char, 32> uuidDigitPositions = [] {
    std::array<unsigned char, 32> positions{};
    unsigned char n = 0;
    for (unsigned char i = 0; i < 36; ++i) {
        if (i != 8 && i != 13 && i != 18 && i != 23)
            positions[n++] = i;
    }
    return positions;
}();

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

template <typename T>
T JsonReader::parsedString(const QJsonObject& object, QLatin1String key, std::optional<T> (*parse)(QStringView))
{
    const std::optional<T> value = parse(string(object, key));
    if (!value)
        throw JsonCodingError::invalidValue(key);
    return *value;
}

QUuid JsonReader::uuid(const QJsonObject& object, QLatin1String key)
{
    return parsedString(object, key, &parseUuid);
}

QDateTime JsonReader::date(const QJsonObject& object, QLatin1String key)
{
    return parsedString(object, key, &parseDate);
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
    const char16_t* c = text.utf16();
    if (c[8] != u'-' || c[13] != u'-' || c[18] != u'-' || c[23] != u'-')
        return std::nullopt;
    char bytes[16];
    for (int i = 0; i < 16; ++i) {
        const int high = hexValue(c[uuidDigitPositions[2 * i]]);
        const int low = hexValue(c[uuidDigitPositions[2 * i + 1]]);
        if ((high | low) < 0)
            return std::nullopt;
        bytes[i] = static_cast<char>((high << 4) | low);
    }
    return QUuid::fromRfc4122(QByteArrayView(bytes, 16));
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
