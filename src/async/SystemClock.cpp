#include "async/SystemClock.h"

namespace ostrevin {

Clock::SteadyTime SystemClock::steadyNow() const
{
    return std::chrono::steady_clock::now();
}

QDateTime SystemClock::wallNow() const
{
    return QDateTime::currentDateTimeUtc();
}

} // namespace ostrevin
