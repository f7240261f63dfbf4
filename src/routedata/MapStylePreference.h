#pragma once

#include "routedata/RawEnum.h"

namespace ostrevin {

/// How the map is drawn; stored as its raw string.
enum class MapStylePreference { standard, satellite, hybrid };

template <> struct RawEnumTraits<MapStylePreference> {
    static constexpr std::array<std::pair<MapStylePreference, QStringView>, 3> cases{{
        {MapStylePreference::standard, u"standard"},
        {MapStylePreference::satellite, u"satellite"},
        {MapStylePreference::hybrid, u"hybrid"},
    }};
};

/// "Standard", "Satellite", "Hybrid", localised.
QString title(MapStylePreference style);

} // namespace ostrevin
