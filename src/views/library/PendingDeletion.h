#pragma once

#include "routedata/RoutePoint.h"
#include "routedata/SavedLocation.h"
#include "routedata/SavedRoute.h"

#include <QString>
#include <variant>

namespace ostrevin {

/// The whole route draft, as something a confirmation may remove.
struct CompleteRoute {
    bool operator==(const CompleteRoute&) const = default;
};

/// What a confirmation is about to remove: a copy of the record taken when the
/// removal was asked for (the operation finds its target by id; the texts show
/// the name as it was then).
using PendingDeletion = std::variant<RoutePoint, SavedLocation, SavedRoute, CompleteRoute>;

/// One handler per case, for std::visit over a PendingDeletion.
template <typename... F> struct PendingDeletionCases : F... {
    using F::operator()...;
};

/// The confirmation's title, destructive button and message for what is pending,
/// or the fallback texts when nothing is.
QString deletionTitle(const std::optional<PendingDeletion>& pending);
QString deletionActionTitle(const std::optional<PendingDeletion>& pending);
QString deletionMessage(const std::optional<PendingDeletion>& pending);

} // namespace ostrevin
