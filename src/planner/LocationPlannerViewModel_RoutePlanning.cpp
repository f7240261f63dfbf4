#include "async/Scheduler.h"
#include "planner/DirectionsService.h"
#include "planner/DirectionsServiceError.h"
#include "planner/LocationPlannerViewModel.h"
#include "planner/LocationPlannerViewModel_Private.h"
#include "planner/PlannedRoutes.h"
#include "platform/NetworkTransportError.h"
#include "routedata/RouteDataNormalizer.h"
#include "routedata/RoutePlanningError.h"
#include "routedata/RouteSpeedCalculator.h"

#include <QCoro/QCoroFuture>
#include <cmath>

namespace ostrevin {

namespace {

/// How long planning waits for the directions service before it gives up.
constexpr std::chrono::seconds routePlanningTimeout{25};

/// The draft's speed bounds when it comes from a planned route, in km/h.
constexpr double slowestPlannedSpeed = 1;
constexpr double fastestPlannedSpeed = 300;

} // namespace

void LocationPlannerViewModel::planMapRoute(const std::optional<QString>& preferredName)
{
    if (!canEditRouteDraft())
        return;
    if (!d->m_draft->routeStartPoint() || !d->m_draft->routeDestinationPoint()) {
        //: Alert message.
        setNotice(tr("Choose a start and destination on the map first."));
        return;
    }
    const RoutePoint start = *d->m_draft->routeStartPoint();
    const RoutePoint destination = *d->m_draft->routeDestinationPoint();
    //: Progress text (map banner and next to the Plan route button).
    const QUuid id = d->beginRoutePlanning(tr("Calculating route…"));
    d->m_draft->setRouteAlternatives({});
    d->m_draft->setSelectedRouteAlternativeID(std::nullopt);
    //: Event log entry.
    logEvent(tr("Planning a route between the points on the map."), TrackerLogLevel::info);
    // Not kept: the request identifier alone decides whether its result still counts.
    Private::planRoute(QPointer(this), m_deps.directions, start, destination, id, preferredName);
}

QUuid LocationPlannerViewModel::Private::beginRoutePlanning(const QString& message)
{
    const QUuid id = QUuid::createUuid();
    m_routePlanningID = id;
    setPlanningAddressRoute(true);
    m_draft->setAddressRouteMessage(message);
    const CancelToken token = m_routePlanningTimeoutTask.replace();
    m_routePlanningTimeoutTask.adopt(Private::routePlanningTimeoutFlow(QPointer(&q), q.m_deps.scheduler, id, token));
    return id;
}

QCoro::Task<> LocationPlannerViewModel::Private::routePlanningTimeoutFlow(QPointer<LocationPlannerViewModel> self,
                                                                          Scheduler* scheduler, QUuid id,
                                                                          CancelToken token)
{
    // A cancelled sleep means the request ended or was replaced; the identity test
    // below then finds it no longer current.
    co_await scheduler->sleep(routePlanningTimeout, token);
    if (!self || !self->d->routePlanningIsCurrent(id))
        co_return;
    self->d->m_routePlanningID.reset();
    self->d->setPlanningAddressRoute(false);
    self->d->m_draft->setAddressRouteMessage(QString());
    self->setNotice(RoutePlanningError::timedOut().description());
    //: Event log entry.
    self->logEvent(tr("Route calculation timed out."), TrackerLogLevel::error);
}

bool LocationPlannerViewModel::Private::routePlanningIsCurrent(const QUuid& id) const
{
    return m_routePlanningID && *m_routePlanningID == id;
}

void LocationPlannerViewModel::Private::finishRoutePlanning(const QUuid& id)
{
    if (!routePlanningIsCurrent(id))
        return;
    m_routePlanningTimeoutTask.cancel();
    m_routePlanningID.reset();
    setPlanningAddressRoute(false);
}

QString LocationPlannerViewModel::Private::routePlanningErrorDescription(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const RoutePlanningError& failure) {
        return failure.description();
    } catch (const DirectionsServiceError& failure) {
        return failure.description();
    } catch (const NetworkTransportError& failure) {
        return failure.description();
    } catch (...) {
    }
    //: Route planning error of an unexpected kind.
    return tr("The route couldn’t be planned.");
}

