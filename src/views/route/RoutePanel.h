#pragma once

#include "routedata/PlannedRouteOption.h"
#include "routedata/RoutePoint.h"
#include "routedata/RouteTransportMode.h"
#include "views/kit/KeyedRows.h"

#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QAbstractButton;
class QComboBox;
class QPushButton;
class QSlider;

namespace ostrevin {

class DeletionConfirmation;
class DeviceBlockerNotice;
class LocationPlannerViewModel;
class NameReplacementQuestion;
class PlaceSearchField;
class PlaceSearchService;
class RouteAlternativeRow;
class RouteDetailsView;
class RoutePointRow;
class RouteSummaryCard;
class TravelModePicker;

namespace kit {
class ActionButton;
class DisclosureGroup;
class EmptyStateView;
class FocusReturn;
class IconButton;
class InlineNotice;
class KitLabel;
class PanelSection;
class RelativeTimeTicker;
} // namespace kit

/// The side panel of the route section: the start and destination fields, the
/// travel mode and speed, planning, the alternatives, the route's summary,
/// directions and points, and "Start route". It holds no route data: it reads
/// the view model on every change and acts through its operations. Nothing is
/// removed at the first click: removals wait for the confirmation.
class RoutePanel final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RoutePanel)

public:
    /// The extreme profile's slider, in km/h.
    static constexpr int slowestTownSpeed = 90;
    static constexpr int fastestTownSpeed = 220;
    static constexpr int townSpeedStep = 5;

    /// Both must outlive the panel.
    RoutePanel(LocationPlannerViewModel& viewModel, PlaceSearchService& searchService, QWidget* parent = nullptr);
    ~RoutePanel() override;

    /// The segment a stored mode shows: bus, train and tram as transit; "any" as none.
    static std::optional<RouteTransportMode> shownTransportMode(RouteTransportMode stored);
    /// The slider's speed for a position: snapped to the step within the range.
    static double townSpeedForPosition(int position);

    /// The control that takes Start route's place while the route plays (the control
    /// bar's Stop route): it has the keyboard once a route started from Start route plays.
    void setStartRouteStandIn(std::function<QWidget*()> standIn);

    /// Where the arrival time is counted from (tests and pictures fix it).
    void setClock(std::function<QDateTime()> now);
    kit::RelativeTimeTicker& arrivalTicker() const { return *m_arrivalTicker; }

    // The controls, for tests and pictures.
    kit::IconButton* resetButton() const { return m_reset; }
    PlaceSearchField* startField() const { return m_start; }
    PlaceSearchField* destinationField() const { return m_destination; }
    TravelModePicker* travelModePicker() const { return m_travelMode; }
    QComboBox* speedMenu() const { return m_speedMenu; }
    QSlider* townSpeedSlider() const { return m_townSpeed; }
    QString townSpeedText() const;
    QWidget* upperGroup() const { return m_upper; }
    QWidget* speedControl() const { return m_speedControl; }
    kit::ActionButton* planButton() const { return m_plan; }
    QWidget* progressRow() const { return m_progress; }
    QString progressText() const;
    kit::InlineNotice* offlineNotice() const { return m_offline; }
    kit::PanelSection* alternativesSection() const { return m_alternativesSection; }
    QList<RouteAlternativeRow*> alternativeRows() const;
    kit::EmptyStateView* emptyState() const { return m_emptyState; }
    /// The route's details, while the draft is a route (else null), and their parts.
    RouteDetailsView* routeBlock() const { return m_details; }
    RouteSummaryCard* summaryCard() const;
    kit::DisclosureGroup* directionsGroup() const;
    kit::DisclosureGroup* pointsGroup() const;
    kit::KitLabel* longRouteNotice() const;
    QList<RoutePointRow*> pointRows() const;
    PlaceSearchField* addPointField() const;
    QAbstractButton* clearRouteButton() const;
    DeviceBlockerNotice* blockerNotice() const { return m_blocker; }
    kit::ActionButton* startRouteButton() const { return m_startRoute; }
    DeletionConfirmation& deletionConfirmation() const { return *m_confirmation; }
    /// The open "Replace …?" question of a route save, if any.
    QMessageBox* replacementQuestion() const;

private:
    QWidget* buildEndpointFields(PlaceSearchService& searchService);
    QWidget* buildTravelModeControl();
    QWidget* buildSpeedControl();
    QWidget* buildPlanningStatus();
    bool hasBothEndpoints() const;
    std::optional<QUuid> endpointID(bool isStart) const;
    void travelModePicked(RouteTransportMode mode);
    void resetClicked();
    void refresh();
    void refreshEndpoints();
    void refreshTravelMode();
    void refreshSpeed();
    void refreshPlanningStatus();
    void refreshRouteBlock();
    void refreshAlternatives();

    LocationPlannerViewModel& m_viewModel;
    std::function<QDateTime()> m_now;
    DeletionConfirmation* m_confirmation;

    kit::IconButton* m_reset;
    QWidget* m_upper;
    PlaceSearchField* m_start;
    PlaceSearchField* m_destination;
    TravelModePicker* m_travelMode;
    kit::KitLabel* m_travelModeTitle;
    kit::InlineNotice* m_offline;
    QWidget* m_speedControl;
    kit::KitLabel* m_speedSummary;
    QComboBox* m_speedMenu;
    QWidget* m_townSpeedRow;
    QSlider* m_townSpeed;
    kit::KitLabel* m_townSpeedValue;
    QWidget* m_planningStatus;
    QWidget* m_progress;
    kit::KitLabel* m_progressText;
    kit::ActionButton* m_plan;
    kit::PanelSection* m_alternativesSection;
    QWidget* m_alternativesBox;
    std::unique_ptr<kit::KeyedRows<PlannedRouteOption, RouteAlternativeRow>> m_alternativeRows;
    kit::EmptyStateView* m_emptyState;
    QWidget* m_routeHolder;
    RouteDetailsView* m_details = nullptr;
    PlaceSearchService& m_searchService;
    DeviceBlockerNotice* m_blocker;
    kit::ActionButton* m_startRoute;
    NameReplacementQuestion* m_replacement = nullptr;
    kit::RelativeTimeTicker* m_arrivalTicker = nullptr;
    kit::FocusReturn* m_focusReturn;
    /// What a running search would replace, noted when it began.
    std::optional<QUuid> m_startAtSearch;
    std::optional<QUuid> m_destinationAtSearch;
};

} // namespace ostrevin
