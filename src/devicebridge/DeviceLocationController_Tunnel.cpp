// The tunnel service client and the privileged start of DeviceLocationController.

#include "devicebridge/DeviceLocationController.h"
#include "devicebridge/DeviceLocationError.h"
#include "process/CancellationError.h"

namespace ostrevin {

namespace {

constexpr double privilegedStartTimeout = 120.0;

} // namespace

TunnelServiceClient DeviceLocationController::tunnelService() const
{
    return TunnelServiceClient(m_configuration.tunnelServiceURL, m_configuration.tunnelProbeInterval);
}

bool DeviceLocationController::isTunneldRunning(std::stop_token stopToken)
{
    return tunnelService().isTunneldRunning(stopToken);
}

std::optional<TunneldTunnel> DeviceLocationController::activeTunnel(const QString& udid, std::stop_token stopToken)
{
    return tunnelService().activeTunnel(udid, stopToken);
}

TunneldTunnel DeviceLocationController::startTunnelForDevice(const LocationHelper& helper, std::stop_token stopToken)
{
    return tunnelService().startTunnelForDevice(helper.deviceIdentifier, stopToken);
}

void DeviceLocationController::waitForTunneld(std::stop_token stopToken)
{
    tunnelService().waitForTunneld(stopToken);
}

QString DeviceLocationController::startTunnelWithPrivileges(const LocationHelper& helper, std::stop_token stopToken)
{
    // Without a UDID no tunnel could be asked for afterwards: never ask the user
    // for administrator rights for nothing (a detection runs every few seconds
    // while an iPhone is unplugged).
    if (!helper.deviceIdentifier) {
        //: Technical detail in diagnostics.
        throw DeviceLocationError::commandFailed(QStringLiteral("pymobiledevice3 remote tunneld"),
                                                 tr("Ostrevin doesn’t know the iPhone’s UDID."));
    }
    // Started where the client then looks for it, also when that address was moved.
    const QString line =
        HelperCommandLine::tunnelShellCommand(helper, m_configuration.portProbeTools, m_configuration.tunnelServiceURL);
    const PrivilegedRunner::Invocation invocation = m_configuration.privilegedRunner->invocation(line);
    try {
        return executeStoppable(QUrl::fromLocalFile(invocation.executablePath), invocation.arguments,
                                privilegedStartTimeout, stopToken)
            .text;
    } catch (const DeviceLocationError& failure) {
        // The line is hundreds of characters of shell: the user reads what was
        // attempted in words, the line stays in the details (and the event log).
        //: Technical detail in diagnostics. %1 is a command line; never translated.
        const QString shown = tr("Command line: %1").arg(failure.command());
        const QString output = failure.output().trimmed();
        throw DeviceLocationError::commandFailed(
            //: The action named in diagnostics after “Command:”.
            tr("Start the iPhone tunnel service with administrator rights"),
            output.isEmpty() ? shown : output + QStringLiteral("\n\n") + shown, failure.exitCode())
            .withReason(m_configuration.privilegedRunner->failureReason(failure.exitCode()));
    }
}

} // namespace ostrevin
