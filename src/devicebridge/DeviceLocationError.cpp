#include "devicebridge/DeviceLocationError.h"

namespace ostrevin {

DeviceLocationError::DeviceLocationError(Case kind, QString command, QString output)
    : m_case(kind), m_command(std::move(command)), m_output(std::move(output)), m_what(description().toUtf8())
{
}

DeviceLocationError DeviceLocationError::commandFailed(QString command, QString output, std::optional<int> exitCode)
{
    DeviceLocationError error(Case::commandFailed, std::move(command), std::move(output));
    error.m_exitCode = exitCode;
    return error;
}

DeviceLocationError DeviceLocationError::deviceNotConnected(QString command, QString output)
{
    return DeviceLocationError(Case::deviceNotConnected, std::move(command), std::move(output));
}

DeviceLocationError DeviceLocationError::administratorPromptNeeded(QString command, QString output)
{
    return DeviceLocationError(Case::administratorPromptNeeded, std::move(command), std::move(output));
}

DeviceLocationError DeviceLocationError::privilegedStartFailed(QString command, QString output, QString reason,
                                                               std::optional<int> exitCode)
{
    DeviceLocationError error(Case::privilegedStartFailed, std::move(command), std::move(output));
    error.m_exitCode = exitCode;
    return error.withReason(std::move(reason));
}

DeviceLocationError DeviceLocationError::withReason(QString reason) const
{
    DeviceLocationError error = *this;
    error.m_reason = std::move(reason);
    error.m_what = error.description().toUtf8();
    return error;
}

DeviceLocationError DeviceLocationError::simulationConnectionLost()
{
    return DeviceLocationError(Case::simulationConnectionLost, {}, {});
}

void DeviceLocationError::raise() const
{
    throw *this;
}

DeviceLocationError* DeviceLocationError::clone() const
{
    return new DeviceLocationError(*this);
}

const char* DeviceLocationError::what() const noexcept
{
    return m_what.constData();
}

QString DeviceLocationError::description() const
{
    if (m_case == Case::simulationConnectionLost) {
        //: Error message.
        return tr("The connection to iPhone was interrupted unexpectedly.");
    }
    // The reason in words leads: the details open there, not at the shell line.
    //: Error summary; technical details follow in diagnostics.
    QString text = (m_reason.isEmpty() ? tr("Communication with iPhone failed.") : m_reason) +
                   u"\n\n"
                   //: Technical detail in diagnostics. %1 is a command line; never translated.
                   + tr("Command: %1").arg(m_command);
    const QString trimmed = m_output.trimmed();
    if (!trimmed.isEmpty())
        text += u"\n\n" + trimmed;
    return text;
}

} // namespace ostrevin
