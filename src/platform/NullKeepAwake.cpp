#include "platform/NullKeepAwake.h"

#include "platform/PlatformLog.h"

namespace ostrevin {

std::unique_ptr<KeepAwakeToken> NullKeepAwake::begin(const QString& reason)
{
    if (!m_warned) {
        m_warned = true;
        qCWarning(lcPlatform, "No way to keep this machine awake; it may sleep while holding (%s).",
                  qUtf8Printable(reason));
    }
    return std::make_unique<KeepAwakeToken>(nullptr);
}

} // namespace ostrevin
