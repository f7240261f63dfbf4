#pragma once

#include <mutex>

namespace ostrevin {

/// The cancelled flag of one device operation, shared by the operation's
/// cancellation handler and every tool run of the operation. It only ever goes
/// from false to true.
class ProcessCancellationState {
public:
    ProcessCancellationState() = default;
    ProcessCancellationState(const ProcessCancellationState&) = delete;
    ProcessCancellationState& operator=(const ProcessCancellationState&) = delete;

    /// Returns true when this call was the one that set the flag.
    bool cancel()
    {
        std::lock_guard guard(m_lock);
        const bool wasCancelled = m_cancelled;
        m_cancelled = true;
        return !wasCancelled;
    }

    bool isCancelled() const
    {
        std::lock_guard guard(m_lock);
        return m_cancelled;
    }

private:
    mutable std::mutex m_lock;
    bool m_cancelled = false;
};

} // namespace ostrevin
