#include "platform/KeyRepeats.h"

#include <QKeyEvent>

namespace ostrevin {

void KeyRepeats::released(const QKeyEvent& key)
{
    m_scanCode = key.nativeScanCode();
    m_timestamp = key.timestamp();
}

bool KeyRepeats::isRepeat(const QKeyEvent& press) const
{
    if (press.isAutoRepeat())
        return true;
    // Events made up by the program itself carry neither a code nor a time.
    return press.nativeScanCode() != 0 && press.timestamp() != 0 && press.nativeScanCode() == m_scanCode &&
           press.timestamp() == m_timestamp;
}

} // namespace ostrevin
