#include "process/ProcessLaunchError.h"

#include <cstring>

namespace ostrevin {

ProcessLaunchError::ProcessLaunchError(QString executablePath, int errorNumber)
    : m_executablePath(std::move(executablePath)), m_errorNumber(errorNumber), m_what(description().toUtf8())
{
}

void ProcessLaunchError::raise() const
{
    throw *this;
}

ProcessLaunchError* ProcessLaunchError::clone() const
{
    return new ProcessLaunchError(*this);
}

const char* ProcessLaunchError::what() const noexcept
{
    return m_what.constData();
}

QString ProcessLaunchError::description() const
{
    //: Technical detail in diagnostics. %1 is a program path, %2 the system's reason.
    return tr("Couldn’t start %1: %2").arg(m_executablePath, QString::fromLocal8Bit(std::strerror(m_errorNumber)));
}

} // namespace ostrevin
