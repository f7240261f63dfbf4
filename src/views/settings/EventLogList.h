#pragma once

#include "routedata/TrackerLogEntry.h"

#include <QList>
#include <QWidget>

class QScrollArea;
class QVBoxLayout;

namespace ostrevin {

namespace kit {
class KitLabel;
}

/// The event log in a fixed-height scrolling box, one row per entry in the order
/// given (the view model keeps it newest first): the level's symbol, the time and
/// the message, which can be selected. Rows are reused as entries change.
class EventLogList final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EventLogList)

public:
    static constexpr int boxHeight = 132;

    explicit EventLogList(QWidget* parent = nullptr);
    ~EventLogList() override = default;

    void setEntries(const QList<TrackerLogEntry>& entries);
    /// The rows shown now (hidden spare rows excluded), top first.
    QList<QWidget*> visibleRows() const;
    QScrollArea* scrollArea() const { return m_scroll; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QScrollArea* m_scroll;
    QVBoxLayout* m_rows;
    kit::KitLabel* m_empty;
    QList<QWidget*> m_rowWidgets;
};

} // namespace ostrevin
