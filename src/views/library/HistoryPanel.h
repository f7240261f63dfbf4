#pragma once

#include "routedata/RouteHistoryItem.h"
#include "views/kit/KeyedRows.h"

#include <QWidget>
#include <memory>

namespace ostrevin {

class LocationPlannerViewModel;

namespace kit {
class EmptyStateView;
class LibraryRow;
class RelativeTimeTicker;
class RowList;
} // namespace kit

/// The side panel of recently set locations and played routes, newest first. A
/// row loads its entry; its button loads it and at once sets it on the iPhone (a
/// location) or plays it (a route). An entry with fewer than two points counts
/// as a location. Relative dates follow the clock while the panel is shown.
class HistoryPanel final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryPanel)

public:
    explicit HistoryPanel(LocationPlannerViewModel& viewModel, QWidget* parent = nullptr);
    ~HistoryPanel() override = default;

    kit::RelativeTimeTicker& ticker() const { return *m_ticker; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();
    /// Writes the relative dates as they read now.
    void refreshDates();
    void syncGates();
    kit::LibraryRow* makeRow();
    void showEntry(kit::LibraryRow& row, const RouteHistoryItem& entry, const QDateTime& now) const;
    QStringList dateTexts() const;

    LocationPlannerViewModel& m_viewModel;
    kit::EmptyStateView* m_empty;
    kit::RowList* m_list;
    std::unique_ptr<kit::KeyedRows<RouteHistoryItem, kit::LibraryRow>> m_rows;
    QStringList m_shownDates;
    kit::RelativeTimeTicker* m_ticker;
};

} // namespace ostrevin
