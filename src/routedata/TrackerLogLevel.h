#pragma once

#include "routedata/RawEnum.h"

namespace ostrevin {

/// The level of an event-log entry; stored as its raw string.
enum class TrackerLogLevel { info, warning, error };

template <> struct RawEnumTraits<TrackerLogLevel> {
    static constexpr std::array<std::pair<TrackerLogLevel, QStringView>, 3> cases{{
        {TrackerLogLevel::info, u"info"},
        {TrackerLogLevel::warning, u"warning"},
        {TrackerLogLevel::error, u"error"},
    }};
};

/// "Info", "Warning", "Error", localised: the spoken label of the entry's icon.
QString title(TrackerLogLevel level);

} // namespace ostrevin
