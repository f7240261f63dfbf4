#include "process/StopAwareSleep.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace ostrevin {

bool sleepUnlessStopped(double seconds, std::stop_token stopToken)
{
    std::mutex mutex;
    std::condition_variable_any wakeUp;
    std::unique_lock lock(mutex);
    const auto duration = std::chrono::duration<double>(seconds > 0 ? seconds : 0);
    // Only a stop request wakes it; the predicate is never true otherwise.
    wakeUp.wait_for(lock, stopToken, std::chrono::duration_cast<std::chrono::steady_clock::duration>(duration),
                    [] { return false; });
    return !stopToken.stop_requested();
}

} // namespace ostrevin
