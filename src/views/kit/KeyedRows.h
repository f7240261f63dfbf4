#pragma once

#include <QBoxLayout>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QUuid>
#include <QWidget>
#include <functional>

namespace ostrevin::kit {

/// Takes a row out of its list at once and deletes it later: the row may be the
/// one whose click is still being delivered (moving a point rewrites the list it
/// sits in), and nothing looking for rows finds it meanwhile.
void retireRow(QWidget* row);
/// Puts the rows' keyboard stops one after another in the Tab order, in the
/// order given, after the first row's first stop.
void chainTabOrder(const QList<QWidget*>& rows);

/// The rows of a list, one per item, kept by the item's id. A refresh keeps the
/// row of every item still listed (its keyboard focus, an open menu), writes into
/// it only when its item or place changed, makes rows for new items, retires the
/// rows of items gone and puts the rows in the items' order.
///
/// Item is a record with an `id` (QUuid) and `operator==`; an id listed twice
/// gets two rows, matched in order. Row is a widget the layout's widget owns.
template <typename Item, typename Row> class KeyedRows {
    Q_DISABLE_COPY_MOVE(KeyedRows)

public:
    /// make(item, index): a new row showing item at index of the list.
    using Make = std::function<Row*(const Item&, qsizetype)>;
    /// update(row, item, index): rewrites a kept row. Without it, a row whose item
    /// changed is replaced by a new one.
    using Update = std::function<void(Row&, const Item&, qsizetype)>;

    /// Whether a row shows its place in the list (then moving it rewrites it).
    enum class Index { hidden, shown };

    /// The rows sit in layout from position first on (a list may show something above them).
    explicit KeyedRows(QBoxLayout& layout, int first = 0, Index index = Index::hidden)
        : m_layout(layout), m_first(first), m_index(index)
    {
    }
    /// Rows retired but not deleted yet (no event loop ran since) go now.
    ~KeyedRows()
    {
        for (const QPointer<QWidget>& row : std::as_const(m_retired))
            delete row.data();
    }

    void sync(const QList<Item>& items, const Make& make, const Update& update = {})
    {
        QHash<QUuid, QList<qsizetype>> shown;
        for (qsizetype i = 0; i < m_entries.size(); ++i)
            shown[m_entries.at(i).item.id].append(i);
        QList<bool> kept(m_entries.size(), false);
        QList<Entry> next;
        next.reserve(items.size());
        bool added = false;
        for (qsizetype i = 0; i < items.size(); ++i) {
            const Item& item = items.at(i);
            auto match = shown.find(item.id);
            if (match != shown.end() && !match->isEmpty()) {
                const qsizetype at = match->takeFirst();
                Entry entry = m_entries.at(at);
                const bool changed = !(entry.item == item) || (m_index == Index::shown && entry.index != i);
                if (!changed || update) {
                    kept[at] = true;
                    if (changed)
                        update(*entry.row, item, i);
                    next.append({entry.row, item, i});
                    continue;
                }
            }
            next.append({make(item, i), item, i});
            added = true;
        }
        m_retired.removeIf([](const QPointer<QWidget>& row) { return row.isNull(); });
        for (qsizetype i = 0; i < m_entries.size(); ++i) {
            if (!kept.at(i)) {
                m_retired.append(m_entries.at(i).row);
                retireRow(m_entries.at(i).row);
            }
        }
        bool moved = false;
        for (qsizetype i = 0; i < next.size(); ++i) {
            Row* row = next.at(i).row;
            const int place = m_first + static_cast<int>(i);
            const int at = m_layout.indexOf(row);
            if (at == place)
                continue;
            if (at >= 0) {
                m_layout.removeWidget(row);
                moved = true;
            }
            m_layout.insertWidget(place, row);
        }
        m_entries = std::move(next);
        if (added || moved) {
            const QList<Row*> listed = rows();
            chainTabOrder(QList<QWidget*>(listed.cbegin(), listed.cend()));
        }
    }

    /// Retires every row.
    void clear() { sync({}, {}); }

    QList<Row*> rows() const
    {
        QList<Row*> rows;
        rows.reserve(m_entries.size());
        for (const Entry& entry : m_entries)
            rows.append(entry.row);
        return rows;
    }
    qsizetype size() const { return m_entries.size(); }
    bool isEmpty() const { return m_entries.isEmpty(); }

    /// The item a row shows now; null for a row no longer listed.
    const Item* itemOf(const QWidget* row) const
    {
        for (const Entry& entry : m_entries) {
            if (entry.row == row)
                return &entry.item;
        }
        return nullptr;
    }

    /// Calls visit(row, item) for every row, in order (to rewrite what depends on more than the item).
    template <typename Visit> void forEach(Visit visit) const
    {
        for (const Entry& entry : m_entries)
            visit(*entry.row, entry.item);
    }

private:
    struct Entry {
        Row* row;
        Item item;
        qsizetype index;
    };

    QBoxLayout& m_layout;
    int m_first;
    Index m_index;
    QList<Entry> m_entries;
    QList<QPointer<QWidget>> m_retired;
};

} // namespace ostrevin::kit
