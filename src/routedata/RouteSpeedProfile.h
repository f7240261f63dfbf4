#pragma once

#include "routedata/RawEnum.h"

namespace ostrevin {

/// How fast a route is travelled; stored as its raw string.
enum class RouteSpeedProfile { slow, normal, fast, extreme };

template <> struct RawEnumTraits<RouteSpeedProfile> {
    static constexpr std::array<std::pair<RouteSpeedProfile, QStringView>, 4> cases{{
        {RouteSpeedProfile::slow, u"slow"},
        {RouteSpeedProfile::normal, u"normal"},
        {RouteSpeedProfile::fast, u"fast"},
        {RouteSpeedProfile::extreme, u"extreme"},
    }};
};

/// "Slow", "Normal", "Fast", "Extreme", localised.
QString title(RouteSpeedProfile profile);

} // namespace ostrevin
