#include "views/route/RouteDetailsView.h"

#include "planner/LocationPlannerViewModel.h"
#include "planner/PlannerTexts.h"
#include "routedata/RouteMapPresentation.h"
#include "routedata/TovrelFormat.h"
#include "views/common/DeletionConfirmation.h"
#include "views/common/LibraryTexts.h"
#include "views/kit/Brand.h"
#include "views/kit/DisclosureGroup.h"
#include "views/kit/KitLabel.h"
#include "views/kit/Layouts.h"
#include "views/kit/LinkButton.h"
#include "views/kit/SymbolMark.h"
#include "views/kit/Symbols.h"
#include "views/kit/TextStyle.h"
#include "views/place/PlaceSearchField.h"
#include "views/route/RouteStepRow.h"
#include "views/route/RouteSummaryCard.h"

#include <QLineEdit>
#include <QLocale>
#include <QVBoxLayout>

namespace ostrevin {

using namespace kit;

RouteDetailsView::RouteDetailsView(LocationPlannerViewModel& viewModel, PlaceSearchService& searchService,
                                   DeletionConfirmation& confirmation, QWidget* parent)
    : QWidget(parent), m_viewModel(viewModel), m_confirmation(confirmation), m_summary(new RouteSummaryCard(viewModel)),
      m_pointRowsBox(columnLayout(new QWidget, 0)),
      m_pointRows(*m_pointRowsBox, 0, KeyedRows<RoutePoint, RoutePointRow>::Index::shown)
{
    auto* layout = columnLayout(this, 12);
    layout->addWidget(m_summary);

    auto* directionsHolder = new QWidget;
    m_directionsHolder = columnLayout(directionsHolder, 0);
    layout->addWidget(directionsHolder);

    auto* points = new QWidget;
    auto* pointsLayout = columnLayout(points, 8);
    pointsLayout->setContentsMargins(0, 8, 0, 0);
    m_longRouteNotice = new KitLabel(QString(), TextStyle::Caption);
    m_longRouteNotice->setColorRole(BrandColor::Secondary);
    pointsLayout->addWidget(m_longRouteNotice);
    pointsLayout->addWidget(m_pointRowsBox->parentWidget());

    // Painted in the colour of the moment, so it follows a light/dark change.
    auto* plus = new SymbolMark("plus"_symbol, BrandColor::Secondary, 16, 16);
    plus->setAccessibleName(QString());
    //: Placeholder of the search field under Route points that appends a point (place, address or coordinates) to the
    //: route.
    m_addPoint = new PlaceSearchField(searchService, tr("Add point"), plus);
    m_addPoint->setObjectName(QStringLiteral("addPointField"));
    // Points are often added one after another: Return leaves the field ready for the next.
    m_addPoint->setKeepsFocusAfterPick(true);
    const auto followCamera = [this] {
        const auto centre = m_viewModel.mapPresentation().cameraPosition().center;
        m_addPoint->setSearchBias(std::pair{centre.latitude, centre.longitude});
    };
    followCamera();
    connect(&m_viewModel.mapPresentation(), &RouteMapPresentation::cameraPositionChanged, this, followCamera);
    connect(m_addPoint, &PlaceSearchField::resolutionStarted, this,
            [this] { m_pointsAtAddSearch = m_viewModel.draft().points(); });
    connect(m_addPoint, &PlaceSearchField::picked, this, [this](const RoutePoint& point) {
        // Appended only to the draft it was searched for, not to one edited or replaced meanwhile.
        if (m_viewModel.draft().points() == m_pointsAtAddSearch)
            m_viewModel.addRoutePoint(point);
    });
    connect(m_addPoint, &PlaceSearchField::failed, this,
            [this](const QString& message) { m_viewModel.setNotice(message); });
    pointsLayout->addWidget(m_addPoint);

    //: Link under the route points: asks to remove every point of the route.
    m_clearRoute = new LinkButton(tr("Clear route…"), BrandColor::Failure);
    m_clearRoute->setObjectName(QStringLiteral("clearRoute"));
    connect(m_clearRoute, &QAbstractButton::clicked, this,
            [this] { m_confirmation.ask(PendingDeletion::completeRoute()); });
    pointsLayout->addWidget(m_clearRoute, 0, Qt::AlignLeft);

    //: Disclosure group of the route details: the route's points.
    m_pointsGroup = new DisclosureGroup(tr("Route points"), points);
    layout->addWidget(m_pointsGroup);
}

RouteDetailsView::~RouteDetailsView() = default;

QAbstractButton* RouteDetailsView::clearRouteButton() const
{
    return m_clearRoute;
}

QList<RoutePoint> RouteDetailsView::listedPoints(const QList<RoutePoint>& points,
                                                 const QList<RoutePoint>& mapDisplayPoints)
{
    return points.size() < listingLimit ? points : mapDisplayPoints;
}

RoutePointRow::Flags RouteDetailsView::pointRowFlags(qsizetype index, qsizetype listedCount, qsizetype pointCount,
                                                     bool canEditRouteDraft, bool canChangeIPhoneLocation,
                                                     bool isPushed)
{
    const bool listedInFull = pointCount < listingLimit;
    RoutePointRow::Flags flags;
    flags.canMoveUp = listedInFull && index > 0;
    flags.canMoveDown = listedInFull && index < listedCount - 1;
    flags.canSend = canChangeIPhoneLocation;
    flags.canEdit = listedInFull && canEditRouteDraft;
    flags.isPushed = isPushed;
    return flags;
}

void RouteDetailsView::refresh(const QDateTime& now)
{
    const bool canEdit = m_viewModel.canEditRouteDraft();
    m_summary->refresh(now);
    m_summary->nameField()->setEnabled(canEdit);
    refreshDirections();
    refreshPoints();
    m_addPoint->setEnabled(canEdit);
    m_clearRoute->setEnabled(canEdit);
}

void RouteDetailsView::refreshArrival(const QDateTime& now)
{
    m_summary->refresh(now);
}

void RouteDetailsView::refreshDirections()
{
    const std::optional<PlannedRouteOption> selected = m_viewModel.draft().selectedRouteAlternative();
    const bool hasSteps = selected && !selected->steps.isEmpty();
    const std::optional<QUuid> listed = hasSteps ? std::optional(selected->id) : std::nullopt;
    if (listed == m_listedStepsOf && (m_directions != nullptr) == hasSteps)
        return;
    m_listedStepsOf = listed;
    const bool wasExpanded = m_directions && m_directions->isExpanded();
    delete m_directions;
    m_directions = nullptr;
    if (!hasSteps)
        return;
    auto* steps = new QWidget;
    auto* layout = columnLayout(steps, 10);
    layout->setContentsMargins(0, 8, 0, 0);
    for (qsizetype i = 0; i < selected->steps.size(); ++i) {
        const PlannedRouteStep& step = selected->steps.at(i);
        const QString detail = common::summaryLine(
            {PlannerTexts::transportStepTitle(step.transportType), TovrelFormat::distance(step.distance)});
        layout->addWidget(new RouteStepRow(static_cast<int>(i + 1), step, detail));
    }
    //: Disclosure group of the route details: the turn-by-turn steps of the chosen route.
    m_directions = new DisclosureGroup(tr("Directions"), steps);
    // Choosing another alternative keeps the group as the user left it.
    m_directions->setExpanded(wasExpanded);
    m_directionsHolder->addWidget(m_directions);
}

void RouteDetailsView::refreshPoints()
{
    const QList<RoutePoint>& points = m_viewModel.draft().points();
    const QList<RoutePoint> listed = listedPoints(points, m_viewModel.draft().mapDisplayPoints());
    m_longRouteNotice->setVisible(points.size() >= listingLimit);
    //: Note above the route points of a long route. %1 is the number of points.
    m_longRouteNotice->setText(tr("This route has %1 points. Only the start and destination are shown.")
                                   .arg(QLocale().toString(static_cast<qlonglong>(points.size()))));
    m_pointRows.sync(
        listed,
        [this](const RoutePoint& point, qsizetype index) {
            auto* row = new RoutePointRow(static_cast<int>(index), point, {});
            // Copies: the call changes the list the row shows.
            connect(row, &RoutePointRow::moveUpRequested, this,
                    [this, row] { m_viewModel.movePoint(RoutePoint(row->point()), -1); });
            connect(row, &RoutePointRow::moveDownRequested, this,
                    [this, row] { m_viewModel.movePoint(RoutePoint(row->point()), 1); });
            connect(row, &RoutePointRow::sendRequested, this,
                    [this, row] { m_viewModel.pushPointToIPhone(RoutePoint(row->point())); });
            connect(row, &RoutePointRow::removeRequested, this,
                    [this, row] { m_confirmation.ask(PendingDeletion::routePoint(row->point())); });
            return row;
        },
        [](RoutePointRow& row, const RoutePoint& point, qsizetype index) {
            row.setPoint(static_cast<int>(index), point);
        });

    const QList<RoutePointRow*> rows = pointRows();
    const auto& pushed = m_viewModel.hold().lastPushedPointID();
    // A menu that cannot open says why, rather than only looking fainter.
    const QString lockedReason = points.size() >= listingLimit
                                     //: Tooltip of a route point's disabled menu on a route of 25 or more points.
                                     ? tr("Points of a route this long can’t be moved or removed one by one.")
                                     : m_viewModel.mapClickInstruction();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        RoutePointRow* row = rows.at(i);
        RoutePointRow::Flags flags =
            pointRowFlags(i, rows.size(), points.size(), m_viewModel.canEditRouteDraft(),
                          m_viewModel.canChangeIPhoneLocation(), pushed && *pushed == row->point().id);
        if (!flags.canEdit)
            flags.lockedReason = lockedReason;
        row->setFlags(flags);
    }
}

} // namespace ostrevin
