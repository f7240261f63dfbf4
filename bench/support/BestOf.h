#pragma once

#include <QElapsedTimer>
#include <algorithm>
#include <functional>

namespace ostrevin::bench {

/// The fastest of a few runs of work, in milliseconds: the machine is shared, and
/// the minimum is the figure that stays put from run to run.
inline double bestMs(int rounds, const std::function<void()>& work)
{
    double best = 1e300;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

} // namespace ostrevin::bench
