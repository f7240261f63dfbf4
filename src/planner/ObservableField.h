#pragma once

namespace ostrevin {

/// Writes value into field and emits owner's change signal, unless the field
/// already holds it: observers hear of real changes only. True when it changed.
template <typename Owner, typename T, typename U, typename Signal>
bool assignObservable(Owner* owner, T& field, const U& value, Signal signal)
{
    if (field == value)
        return false;
    field = value;
    emit(owner->*signal)();
    return true;
}

} // namespace ostrevin
