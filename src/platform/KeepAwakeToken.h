#pragma once

#include <functional>
#include <mutex>

namespace ostrevin {

/// One running keep-awake activity. It ends on end() or on destruction, whichever
/// comes first, exactly once, and may be ended from any thread; the release runs
/// after the token's lock is let go.
class KeepAwakeToken {
public:
    explicit KeepAwakeToken(std::function<void()> release);
    KeepAwakeToken(const KeepAwakeToken&) = delete;
    KeepAwakeToken& operator=(const KeepAwakeToken&) = delete;
    ~KeepAwakeToken();

    void end();

private:
    std::mutex m_mutex;
    std::function<void()> m_release;
};

} // namespace ostrevin
