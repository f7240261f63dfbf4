#pragma once

#include <functional>
#include <memory>
#include <stop_token>
#include <utility>

namespace ostrevin {

/// Keeps a cancellation callback registered; dropping it unregisters the callback.
/// Unregistering waits for the callback when it is running on another thread, so
/// whatever the callback touches may be destroyed right after.
class CancelRegistration {
public:
    CancelRegistration() = default;
    CancelRegistration(CancelRegistration&&) noexcept = default;
    CancelRegistration& operator=(CancelRegistration&&) noexcept = default;
    ~CancelRegistration() = default;

    /// Unregisters now (no effect when the callback already ran).
    void reset() { m_callback.reset(); }

private:
    friend class CancelToken;
    using Callback = std::stop_callback<std::function<void()>>;
    explicit CancelRegistration(std::unique_ptr<Callback> callback) : m_callback(std::move(callback)) {}

    std::unique_ptr<Callback> m_callback;
};

} // namespace ostrevin
