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

QString PrivilegedRunner::failureReason(std::optional<int>) const
{
    //: Why Prepare iPhone failed, in plain words.
    return tr("The iPhone tunnel service didn’t start with administrator rights.");
}

bool PrivilegedRunner::stoppedAtPassword(std::optional<int>) const
{
    return false;
}

} // namespace ostrevin
