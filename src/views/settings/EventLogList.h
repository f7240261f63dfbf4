#pragma once

#include "routedata/TrackerLogEntry.h"
#include "views/kit/KeyedRows.h"

#include <QList>
#include <QWidget>
#include <memory>

class QScrollArea;

namespace ostrevin {

namespace kit {
class KitLabel;
}

/// The event log in a fixed-height scrolling box, one row per entry in the order
/// given (the view model keeps it newest first): the level's symbol, the time and
/// the start of the message, which can be selected. A new entry adds its row; the
/// rows of the others are kept as they are.
class EventLogList final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EventLogList)

public:
    static constexpr int boxHeight = 132;
    /// How much of a message a row shows; Copy and Export keep the whole.
    static constexpr int shownLines = 4;
    static constexpr qsizetype shownCharacters = 400;
    /// Rows made at a time: at first, and each time the list is scrolled to its end.
    static constexpr qsizetype rowBatch = 20;

    explicit EventLogList(QWidget* parent = nullptr);
    ~EventLogList() override = default;

    void setEntries(const QList<TrackerLogEntry>& entries);
    /// What a row shows of a message: its start, cut with an ellipsis.
    static QString shownMessage(const QString& message);
    /// The rows made so far, top first (more are made as the list scrolls).
    QList<QWidget*> visibleRows() const;
    QScrollArea* scrollArea() const { return m_scroll; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void showMoreRows();
    void syncRows(const QList<TrackerLogEntry>& entries);

    QScrollArea* m_scroll;
    kit::KitLabel* m_empty;
    /// The rows of the first entries.
    std::unique_ptr<kit::KeyedRows<TrackerLogEntry, QWidget>> m_rows;
    QList<TrackerLogEntry> m_entries;
};

} // namespace ostrevin
