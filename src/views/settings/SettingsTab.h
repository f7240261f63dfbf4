#pragma once

#include "routedata/RawEnum.h"
#include "views/kit/Symbols.h"

#include <QString>

namespace ostrevin {

/// The tabs of the settings window, in display order.
enum class SettingsTab { general, iPhone, alerts, advanced };

template <> struct RawEnumTraits<SettingsTab> {
    static constexpr std::array<std::pair<SettingsTab, QStringView>, 4> cases{{
        {SettingsTab::general, u"general"},
        {SettingsTab::iPhone, u"iPhone"},
        {SettingsTab::alerts, u"alerts"},
        {SettingsTab::advanced, u"advanced"},
    }};
};

QString title(SettingsTab tab);
kit::SymbolName symbol(SettingsTab tab);

} // namespace ostrevin