QCoro::Task<> LocationPlannerViewModel::Private::planRoute(QPointer<LocationPlannerViewModel> self,
                                                           DirectionsService* directions, RoutePoint start,
                                                           RoutePoint destination, QUuid id,
                                                           std::optional<QString> preferredName)
{
    const RouteTransportMode mode = self->d->m_draft->selectedTransportMode();
    const QDateTime departure = self->m_deps.clock->wallNow();
    QList<PlannedRouteOption> options;
    std::exception_ptr failure;
    try {
        if (!directions)
            throw RoutePlanningError::transportUnavailable(mode);
        const QList<DirectionsRoute> routes = co_await directions->calculate(
            {start.latitude, start.longitude}, {destination.latitude, destination.longitude}, mode);
        options = PlannedRoutes::plannedRouteOptions(routes, mode, departure);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self || !self->d->routePlanningIsCurrent(id))
        co_return;
    if (self->d->m_draft->selectedTransportMode() != mode) {
        // Routes for the mode the user just left must not switch it back.
        self->d->m_draft->setAddressRouteMessage(QString());
        //: Event log entry.
        self->logEvent(tr("The travel mode changed while the route was calculated; its result was dropped."),
                       TrackerLogLevel::info);
        self->d->finishRoutePlanning(id);
        co_return;
    }
    if (failure) {
        const QString description = Private::routePlanningErrorDescription(failure);
        self->d->m_draft->setAddressRouteMessage(QString());
        self->setNotice(description);
        //: Event log entry. %1 is an error message.
        self->logEvent(tr("Couldn’t plan a route from the map: %1").arg(description), TrackerLogLevel::error);
        self->d->finishRoutePlanning(id);
        co_return;
    }
    self->d->m_draft->setRouteAlternatives(options);
    self->d->applyPlannedRouteToDraft(options.first(), preferredName.value_or(Private::routeFromMapName()));
    //: Event log entry. %n is the number of route alternatives.
    self->logEvent(LocationPlannerViewModel::tr("Route from the map calculated with %n options.", nullptr,
                                                static_cast<int>(options.size())),
                   TrackerLogLevel::info);
    self->d->finishRoutePlanning(id);
}

void LocationPlannerViewModel::Private::applyPlannedRouteToDraft(const PlannedRouteOption& option,
                                                                 const std::optional<QString>& preferredName)
{
    const QString name = preferredName.value_or(QString()).trimmed();
    QList<RoutePoint> points =
        RouteDataNormalizer::deduplicatedAdjacentPoints(option.points, PlannedRoutes::duplicateTolerance);
    if (points.size() >= 2) {
        // The ends keep the names the user chose; the coordinates are the planned line's.
        if (m_draft->routeStartPoint())
            points.first().name = m_draft->routeStartPoint()->name;
        if (m_draft->routeDestinationPoint())
            points.last().name = m_draft->routeDestinationPoint()->name;
    }
    q.setRouteName(name.isEmpty() ? option.title : name);
    q.setSelectedTransportMode(foldedTransit(option.transportMode));
    m_draft->setSelectedRouteAlternativeID(option.id);
    showDraft(points);
    setRouteStartPoint(points.isEmpty() ? std::nullopt : std::optional<RoutePoint>(points.first()));
    setRouteDestinationPoint(points.isEmpty() ? std::nullopt : std::optional<RoutePoint>(points.last()));
    setRouteLivePoint(std::nullopt);
    if (option.distance > 0 && option.expectedTravelTime > 0) {
        const double speed = std::round(option.distance / option.expectedTravelTime * 3.6);
        q.setSpeedKmh(speed <= slowestPlannedSpeed ? slowestPlannedSpeed : std::min(speed, fastestPlannedSpeed));
    }
    q.setSavedRouteName(m_draft->routeName());
    m_draft->setAddressRouteMessage(QString());
    q.focusRoute();
    if (points.size() < option.points.size()) {
        //: Event log entry. Both %1 and %2 are point counts (before → after).
        q.logEvent(tr("Merged duplicate adjacent points: %1 → %2.").arg(option.points.size()).arg(points.size()),
                   TrackerLogLevel::info);
    }
}

void LocationPlannerViewModel::selectRouteAlternative(const PlannedRouteOption& option)
{
    if (!canEditRouteDraft())
        return;
    d->applyPlannedRouteToDraft(option, std::nullopt);
}

} // namespace ostrevin
