#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>
#include <optional>

namespace ostrevin {

/// The update feed: an RSS 2.0 channel whose items each name one release, as
/// appcasts write them. An item's version is its "shortVersionString" (element in
/// any namespace, or enclosure attribute); without one, its "version" when that is
/// dotted ("1.4.2"): a bare build number ("2041") is no version, and such an item
/// is left out. Its "link" is the release's page; an item without one takes the
/// channel's link, and is left out when the channel has none either. Nothing in
/// the feed is ever downloaded or run: the page is only offered to the user's
/// browser.
struct UpdateFeed {
    struct Item {
        QString version;
        QString displayVersion;
        QUrl page;

        bool operator==(const Item&) const = default;
    };

    /// The items with a readable version, in feed order. Throws nothing: a feed that
    /// is not well-formed XML yields what was read before the error, and reports it
    /// through ok.
    static QList<Item> parse(const QByteArray& xml, bool* ok = nullptr);
    /// The item with the highest version; the first of equal ones.
    static std::optional<Item> newest(const QList<Item>& items);

    /// Compares dotted versions numerically ("1.10" > "1.9", "1.0" == "1"); -1, 0, 1.
    /// A component's leading digits count; what follows them is ignored.
    static int compareVersions(const QString& left, const QString& right);
    /// At least one component with a leading digit.
    static bool isVersion(const QString& text);
};

} // namespace ostrevin
