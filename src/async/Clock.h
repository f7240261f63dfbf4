#pragma once

#include <QDateTime>
#include <chrono>

namespace ostrevin {

/// Time as the planner sees it. Due times and rate limits use the steady time, so a
/// clock set back by the user cannot stall them; the wall time is only for what is
/// shown or sent (status lines, log entries, the "since" filter of bot replies).
class Clock {
public:
    using SteadyTime = std::chrono::steady_clock::time_point;

    Clock() = default;
    Clock(const Clock&) = delete;
    Clock& operator=(const Clock&) = delete;
    virtual ~Clock() = default;

    virtual SteadyTime steadyNow() const = 0;
    /// Current date and time in UTC.
    virtual QDateTime wallNow() const = 0;
};

} // namespace ostrevin
