#pragma once

#include "routedata/RouteHistoryItem.h"
#include "routedata/RoutePoint.h"
#include "routedata/SavedLocation.h"
#include "views/kit/KeyedRows.h"

#include <QList>
#include <QUuid>
#include <QWidget>
#include <memory>
#include <optional>

namespace ostrevin {

class CityChips;
class DeviceBlockerNotice;
class LocationPlannerViewModel;
class PlaceSearchField;
class PlaceSearchService;
class SelectedPlaceCard;

class NameReplacementQuestion;

namespace kit {
class ActionButton;
class EmptyStateView;
class FocusReturn;
class LibraryRow;
class PanelSection;
} // namespace kit

/// The side panel of the place section: place search, the selected place's card
/// (or an empty state), saved locations, recent places, preset cities, and a
/// footer with the device notice and "Set location". It keeps no state of the
/// system's own: it observes the view model and calls its operations.
class PlacePanel final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlacePanel)

public:
    static constexpr int savedLocationLimit = 6;
    static constexpr int recentPlaceLimit = 4;

    /// Both must outlive the panel.
    PlacePanel(LocationPlannerViewModel& viewModel, PlaceSearchService& searchService, QWidget* parent = nullptr);
    ~PlacePanel() override = default;

    /// The history entries of single places, newest first, at most four.
    static QList<RouteHistoryItem> recentPlaces(const QList<RouteHistoryItem>& history);

    PlaceSearchField* searchField() const { return m_search; }
    SelectedPlaceCard* card() const { return m_card; }
    CityChips* cityChips() const { return m_cities; }
    DeviceBlockerNotice* blockerNotice() const { return m_notice; }
    kit::ActionButton* setLocationButton() const { return m_setLocation; }
    kit::PanelSection* savedSection() const { return m_savedSection; }
    kit::PanelSection* recentSection() const { return m_recentSection; }
    NameReplacementQuestion& replacementQuestion() const { return *m_replacement; }

private:
    void refreshSelection();
    void refreshGates();
    void refreshSavedLocations();
    void refreshRecentPlaces();
    void searchPicked(const RoutePoint& point);

    LocationPlannerViewModel& m_viewModel;
    PlaceSearchField* m_search;
    QWidget* m_selectionBox;
    SelectedPlaceCard* m_card = nullptr;
    kit::EmptyStateView* m_emptyState;
    kit::PanelSection* m_savedSection;
    std::unique_ptr<kit::KeyedRows<SavedLocation, kit::LibraryRow>> m_savedRows;
    kit::PanelSection* m_recentSection;
    std::unique_ptr<kit::KeyedRows<RouteHistoryItem, kit::LibraryRow>> m_recentRows;
    CityChips* m_cities;
    DeviceBlockerNotice* m_notice;
    kit::ActionButton* m_setLocation;
    NameReplacementQuestion* m_replacement;
    kit::FocusReturn* m_focusReturn;
    /// The selected point when the running search began: a late answer must not
    /// replace a place the user picked since.
    std::optional<QUuid> m_pointAtSearchStart;
};

} // namespace ostrevin
