#include "platform/PropertyListReader.h"

#include <QXmlStreamReader>

namespace ostrevin {

namespace {

// Reads the value whose start element the reader is on, up to its end element.
std::optional<QVariant> readValue(QXmlStreamReader& xml, int depth)
{
    if (depth > 64)
        return std::nullopt;
    const QStringView name = xml.name();
    if (name == u"dict") {
        QVariantMap map;
        while (xml.readNextStartElement()) {
            if (xml.name() != u"key")
                return std::nullopt;
            const QString key = xml.readElementText();
            if (xml.hasError() || !xml.readNextStartElement())
                return std::nullopt;
            auto value = readValue(xml, depth + 1);
            if (!value)
                return std::nullopt;
            map.insert(key, *value);
        }
        return xml.hasError() ? std::nullopt : std::optional<QVariant>(map);
    }
    if (name == u"array") {
        QVariantList list;
        while (xml.readNextStartElement()) {
            auto value = readValue(xml, depth + 1);
            if (!value)
                return std::nullopt;
            list.append(*value);
        }
        return xml.hasError() ? std::nullopt : std::optional<QVariant>(list);
    }
    const bool isTrue = name == u"true";
    if (isTrue || name == u"false") {
        if (!xml.readElementText().trimmed().isEmpty() || xml.hasError())
            return std::nullopt;
        return QVariant(isTrue);
    }
    const bool isString = name == u"string", isData = name == u"data", isInteger = name == u"integer",
               isReal = name == u"real";
    if (!isString && !isData && !isInteger && !isReal)
        return std::nullopt;
    const QString text = xml.readElementText();
    if (xml.hasError())
        return std::nullopt;
    if (isString)
        return QVariant(text);
    bool ok = false;
    if (isInteger) {
        const qint64 number = text.trimmed().toLongLong(&ok);
        return ok ? std::optional<QVariant>(QVariant(number)) : std::nullopt;
    }
    if (isReal) {
        const double number = text.trimmed().toDouble(&ok);
        return ok ? std::optional<QVariant>(QVariant(number)) : std::nullopt;
    }
    QByteArray base64 = text.toLatin1();
    base64.replace(' ', "").replace('\t', "").replace('\n', "").replace('\r', "");
    auto decoded = QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return QVariant(*decoded);
}

} // namespace

std::optional<QVariant> PropertyListReader::read(const QByteArray& bytes)
{
    QXmlStreamReader xml(bytes);
    if (!xml.readNextStartElement())
        return std::nullopt;
    const bool wrapped = xml.name() == u"plist";
    if (wrapped && !xml.readNextStartElement())
        return std::nullopt;
    std::optional<QVariant> value = readValue(xml, 0);
    if (!value)
        return std::nullopt;
    // Only the closing plist element, white space and comments may follow.
    if (wrapped && xml.readNextStartElement())
        return std::nullopt;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement || (token == QXmlStreamReader::Characters && !xml.isWhitespace()))
            return std::nullopt;
    }
    if (xml.hasError())
        return std::nullopt;
    return value;
}

} // namespace ostrevin
