#pragma once

#include "routedata/RoutePoint.h"
#include "views/kit/KeyedRows.h"
#include "views/route/RoutePointRow.h"

#include <QDateTime>
#include <QList>
#include <QUuid>
#include <QWidget>
#include <optional>

class QAbstractButton;
class QVBoxLayout;

namespace ostrevin {

class DeletionConfirmation;
class LocationPlannerViewModel;
class PlaceSearchField;
class PlaceSearchService;
class RouteSummaryCard;

namespace kit {
class DisclosureGroup;
class KitLabel;
class LinkButton;
} // namespace kit

/// The details of a route of two points or more, under the route panel's
/// controls: the summary card, the directions of the chosen alternative, and the
/// route's points with a field that appends one and "Clear route…". Made when the
/// draft becomes a route, its groups folded; it holds no route data and reads
/// the view model on every refresh.
class RouteDetailsView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RouteDetailsView)

public:
    /// A draft of this many points or more lists only its ends, and none of its rows moves.
    static constexpr qsizetype listingLimit = 25;

    /// The view model, the search service and the confirmation must outlive the view.
    RouteDetailsView(LocationPlannerViewModel& viewModel, PlaceSearchService& searchService,
                     DeletionConfirmation& confirmation, QWidget* parent = nullptr);
    ~RouteDetailsView() override;

    /// The points the "Route points" group lists.
    static QList<RoutePoint> listedPoints(const QList<RoutePoint>& points, const QList<RoutePoint>& mapDisplayPoints);
    /// The flags of the row at index of the listed points.
    static RoutePointRow::Flags pointRowFlags(qsizetype index, qsizetype listedCount, qsizetype pointCount,
                                              bool canEditRouteDraft, bool canChangeIPhoneLocation, bool isPushed);

    /// Re-reads the view model; the arrival is counted from now.
    void refresh(const QDateTime& now);
    /// Moves the arrival on to now.
    void refreshArrival(const QDateTime& now);
    /// Makes the next refresh write the directions again (their distances follow the units).
    void rewriteDirections() { m_listedStepsOf.reset(); }

    RouteSummaryCard* summaryCard() const { return m_summary; }
    /// Null while the chosen alternative has no steps.
    kit::DisclosureGroup* directionsGroup() const { return m_directions; }
    kit::DisclosureGroup* pointsGroup() const { return m_pointsGroup; }
    kit::KitLabel* longRouteNotice() const { return m_longRouteNotice; }
    QList<RoutePointRow*> pointRows() const { return m_pointRows.rows(); }
    PlaceSearchField* addPointField() const { return m_addPoint; }
    QAbstractButton* clearRouteButton() const;

private:
    void refreshDirections();
    void refreshPoints();

    LocationPlannerViewModel& m_viewModel;
    DeletionConfirmation& m_confirmation;
    RouteSummaryCard* m_summary;
    QVBoxLayout* m_directionsHolder;
    kit::DisclosureGroup* m_directions = nullptr;
    kit::DisclosureGroup* m_pointsGroup;
    kit::KitLabel* m_longRouteNotice;
    QVBoxLayout* m_pointRowsBox;
    kit::KeyedRows<RoutePoint, RoutePointRow> m_pointRows;
    PlaceSearchField* m_addPoint;
    kit::LinkButton* m_clearRoute;
    /// The alternative whose steps are listed, so that they are rebuilt only when it changes.
    std::optional<QUuid> m_listedStepsOf;
    /// The draft an append search was started for.
    QList<RoutePoint> m_pointsAtAddSearch;
};

} // namespace ostrevin
