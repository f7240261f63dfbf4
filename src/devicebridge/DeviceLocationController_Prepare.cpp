// Device preparation and readiness: whether the iPhone can take a location now,
// and what the system does by itself to get it there (tunnel, disk image).

#include "devicebridge/DeviceLocationController.h"
#include "devicebridge/DeviceLocationError.h"
#include "process/CancellationError.h"
#include "process/ProcessLaunchError.h"
#include "process/StopAwareSleep.h"
#include "routedata/LocationValidationError.h"

#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <chrono>

namespace ostrevin {

namespace {

using Clock = std::chrono::steady_clock;

constexpr double readinessCheckTimeout = 8.0;
constexpr double mountTimeout = 15.0;
constexpr double shortestReadinessTry = 0.25;
constexpr double longestReadinessTry = 2.0;

double secondsUntil(Clock::time_point deadline)
{
    return std::chrono::duration<double>(deadline - Clock::now()).count();
}

QString readyName(const LocationHelper& helper)
{
    if (helper.deviceName)
        return *helper.deviceName;
    if (helper.deviceIdentifier)
        return *helper.deviceIdentifier;
    return QStringLiteral("iPhone");
}

LocationHelperStatus readyShape(const LocationHelper& helper)
{
    LocationHelperStatus status;
    status.helper = helper;
    //: Device status message. %1 is the iPhone’s name.
    status.message = DeviceLocationController::tr("%1 is ready.").arg(readyName(helper));
    status.installHint = LocationHelperStatus::missing().installHint;
    status.isDeviceConnected = true;
    status.isLocationReady = true;
    return status;
}

std::exception_ptr canceledCheckError()
{
    //: Technical detail in diagnostics.
    return std::make_exception_ptr(DeviceLocationError::commandFailed(
        QStringLiteral("Ostrevin device check"), DeviceLocationController::tr("The device check was canceled.")));
}

DeviceLocationError missingUDIDError()
{
    //: Technical detail in diagnostics.
    return DeviceLocationError::commandFailed(QStringLiteral("tunneld /start-tunnel"),
                                              DeviceLocationController::tr("Ostrevin doesn’t know the iPhone’s UDID."));
}

LocationHelper rsdHelperFrom(const LocationHelper& helper, const TunneldTunnel& tunnel)
{
    LocationHelper rsd = helper;
    rsd.kind = LocationHelper::Kind::pyMobileDevice;
    rsd.connectionMode = LocationHelper::ConnectionMode::rsd(tunnel.tunnelAddress, tunnel.tunnelPort);
    return rsd;
}

} // namespace

QString DeviceLocationController::errorDescription(const std::exception_ptr& error)
{
    if (!error)
        return {};
    try {
        std::rethrow_exception(error);
    } catch (const DeviceLocationError& failure) {
        return failure.description();
    } catch (const ProcessLaunchError& failure) {
        return failure.description();
    } catch (const LocationValidationError& failure) {
        return failure.description();
    } catch (const std::exception& failure) {
        return QString::fromUtf8(failure.what());
    } catch (...) {
        return {};
    }
}

QString DeviceLocationController::setupHint(const std::optional<QString>& detail)
{
    const QString steps =
        QStringList{
            //: Device setup step.
            tr("1. Connect iPhone to this computer with a cable."),
            //: Device setup step.
            tr("2. Unlock iPhone and keep it unlocked."),
            //: Device setup step. “Trust This Computer” is the title of Apple’s iOS dialog; use Apple’s localized
            //: wording.
            tr("3. If iPhone asks whether to Trust This Computer, confirm it."),
            //: Device setup step. Use Apple’s official localized names of the iOS Settings path; keep the › separators.
            tr("4. Turn on Settings › Privacy & Security › Developer Mode."),
            //: Device setup step. “Prepare iPhone” is the button title; use the same translation as that button.
            tr("5. Click Prepare iPhone. On iOS 17.0–17.3.1, the administrator password of this computer may be "
               "required."),
        }
            .join(u'\n');
    QStringList paragraphs{
        //: First line of the device setup instructions.
        tr("iPhone isn’t ready yet."),
        steps,
        //: Last line of the device setup instructions.
        tr("Until iPhone is ready, Ostrevin won’t change its location."),
    };
    if (detail && !detail->isEmpty()) {
        //: Heading above technical error output in the device setup instructions.
        paragraphs.append(tr("Details:") + u'\n' + *detail);
    }
    return paragraphs.join(QStringLiteral("\n\n"));
}

bool DeviceLocationController::isBoundToIPhone(const LocationHelper& helper)
{
    return helper.deviceIdentifier.has_value() ||
           helper.connectionMode.kind() == LocationHelper::ConnectionMode::Case::rsd;
}

void DeviceLocationController::requireBoundIPhone(const LocationHelper& helper, const QString& command)
{
    // Without a UDID both tools take whatever single device is attached, an iPad
    // too, and the location would be reported as set on the iPhone.
    if (!isBoundToIPhone(helper)) {
        //: Technical detail in diagnostics.
        throw DeviceLocationError::commandFailed(command, tr("No iPhone is connected, so no device was asked."));
    }
}

LocationHelperStatus DeviceLocationController::notConnectedStatus(const LocationHelper& helper,
                                                                  const std::optional<QString>& detail)
{
    LocationHelperStatus status;
    status.helper = helper;
    //: Device status message.
    status.message = tr("iPhone isn’t connected.");
    status.installHint = setupHint(detail);
    status.isDeviceConnected = false;
    status.isLocationReady = false;
    return status;
}

DeviceLocationError DeviceLocationController::notAttachedError(const LocationHelper& helper)
{
    //: Technical detail in diagnostics. %1 is the iPhone’s name or UDID.
    return DeviceLocationError::deviceNotConnected(
        QStringLiteral("pymobiledevice3 usbmux list"),
        tr("%1 isn’t among the devices connected to this computer.")
            .arg(helper.deviceName.value_or(helper.deviceIdentifier.value_or(QStringLiteral("iPhone")))));
}

std::optional<LocationHelperStatus> DeviceLocationController::unpluggedStatus(const LocationHelper& helper,
                                                                              const std::exception_ptr& error)
{
    // pymobiledevice3 logs "Device not found: UDID" when the UDID it was given is not attached.
    if (errorKind(error) == DeviceLocationError::Case::deviceNotConnected ||
        errorDescription(error).contains(u"Device not found") || isAttached(helper) == false)
        return notConnectedStatus(helper, errorDescription(error));
    return std::nullopt;
}

std::optional<DeviceLocationError::Case> DeviceLocationController::errorKind(const std::exception_ptr& error)
{
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const DeviceLocationError& failure) {
        return failure.kind();
    } catch (...) {
    }
    return std::nullopt;
}

