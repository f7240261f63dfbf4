#pragma once

#include "routedata/RoutePoint.h"

#include <QWidget>

class QLabel;
class QLineEdit;

namespace ostrevin {

class LocationPlannerViewModel;
class MapPin;

namespace kit {
class IconButton;
class KitLabel;
} // namespace kit

/// The selected point of the place panel: a pin that turns live while this point
/// is held on the iPhone, the point's name as an editable field, its coordinates
/// as selectable text, a star that saves it, and a note when it ends a route.
class SelectedPlaceCard final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SelectedPlaceCard)

public:
    SelectedPlaceCard(LocationPlannerViewModel& viewModel, const RoutePoint& point, QWidget* parent = nullptr);
    ~SelectedPlaceCard() override = default;

    /// Shows another point (or the same one renamed). A new point resets the name
    /// being typed; a rename from elsewhere waits while the user types.
    void setPoint(const RoutePoint& point);
    /// Re-reads what the card shows of the view model.
    void refresh();

    const RoutePoint& point() const { return m_point; }
    QLineEdit* nameField() const { return m_name; }
    bool isPinLive() const { return m_isLive; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void commitName();
    void saveLocation();
    void fitCoordinates();

    LocationPlannerViewModel& m_viewModel;
    RoutePoint m_point;
    MapPin* m_pin;
    QLineEdit* m_name;
    QLabel* m_coordinates;
    kit::IconButton* m_star;
    kit::KitLabel* m_destinationNote;
    bool m_isNameFocused = false;
    bool m_isLive = false;
};

} // namespace ostrevin
