#include "platform/PrivilegedRunner.h"

#include "platform/AppleScriptPrivilegedRunner.h"
#include "platform/PkexecPrivilegedRunner.h"

namespace ostrevin {

std::unique_ptr<PrivilegedRunner> PrivilegedRunner::create()
{
#ifdef Q_OS_MACOS
    return std::make_unique<AppleScriptPrivilegedRunner>();
#else
    return std::make_unique<PkexecPrivilegedRunner>();
#endif
}

} // namespace ostrevin
