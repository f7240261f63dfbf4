#pragma once

#include <QtGlobal>

class QKeyEvent;

namespace ostrevin {

/// Tells the repeats of a held key from new presses, for one receiver of key events
/// that is told of every release of the keys it asks about.
///
/// X11 sends a repeat as a release and a press at the same server time, and Qt marks
/// it as one only when it read both before handling the release: often it did not.
/// No hand presses a key again within the millisecond it let go.
class KeyRepeats {
public:
    void released(const QKeyEvent& key);
    bool isRepeat(const QKeyEvent& press) const;

private:
    quint32 m_scanCode = 0;
    quint64 m_timestamp = 0;
};

} // namespace ostrevin
