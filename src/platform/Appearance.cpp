#include "platform/Appearance.h"

namespace ostrevin {

std::optional<AppearanceState> parseAppearanceOverride(QStringView text)
{
    const QStringView name = text.trimmed();
    AppearanceState state;
    state.reducedMotion = true;
    if (name.compare(u"light", Qt::CaseInsensitive) == 0)
        return state;
    if (name.compare(u"dark", Qt::CaseInsensitive) == 0) {
        state.dark = true;
        return state;
    }
    if (name.compare(u"light-contrast", Qt::CaseInsensitive) == 0) {
        state.highContrast = true;
        return state;
    }
    if (name.compare(u"dark-contrast", Qt::CaseInsensitive) == 0) {
        state.dark = true;
        state.highContrast = true;
        return state;
    }
    return std::nullopt;
}

QString appearanceName(const AppearanceState& state)
{
    QString name = state.dark ? QStringLiteral("dark") : QStringLiteral("light");
    if (state.highContrast)
        name += QStringLiteral("-contrast");
    return name;
}

FixedAppearance::FixedAppearance(AppearanceState state, QObject* parent) : Appearance(parent), m_state(state)
{
}

void FixedAppearance::set(const AppearanceState& state)
{
    if (state == m_state)
        return;
    m_state = state;
    emit changed();
}

} // namespace ostrevin
