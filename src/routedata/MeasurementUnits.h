#pragma once

#include "routedata/RawEnum.h"

namespace ostrevin {

/// The units setting: follow the locale, always metric, or imperial.
enum class MeasurementUnits { automatic, kilometers, miles };

template <> struct RawEnumTraits<MeasurementUnits> {
    static constexpr std::array<std::pair<MeasurementUnits, QStringView>, 3> cases{{
        {MeasurementUnits::automatic, u"automatic"},
        {MeasurementUnits::kilometers, u"kilometers"},
        {MeasurementUnits::miles, u"miles"},
    }};
};

/// "Automatic", "Kilometers", "Miles", localised.
QString title(MeasurementUnits units);

} // namespace ostrevin
