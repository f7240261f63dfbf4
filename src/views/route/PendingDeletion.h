#pragma once

#include "routedata/RoutePoint.h"
#include "routedata/SavedLocation.h"
#include "routedata/SavedRoute.h"

#include <QCoreApplication>
#include <QString>
#include <variant>

namespace ostrevin {

class LocationPlannerViewModel;

/// What a confirmation is about to remove: one point of the draft, a saved
/// location, a saved route, or the whole draft. The payload is a copy taken when
/// the removal was asked for, so the texts name the record as it was then and the
/// removal finds its target by id.
class PendingDeletion {
    Q_DECLARE_TR_FUNCTIONS(PendingDeletion)

public:
    struct CompleteRoute {
        bool operator==(const CompleteRoute&) const = default;
    };
    using Payload = std::variant<RoutePoint, SavedLocation, SavedRoute, CompleteRoute>;

    static PendingDeletion routePoint(const RoutePoint& point) { return PendingDeletion(point); }
    static PendingDeletion savedLocation(const SavedLocation& location) { return PendingDeletion(location); }
    static PendingDeletion savedRoute(const SavedRoute& route) { return PendingDeletion(route); }
    static PendingDeletion completeRoute() { return PendingDeletion(CompleteRoute{}); }

    const Payload& payload() const { return m_payload; }

    QString title() const;
    QString actionTitle() const;
    QString message() const;

    /// Runs the removal through the view model, which refuses it on its own terms.
    void perform(LocationPlannerViewModel& viewModel) const;

    bool operator==(const PendingDeletion&) const = default;

private:
    explicit PendingDeletion(Payload payload) : m_payload(std::move(payload)) {}

    Payload m_payload;
};

} // namespace ostrevin
