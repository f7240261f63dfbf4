#include "app/UpdateFeed.h"

#include <QStringList>
#include <QXmlStreamReader>

namespace ostrevin {

namespace {

QList<qulonglong> components(const QString& version)
{
    QList<qulonglong> numbers;
    for (const QString& part : version.trimmed().split(u'.')) {
        qsizetype digits = 0;
        while (digits < part.size() && part.at(digits).isDigit() && part.at(digits).unicode() < 128)
            ++digits;
        bool ok = false;
        const qulonglong number = part.left(digits).toULongLong(&ok);
        numbers.append(ok ? number : 0);
    }
    // Trailing zeros do not make a version newer: "1.0" is "1".
    while (numbers.size() > 1 && numbers.last() == 0)
        numbers.removeLast();
    return numbers;
}

} // namespace

bool UpdateFeed::isVersion(const QString& text)
{
    const QString trimmed = text.trimmed();
    return !trimmed.isEmpty() && trimmed.at(0).isDigit() && trimmed.at(0).unicode() < 128;
}

int UpdateFeed::compareVersions(const QString& left, const QString& right)
{
    const QList<qulonglong> a = components(left);
    const QList<qulonglong> b = components(right);
    for (qsizetype i = 0; i < std::max(a.size(), b.size()); ++i) {
        const qulonglong x = i < a.size() ? a.at(i) : 0;
        const qulonglong y = i < b.size() ? b.at(i) : 0;
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

QList<UpdateFeed::Item> UpdateFeed::parse(const QByteArray& xml, bool* ok)
{
    QList<Item> items;
    QXmlStreamReader reader(xml);
    std::optional<Item> current;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            const QStringView name = reader.name();
            if (name == u"item") {
                current = Item{};
            } else if (current && name == u"enclosure") {
                for (const QXmlStreamAttribute& attribute : reader.attributes()) {
                    if (attribute.name() == u"version" && current->version.isEmpty())
                        current->version = attribute.value().toString().trimmed();
                    if (attribute.name() == u"shortVersionString" && current->displayVersion.isEmpty())
                        current->displayVersion = attribute.value().toString().trimmed();
                }
            } else if (current && name == u"version") {
                current->version = reader.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
            } else if (current && name == u"shortVersionString") {
                current->displayVersion = reader.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
            } else if (current && name == u"link" && reader.namespaceUri().isEmpty()) {
                current->page =
                    QUrl(reader.readElementText(QXmlStreamReader::SkipChildElements).trimmed(), QUrl::StrictMode);
            }
        } else if (reader.isEndElement() && reader.name() == u"item" && current) {
            if (isVersion(current->version)) {
                if (current->displayVersion.isEmpty())
                    current->displayVersion = current->version;
                items.append(*current);
            }
            current.reset();
        }
    }
    if (ok)
        *ok = !reader.hasError();
    return items;
}

std::optional<UpdateFeed::Item> UpdateFeed::newest(const QList<Item>& items)
{
    std::optional<Item> best;
    for (const Item& item : items) {
        if (!best || compareVersions(item.version, best->version) > 0)
            best = item;
    }
    return best;
}

} // namespace ostrevin
