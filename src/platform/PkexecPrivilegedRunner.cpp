#include "platform/PkexecPrivilegedRunner.h"

namespace ostrevin {

PkexecPrivilegedRunner::PkexecPrivilegedRunner(QString pkexecPath) : m_pkexecPath(std::move(pkexecPath))
{
}

PrivilegedRunner::Invocation PkexecPrivilegedRunner::invocation(const QString& shellLine) const
{
    return {m_pkexecPath, {QStringLiteral("/bin/sh"), QStringLiteral("-c"), shellLine}};
}

} // namespace ostrevin
