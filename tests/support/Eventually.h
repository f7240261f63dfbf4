#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace ostrevin::test {

/// Polls the condition (without an event loop) until it holds or the limit
/// passes; returns its last value.
inline bool eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

} // namespace ostrevin::test
