#pragma once

#include "async/CancelToken.h"

#include <stop_token>

namespace ostrevin {

/// The cancelling side. Copies share one cancellation. cancel() may be called from
/// any thread, any number of times; the callbacks run once, on the first call.
class CancelSource {
public:
    CancelSource() = default;

    CancelToken token() const noexcept { return CancelToken(m_source.get_token()); }
    /// True for the call that actually cancelled.
    bool cancel() noexcept { return m_source.request_stop(); }
    bool isCancelled() const noexcept { return m_source.stop_requested(); }

private:
    std::stop_source m_source;
};

} // namespace ostrevin
