#include "platform/PkexecPrivilegedRunner.h"

namespace ostrevin {

PkexecPrivilegedRunner::PkexecPrivilegedRunner(QString pkexecPath) : m_pkexecPath(std::move(pkexecPath))
{
}

PrivilegedRunner::Invocation PkexecPrivilegedRunner::invocation(const QString& shellLine) const
{
    return {m_pkexecPath, {QStringLiteral("/bin/sh"), QStringLiteral("-c"), shellLine}};
}

QString PkexecPrivilegedRunner::failureReason(std::optional<int> exitCode) const
{
    if (exitCode == 126) {
        //: Why Prepare iPhone failed: the password dialog was closed without a password.
        return tr("The administrator password wasn’t entered.");
    }
    if (exitCode == 127) {
        //: Why Prepare iPhone failed: polkit refused, or no password dialog could be shown.
        return tr("Administrator rights weren’t granted: the password wasn’t accepted, or no password dialog could be "
                  "shown.");
    }
    return PrivilegedRunner::failureReason(exitCode);
}

bool PkexecPrivilegedRunner::stoppedAtPassword(std::optional<int> exitCode) const
{
    return exitCode == 126 || exitCode == 127;
}

} // namespace ostrevin
