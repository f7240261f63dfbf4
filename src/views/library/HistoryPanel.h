#pragma once

#include <QWidget>

class QVBoxLayout;

namespace ostrevin {

class LocationPlannerViewModel;

namespace kit {
class IconButton;
class LibraryRow;
class RelativeTimeTicker;
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
    void rebuild();
    void syncGates();
    QStringList dateTexts() const;

    struct Row {
        kit::LibraryRow* row;
        kit::IconButton* reuse;
    };

    LocationPlannerViewModel& m_viewModel;
    QVBoxLayout* m_content;
    QList<Row> m_rows;
    QStringList m_shownDates;
    kit::RelativeTimeTicker* m_ticker;
};

} // namespace ostrevin
