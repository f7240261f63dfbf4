#include "platform/AppleScriptPrivilegedRunner.h"

namespace ostrevin {

AppleScriptPrivilegedRunner::AppleScriptPrivilegedRunner(QString osascriptPath)
    : m_osascriptPath(std::move(osascriptPath))
{
}

QString AppleScriptPrivilegedRunner::escapedForStringLiteral(const QString& text)
{
    QString escaped = text;
    escaped.replace(u'\\', QStringLiteral("\\\\"));
    escaped.replace(u'"', QStringLiteral("\\\""));
    return escaped;
}

QString AppleScriptPrivilegedRunner::script(const QString& shellLine)
{
    return u"do shell script \"" + escapedForStringLiteral(shellLine) + u"\" with administrator privileges";
}

PrivilegedRunner::Invocation AppleScriptPrivilegedRunner::invocation(const QString& shellLine) const
{
    return {m_osascriptPath, {QStringLiteral("-e"), script(shellLine)}};
}

} // namespace ostrevin
