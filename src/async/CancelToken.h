#pragma once

#include "async/CancelRegistration.h"

#include <functional>
#include <stop_token>
#include <utility>

namespace ostrevin {

/// The observing side of a cancellation. Coroutines take it by value and check it
/// after every co_await; it is cheap to copy and safe to read from any thread.
/// A default-constructed token is never cancelled.
class CancelToken {
public:
    CancelToken() = default;

    bool isCancelled() const noexcept { return m_token.stop_requested(); }
    /// False for a token no source can ever cancel.
    bool canBeCancelled() const noexcept { return m_token.stop_possible(); }

    /// Runs `callback` once when the token is cancelled, on the thread that cancels.
    /// When the token is already cancelled it runs at once, on this thread, before
    /// this returns. Keep the registration for as long as the callback may run.
    [[nodiscard]] CancelRegistration onCancel(std::function<void()> callback) const;

    /// The same cancellation as a standard stop token, for blocking work that
    /// takes one (the worker pool, the process layer).
    std::stop_token stopToken() const noexcept { return m_token; }

private:
    friend class CancelSource;
    explicit CancelToken(std::stop_token token) : m_token(std::move(token)) {}

    std::stop_token m_token;
};

} // namespace ostrevin
