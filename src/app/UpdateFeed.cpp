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
    // What one item says, before deciding which of it is the version.
    struct Read {
        QString build;
        QString shortVersion;
        QUrl page;
    };
    QList<Read> read;
    QUrl channelPage;
    QXmlStreamReader reader(xml);
    QStringList open; // the elements around the reader, outermost first
    std::optional<Read> current;
    const auto text = [&reader] { return reader.readElementText(QXmlStreamReader::SkipChildElements).trimmed(); };
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            const QString name = reader.name().toString();
            const bool plain = reader.namespaceUri().isEmpty();
            if (name == u"item") {
                current = Read{};
            } else if (current && name == u"enclosure") {
                for (const QXmlStreamAttribute& attribute : reader.attributes()) {
                    if (attribute.name() == u"version" && current->build.isEmpty())
                        current->build = attribute.value().toString().trimmed();
                    if (attribute.name() == u"shortVersionString" && current->shortVersion.isEmpty())
                        current->shortVersion = attribute.value().toString().trimmed();
                }
            } else if (current && name == u"version") {
                current->build = text();
                continue; // its end is read
            } else if (current && name == u"shortVersionString") {
                current->shortVersion = text();
                continue;
            } else if (current && name == u"link" && plain) {
                current->page = QUrl(text(), QUrl::StrictMode);
                continue;
            } else if (!current && name == u"link" && plain && open.value(open.size() - 1) == u"channel") {
                channelPage = QUrl(text(), QUrl::StrictMode);
                continue;
            }
            open << name;
        } else if (reader.isEndElement()) {
            if (!open.isEmpty())
                open.removeLast();
            if (reader.name() == u"item" && current) {
                read.append(*current);
                current.reset();
            }
        }
    }

    QList<Item> items;
    for (const Read& item : read) {
        Item parsed;
        // The build number ("2041") orders builds of one version; only the short
        // version string compares with the version of this app. A build number
        // alone, undotted, says nothing about which version is newer.
        if (isVersion(item.shortVersion))
            parsed.version = item.shortVersion;
        else if (isVersion(item.build) && item.build.contains(u'.'))
            parsed.version = item.build;
        else
            continue;
        parsed.displayVersion = parsed.version;
        // Appcasts often name the page once, for the whole channel.
        parsed.page = item.page.isEmpty()                               ? channelPage
                      : item.page.isRelative() && channelPage.isValid() ? channelPage.resolved(item.page)
                                                                        : item.page;
        if (parsed.page.isEmpty())
            continue;
        items.append(parsed);
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
