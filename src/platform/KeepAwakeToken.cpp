#include "platform/KeepAwakeToken.h"

#include <utility>

namespace ostrevin {

KeepAwakeToken::KeepAwakeToken(std::function<void()> release) : m_release(std::move(release))
{
}

KeepAwakeToken::~KeepAwakeToken()
{
    end();
}

void KeepAwakeToken::end()
{
    std::function<void()> release;
    {
        std::lock_guard lock(m_mutex);
        release = std::exchange(m_release, nullptr);
    }
    if (release)
        release();
}

} // namespace ostrevin
