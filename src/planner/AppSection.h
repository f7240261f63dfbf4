#pragma once

#include "routedata/RawEnum.h"

#include <QString>

namespace ostrevin {

/// The four sections of the main window, in rail order.
enum class AppSection { place, route, saved, history };

template <> struct RawEnumTraits<AppSection> {
    static constexpr std::array<std::pair<AppSection, QStringView>, 4> cases{{
        {AppSection::place, u"place"},
        {AppSection::route, u"route"},
        {AppSection::saved, u"saved"},
        {AppSection::history, u"history"},
    }};
};

/// The section's localised name (rail label, tooltip, View menu item).
QString title(AppSection section);

} // namespace ostrevin
