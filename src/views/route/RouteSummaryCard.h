#pragma once

#include <QDateTime>
#include <QWidget>

class QLineEdit;

namespace ostrevin {

class LocationPlannerViewModel;

namespace kit {
class IconButton;
class MetricView;
} // namespace kit

/// The card above a route's details: the route's name (edited in place), the
/// button that saves the route under it, and its distance, travel time and arrival.
class RouteSummaryCard final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RouteSummaryCard)

public:
    explicit RouteSummaryCard(LocationPlannerViewModel& viewModel, QWidget* parent = nullptr);
    ~RouteSummaryCard() override = default;

    /// Re-reads the view model; the arrival is counted from now.
    void refresh(const QDateTime& now);

    /// Whole minutes shown for a travel time: none for no time, at least one,
    /// rounded up.
    static qint64 shownMinutes(double seconds);
    /// The arrival as a time of day in the current locale, or "–" without a time.
    static QString arrivalText(double seconds, const QDateTime& now);

    QLineEdit* nameField() const { return m_name; }
    kit::IconButton* saveButton() const { return m_save; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    LocationPlannerViewModel& m_viewModel;
    QLineEdit* m_name;
    kit::IconButton* m_save;
    kit::MetricView* m_distance;
    kit::MetricView* m_time;
    kit::MetricView* m_arrival;
};

} // namespace ostrevin
