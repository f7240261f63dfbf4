#include "planner/PlannedRoutes.h"

#include "routedata/RouteDataNormalizer.h"
#include "routedata/RoutePlanningError.h"
#include "routedata/TovrelFormat.h"

#include <QRandomGenerator>
#include <algorithm>
#include <array>
#include <cmath>

namespace ostrevin {

namespace {

/// A random (version 4) UUID from the seeded generator: a planned route needs
/// thousands of identifiers, and the system source costs a system call for each.
QUuid newIdentifier()
{
    std::array<quint32, 4> words;
    QRandomGenerator::global()->fillRange(words.data(), words.size());
    const auto byte = [&](int index) { return static_cast<uchar>(words[2 + index / 4] >> (8 * (index % 4))); };
    return QUuid(words[0], static_cast<ushort>(words[1]), static_cast<ushort>(((words[1] >> 16) & 0x0FFF) | 0x4000),
                 static_cast<uchar>((byte(0) & 0x3F) | 0x80), byte(1), byte(2), byte(3), byte(4), byte(5), byte(6),
                 byte(7));
}

bool isValid(const Geodesy::Coordinate& c)
{
    return std::isfinite(c.latitude) && std::isfinite(c.longitude) && std::abs(c.latitude) <= 90 &&
           std::abs(c.longitude) <= 180;
}

} // namespace

QList<PlannedRouteOption> PlannedRoutes::plannedRouteOptions(const QList<DirectionsRoute>& routes,
                                                             RouteTransportMode mode, const QDateTime& departure)
{
    QList<const DirectionsRoute*> fastest;
    fastest.reserve(routes.size());
    for (const DirectionsRoute& route : routes)
        fastest.append(&route);
    std::stable_sort(fastest.begin(), fastest.end(), [](const DirectionsRoute* a, const DirectionsRoute* b) {
        return a->expectedTravelTime < b->expectedTravelTime;
    });
    // A route dropped below for a short line is not replaced by a sixth one.
    if (fastest.size() > maxOptions)
        fastest.resize(maxOptions);

    QList<PlannedRouteOption> options;
    for (const DirectionsRoute* route : std::as_const(fastest)) {
        QList<RoutePoint> points =
            RouteDataNormalizer::deduplicatedAdjacentPoints(routePoints(route->line), duplicateTolerance);
        if (points.size() < 2)
            continue;
        PlannedRouteOption option;
        option.title = plannedRouteTitle(*route, mode);
        option.transportMode = foldedTransit(mode);
        option.distance = route->distance;
        option.expectedTravelTime = route->expectedTravelTime;
        option.arrivalDate = departure.addMSecs(std::llround(route->expectedTravelTime * 1000));
        option.points = std::move(points);
        option.steps = plannedRouteSteps(*route);
        option.advisoryNotices = route->advisoryNotices;
        options.append(std::move(option));
    }
    if (options.isEmpty())
        throw RoutePlanningError::transportUnavailable(mode);
    return options;
}

QList<RoutePoint> PlannedRoutes::routePoints(const QList<Geodesy::Coordinate>& line)
{
    if (line.size() < 2)
        return {};
    // Real lines are valid throughout: copy only when something must go.
    const bool allValid = std::all_of(line.cbegin(), line.cend(), isValid);
    QList<Geodesy::Coordinate> filtered;
    if (!allValid)
        std::copy_if(line.cbegin(), line.cend(), std::back_inserter(filtered), isValid);
    const QList<Geodesy::Coordinate>& valid = allValid ? line : filtered;
    const qsizetype n = valid.size();

    QList<RoutePoint> points;
    const qsizetype count = std::min(n, maxPoints);
    points.reserve(count);
    //: Name of a route’s start point; also the label of the start address field. Keep short.
    const QString start = tr("Start");
    //: Name of a route’s destination point; also the label of the destination address field. Keep short.
    const QString destination = tr("Destination");
    //: Default name of a route point. %1 is its position in the route.
    const QString middle = tr("Point %1");
    for (qsizetype i = 0; i < count; ++i) {
        // Even spacing over the whole line; i = 0 and i = count - 1 land exactly on its ends.
        const qsizetype index =
            n > maxPoints ? static_cast<qsizetype>(std::round(double(i) / double(maxPoints - 1) * double(n - 1))) : i;
        const QString& name = i == 0 ? start : (i == count - 1 ? destination : QString());
        points.append(RoutePoint{.id = newIdentifier(),
                                 .name = name.isNull() ? middle.arg(i + 1) : name,
                                 .latitude = valid[index].latitude,
                                 .longitude = valid[index].longitude});
    }
    return points;
}

QString PlannedRoutes::plannedRouteTitle(const DirectionsRoute& route, RouteTransportMode mode)
{
    const QString name = route.name.trimmed();
    // The separator is typography, not language.
    return title(mode) + QStringLiteral(" · ") + (name.isEmpty() ? TovrelFormat::distance(route.distance) : name);
}

QList<PlannedRouteStep> PlannedRoutes::plannedRouteSteps(const DirectionsRoute& route)
{
    QList<PlannedRouteStep> steps;
    steps.reserve(route.steps.size());
    for (const DirectionsStep& given : route.steps) {
        PlannedRouteStep step{.id = newIdentifier(),
                              .instruction = given.instructions.trimmed(),
                              .notice = given.notice.trimmed(),
                              .distance = given.distance,
                              .transportType = given.transportType};
        if (step.instruction.isEmpty()) {
            if (step.notice.isEmpty() && !(step.distance > 0))
                continue;
            //: Directions step without an instruction from the directions service.
            step.instruction = tr("Continue along the route.");
        }
        steps.append(std::move(step));
    }
    return steps;
}

} // namespace ostrevin
