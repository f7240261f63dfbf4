#pragma once

#include "routedata/RawEnum.h"

namespace ostrevin {

/// The travel mode of a route; stored as its raw string. bus, train and tram belong
/// to the transit family: data files read them as transit, and every rule treats
/// them as transit.
enum class RouteTransportMode { automobile, transit, bus, train, tram, walking, any };

template <> struct RawEnumTraits<RouteTransportMode> {
    static constexpr std::array<std::pair<RouteTransportMode, QStringView>, 7> cases{{
        {RouteTransportMode::automobile, u"automobile"},
        {RouteTransportMode::transit, u"transit"},
        {RouteTransportMode::bus, u"bus"},
        {RouteTransportMode::train, u"train"},
        {RouteTransportMode::tram, u"tram"},
        {RouteTransportMode::walking, u"walking"},
        {RouteTransportMode::any, u"any"},
    }};
};

/// The modes offered for planning, and the only ones accepted as the default travel mode.
inline constexpr std::array<RouteTransportMode, 3> planningModes{
    RouteTransportMode::automobile, RouteTransportMode::walking, RouteTransportMode::transit};

constexpr bool isTransitFamily(RouteTransportMode mode)
{
    return mode == RouteTransportMode::transit || mode == RouteTransportMode::bus ||
           mode == RouteTransportMode::train || mode == RouteTransportMode::tram;
}

/// bus, train and tram become transit; every other mode stays itself.
constexpr RouteTransportMode foldedTransit(RouteTransportMode mode)
{
    return isTransitFamily(mode) ? RouteTransportMode::transit : mode;
}

/// "Driving", "Transit", "Walking", "Any", localised.
QString title(RouteTransportMode mode);
/// The hint under the travel-mode control; empty for driving and walking.
QString planningHint(RouteTransportMode mode);

} // namespace ostrevin