LocationHelperStatus DeviceLocationController::promptNeededStatus(const LocationHelper& helper,
                                                                  const std::exception_ptr& error)
{
    LocationHelperStatus status;
    status.helper = helper;
    //: Device status message: background work never asks for the password; the user’s Prepare iPhone does.
    status.message = tr("Waiting for Prepare iPhone: it needs the administrator password.");
    status.installHint = setupHint(errorDescription(error));
    // In plain words beside the details, as a failed Prepare iPhone says why.
    status.failureReason = status.message;
    status.isDeviceConnected = true;
    status.isLocationReady = false;
    status.waitsForPrepareIPhone = true;
    return status;
}

bool DeviceLocationController::stoppedAtPassword(const std::exception_ptr& error) const
{
    try {
        if (error)
            std::rethrow_exception(error);
    } catch (const DeviceLocationError& failure) {
        return failure.kind() == DeviceLocationError::Case::privilegedStartFailed &&
               m_configuration.privilegedRunner->stoppedAtPassword(failure.exitCode());
    } catch (...) {
    }
    return false;
}

LocationHelperStatus DeviceLocationController::unavailableStatus(const LocationHelper& helper,
                                                                 const std::exception_ptr& error)
{
    LocationHelperStatus status;
    status.helper = helper;
    if (helper.deviceIdentifier) {
        const QString name = helper.deviceName ? *helper.deviceName : *helper.deviceIdentifier;
        //: Device status message. %1 is the iPhone’s name.
        status.message = tr("%1 is connected but not ready yet.").arg(name);
    } else {
        //: Device status message.
        status.message = tr("iPhone isn’t responding yet.");
    }
    status.installHint = setupHint(errorDescription(error));
    status.isDeviceConnected = helper.deviceIdentifier.has_value();
    status.isLocationReady = false;
    return status;
}

LocationHelperStatus DeviceLocationController::readyStatus(const LocationHelper& helper, double timeout,
                                                           std::stop_token stopToken)
{
    if (helper.kind == LocationHelper::Kind::iDeviceSetLocation) {
        // The libimobiledevice path has no readiness probe of its own: the
        // verification (iPhone, iOS version, disk image) is the check. Every one
        // of its tool runs has its own fixed time-out.
        const QUuid operationID = QUuid::createUuid();
        ProcessCancellationState cancellation;
        const std::stop_callback onStop(stopToken, [this, &cancellation, operationID] {
            cancellation.cancel();
            interruptActiveProcess(operationID);
        });
        return readyShape(verifiedIDeviceHelper(helper, operationID, cancellation, LocationSupportCheck::required));
    }
    runHelperAction(helper, HelperAction::developerInfo(), timeout, stopToken);
    return readyShape(helper);
}

