#pragma once

#include "routedata/RoutePoint.h"
#include "routedata/SavedLocation.h"
#include "routedata/SavedRoute.h"

#include <QCoreApplication>
#include <QString>

namespace ostrevin {

class LocationPlannerViewModel;

/// What a confirmation is about to remove: one point of the draft, a saved
/// location, a saved route, or the whole draft. The record is a copy taken when
/// the removal was asked for, so the texts name it as it was then and the removal
/// finds its target by id.
class PendingDeletion {
    Q_DECLARE_TR_FUNCTIONS(PendingDeletion)

public:
    enum class Kind { routePoint, savedLocation, savedRoute, completeRoute };

    static PendingDeletion routePoint(const RoutePoint& point);
    static PendingDeletion savedLocation(const SavedLocation& location);
    static PendingDeletion savedRoute(const SavedRoute& route);
    static PendingDeletion completeRoute();

    Kind kind() const { return m_kind; }
    /// The record of the kind; the others are empty.
    const RoutePoint& point() const { return m_point; }
    const SavedLocation& location() const { return m_location; }
    const SavedRoute& route() const { return m_route; }

    QString title() const;
    QString actionTitle() const;
    QString message() const;

    /// Runs the removal through the view model, which refuses it on its own terms.
    void perform(LocationPlannerViewModel& viewModel) const;

    bool operator==(const PendingDeletion&) const = default;

private:
    explicit PendingDeletion(Kind kind) : m_kind(kind) {}

    Kind m_kind;
    RoutePoint m_point;
    SavedLocation m_location;
    SavedRoute m_route;
};

} // namespace ostrevin
