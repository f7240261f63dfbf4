#pragma once

#include <stop_token>

namespace ostrevin {

/// Sleeps on a device worker until the time has passed or stop is requested,
/// whichever comes first. Returns false when stop was requested (also when it
/// already was before the call).
bool sleepUnlessStopped(double seconds, std::stop_token stopToken);

} // namespace ostrevin