LocationHelperStatus DeviceLocationController::waitForLocationReady(const LocationHelper& helper,
                                                                    std::stop_token stopToken)
{
    const Configuration::Timing& timing = m_configuration.timing;
    const Clock::time_point deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                          std::chrono::duration<double>(timing.readinessBudget));
    std::exception_ptr lastError;
    while (Clock::now() < deadline) {
        if (stopToken.stop_requested())
            throw CancellationError();
        const double tryTimeout = std::min(std::max(secondsUntil(deadline), shortestReadinessTry), longestReadinessTry);
        try {
            return readyStatus(helper, tryTimeout, stopToken);
        } catch (const CancellationError&) {
            throw;
        } catch (...) {
            lastError = std::current_exception();
        }
        if (!sleepUnlessStopped(timing.readinessPause, stopToken))
            throw CancellationError();
    }
    if (lastError)
        std::rethrow_exception(lastError);
    //: Technical detail in diagnostics.
    throw DeviceLocationError::commandFailed(QStringLiteral("pymobiledevice3 developer dvt device-information"),
                                             tr("Couldn’t prepare iPhone within 12 seconds."));
}

void DeviceLocationController::mountDeveloperDiskImageIfNeeded(const LocationHelper& helper, std::stop_token stopToken)
{
    if (helper.kind != LocationHelper::Kind::pyMobileDevice)
        return;
    try {
        runHelperAction(helper, HelperAction::mountDeveloperDiskImage(), mountTimeout, stopToken);
    } catch (const DeviceLocationError& failure) {
        // pymobiledevice3 logs an already mounted image as an error.
        if (!failure.description().contains(u"already mounted", Qt::CaseInsensitive))
            throw;
    }
}

std::optional<LocationHelper> DeviceLocationController::rsdHelperIfPossible(const LocationHelper& helper,
                                                                            std::stop_token stopToken)
{
    if (helper.kind != LocationHelper::Kind::pyMobileDevice || !helper.deviceIdentifier)
        return std::nullopt;
    try {
        if (!isTunneldRunning(stopToken))
            return std::nullopt;
    } catch (...) {
        return std::nullopt;
    }
    return rsdHelperFrom(helper, startTunnelForDevice(helper, stopToken));
}

LocationHelper DeviceLocationController::tunnelledHelper(const LocationHelper& helper, std::stop_token stopToken,
                                                         AdministratorPrompt prompt)
{
    // Without a UDID no tunnel can be asked for: never start a root service (and
    // never ask for a password) for nothing, e.g. every few seconds while the
    // iPhone is unplugged.
    if (!helper.deviceIdentifier)
        throw missingUDIDError();
    const bool tunneldRunning = isTunneldRunning(stopToken);
    if (stopToken.stop_requested())
        throw CancellationError();
    if (!tunneldRunning) {
        // An administrator prompt only for an iPhone that is really there: while it
        // is unplugged, recovery would otherwise ask every few seconds.
        if (!isDeviceReachableSync(helper))
            throw notAttachedError(helper);
        if (stopToken.stop_requested())
            throw CancellationError();
        if (prompt == AdministratorPrompt::never) {
            //: Technical detail in diagnostics. “Prepare iPhone” is the button title.
            throw DeviceLocationError::administratorPromptNeeded(
                tr("Start the iPhone tunnel service with administrator rights"),
                tr("Ostrevin asks for the administrator password only when you click Prepare iPhone."));
        }
        try {
            startTunnelWithPrivileges(helper, stopToken);
            waitForTunneld(stopToken);
        } catch (const DeviceLocationError& failure) {
            // The user was asked: whoever retries must not ask again.
            throw DeviceLocationError::privilegedStartFailed(failure.command(), failure.output(), failure.reason(),
                                                             failure.exitCode());
        }
    }
    return rsdHelperFrom(helper, startTunnelForDevice(helper, stopToken));
}

LocationHelper DeviceLocationController::preparedRSDHelper(const LocationHelper& helper, std::stop_token stopToken,
                                                           AdministratorPrompt prompt)
{
    const LocationHelper rsd = tunnelledHelper(helper, stopToken, prompt);
    try {
        readyStatus(rsd, readinessCheckTimeout, stopToken);
        return rsd;
    } catch (...) {
        // Most often the disk image is missing; the mount below tells.
    }
    mountDeveloperDiskImageIfNeeded(rsd, stopToken);
    readyStatus(rsd, readinessCheckTimeout, stopToken);
    return rsd;
}

