#pragma once

#include <QtGlobal>
#include <optional>
#include <sys/types.h>

namespace ostrevin {

/// What /proc tells of one process: enough to tell it from a later process with
/// its identifier, and to find the process group it is in.
struct ProcessStatus {
    /// The kernel's state letter ('R', 'S', 'Z' for exited but not yet reaped, ...).
    char state = '?';
    pid_t processGroup = 0;
    /// Clock ticks after boot.
    quint64 startTime = 0;

    /// It has exited, and may still wait to be reaped.
    bool hasExited() const { return state == 'Z' || state == 'X'; }

    /// None when there is no such process.
    static std::optional<ProcessStatus> of(pid_t processIdentifier);
};

} // namespace ostrevin