LocationHelperStatus DeviceLocationController::checkDeviceConnectionSync(const LocationHelper& helper,
                                                                         std::stop_token stopToken)
{
    if (helper.kind == LocationHelper::Kind::pyMobileDevice && !isBoundToIPhone(helper))
        return notConnectedStatus(helper, std::nullopt);
    std::exception_ptr firstError;
    try {
        return readyStatus(helper, readinessCheckTimeout, stopToken);
    } catch (const CancellationError&) {
        return unavailableStatus(helper, canceledCheckError());
    } catch (...) {
        firstError = std::current_exception();
    }
    // A stop that ended the readiness check may surface as the tool's failure.
    if (stopToken.stop_requested())
        return unavailableStatus(helper, canceledCheckError());
    if (const auto unplugged = unpluggedStatus(helper, firstError))
        return *unplugged;

    std::optional<LocationHelper> rsd;
    try {
        rsd = rsdHelperIfPossible(helper, stopToken);
    } catch (const CancellationError&) {
        return unavailableStatus(helper, canceledCheckError());
    } catch (...) {
        return unavailableStatus(helper, std::current_exception());
    }
    if (!rsd)
        return unavailableStatus(helper, firstError);

    try {
        return waitForLocationReady(*rsd, stopToken);
    } catch (const CancellationError&) {
        return unavailableStatus(helper, canceledCheckError());
    } catch (...) {
        return unavailableStatus(helper, std::current_exception());
    }
}

LocationHelperStatus DeviceLocationController::prepareForLocationSync(const LocationHelper& helper,
                                                                      std::stop_token stopToken,
                                                                      AdministratorPrompt prompt)
{
    const LocationHelperStatus status = checkDeviceConnectionSync(helper, stopToken);
    if (status.isAvailable() || !status.isDeviceConnected || helper.kind != LocationHelper::Kind::pyMobileDevice ||
        !isBoundToIPhone(helper))
        return status;

    try {
        // A reset or a quit waits for this preparation: once cancelled it starts
        // no further tool, not even the look at the attached devices below.
        if (stopToken.stop_requested())
            throw CancellationError();
        // Most often only the disk image is missing: mounted over the direct
        // connection it needs no tunnel, and so no administrator password.
        if (helper.connectionMode.kind() != LocationHelper::ConnectionMode::Case::rsd) {
            try {
                mountDeveloperDiskImageIfNeeded(helper, stopToken);
                return readyStatus(helper, readinessCheckTimeout, stopToken);
            } catch (const CancellationError&) {
                throw;
            } catch (...) {
                // iOS 17.0–17.3 reach developer services only through the tunnel.
            }
        }
        const LocationHelper rsd = tunnelledHelper(helper, stopToken, prompt);
        try {
            return readyStatus(rsd, readinessCheckTimeout, stopToken);
        } catch (...) {
            // Most often the disk image is missing; the mount below tells.
        }
        mountDeveloperDiskImageIfNeeded(rsd, stopToken);
        return waitForLocationReady(rsd, stopToken);
    } catch (...) {
        const std::exception_ptr error = std::current_exception();
        if (!stopToken.stop_requested()) {
            if (const auto unplugged = unpluggedStatus(helper, error))
                return *unplugged;
            if (errorKind(error) == DeviceLocationError::Case::administratorPromptNeeded)
                return promptNeededStatus(helper, error);
        }
        LocationHelperStatus failed;
        failed.helper = helper;
        //: Device status message after Prepare iPhone failed.
        failed.message = tr("Couldn’t prepare iPhone.");
        const QString description = errorDescription(error);
        failed.installHint = setupHint(description);
        failed.failureReason = description.section(QStringLiteral("\n\n"), 0, 0);
        failed.isDeviceConnected = helper.deviceIdentifier.has_value();
        failed.isLocationReady = false;
        // Past the password, the tunnel service runs and work nobody asked for can
        // prepare again without it; a dialog dismissed or refused left nothing running.
        failed.waitsForPrepareIPhone = stoppedAtPassword(error);
        return failed;
    }
}

QFuture<LocationHelperStatus> DeviceLocationController::prepareForLocation(const LocationHelper& helper,
                                                                           std::stop_token stopToken,
                                                                           AdministratorPrompt prompt)
{
    return onWorkers(stopToken, [this, helper, prompt](std::stop_token token) {
        return prepareForLocationSync(helper, token, prompt);
    });
}

QFuture<LocationHelperStatus> DeviceLocationController::checkDeviceConnection(const LocationHelper& helper,
                                                                              std::stop_token stopToken)
{
    return onWorkers(stopToken,
                     [this, helper](std::stop_token token) { return checkDeviceConnectionSync(helper, token); });
}

} // namespace ostrevin
