// Setting, holding and clearing a location. pymobiledevice3 keeps a simulated
// location only while its "simulate-location" process runs, so the controller
// holds that process; idevicesetlocation sets a point with one run.

#include "devicebridge/DeviceLocationController.h"
#include "devicebridge/DeviceLocationError.h"
#include "process/CancellationError.h"
#include "process/OwnedProcessRegistry.h"
#include "routedata/LocationValidationError.h"

#include <QFile>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>

namespace ostrevin {

namespace {

using Clock = std::chrono::steady_clock;

constexpr double setTimeout = 15.0;
constexpr double clearTimeout = 15.0;
constexpr double heldProcessGrace = 0.6;
// Once a process has ended, whatever it left in its pipes is read for at most
// this long per stream: a grandchild that keeps a pipe open cannot stall us.
constexpr double afterExitReadLimit = 1.0;

Clock::time_point after(double seconds)
{
    return Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

QString connectionModeText(const LocationHelper::ConnectionMode& mode)
{
    switch (mode.kind()) {
    case LocationHelper::ConnectionMode::Case::direct:
        return QStringLiteral("direct");
    case LocationHelper::ConnectionMode::Case::usbmux:
        return QStringLiteral("usbmux");
    case LocationHelper::ConnectionMode::Case::tunnel:
        return QStringLiteral("tunnel");
    case LocationHelper::ConnectionMode::Case::rsd:
        return QStringLiteral("rsd:") + mode.host() + u':' + QString::number(mode.port());
    }
    return {};
}

// Tools get no NaN and no point outside the globe, whoever asks.
void validate(const RoutePoint& point)
{
    if (!std::isfinite(point.latitude) || std::abs(point.latitude) > 90)
        throw LocationValidationError(LocationValidationError::Kind::invalidLatitude);
    if (!std::isfinite(point.longitude) || std::abs(point.longitude) > 180)
        throw LocationValidationError(LocationValidationError::Kind::invalidLongitude);
}

bool isRsd(const LocationHelper& helper)
{
    return helper.connectionMode.kind() == LocationHelper::ConnectionMode::Case::rsd;
}

/// One start of a held process as a device operation: its identifier and its
/// cancelled flag, set when stop is requested on the caller's token. The stop
/// callback only flags and signals (it may run on the GUI thread); the worker
/// stops the held process once the start sees the flag.
class HeldStart {
public:
    HeldStart(DeviceLocationController& controller, std::stop_token stopToken)
        : m_onStop(std::move(stopToken), [this, &controller] {
              cancellation.cancel();
              controller.interruptActiveProcess(operationID);
          })
    {
    }

    const QUuid operationID = QUuid::createUuid();
    ProcessCancellationState cancellation;

private:
    std::stop_callback<std::function<void()>> m_onStop;
};

} // namespace

QString DeviceLocationController::persistentSignature(const LocationHelper& helper, const QString& payload)
{
    const QString path = helper.executablePath();
    const QString resolved = QFileInfo(path).canonicalFilePath();
    return QStringList{
        LocationHelper::toRaw(helper.kind),
        resolved.isEmpty() ? path : resolved,
        helper.deviceIdentifier.value_or(QStringLiteral("no-udid")),
        connectionModeText(helper.connectionMode),
        payload,
    }
        .join(u'|');
}

QString DeviceLocationController::locationSignature(const RoutePoint& point, const LocationHelper& helper)
{
    return persistentSignature(helper, QStringLiteral("point:") + HelperCommandLine::formatCoordinate(point.latitude) +
                                           u',' + HelperCommandLine::formatCoordinate(point.longitude));
}

QFuture<QString> DeviceLocationController::setLocation(const RoutePoint& point, const LocationHelper& helper,
                                                       std::stop_token stopToken, AdministratorPrompt prompt)
{
    return onWorkers(stopToken, [this, point, helper, prompt](std::stop_token token) {
        return setLocationSync(point, helper, token, HeldSet::keepMatching, prompt);
    });
}

QFuture<QString> DeviceLocationController::resendLocation(const RoutePoint& point, const LocationHelper& helper,
                                                          std::stop_token stopToken, AdministratorPrompt prompt)
{
    return onWorkers(stopToken, [this, point, helper, prompt](std::stop_token token) {
        return setLocationSync(point, helper, token, HeldSet::sendAgain, prompt);
    });
}

QString DeviceLocationController::setLocationSync(const RoutePoint& point, const LocationHelper& helper,
                                                  std::stop_token stopToken, HeldSet heldSet,
                                                  AdministratorPrompt prompt)
{
    validate(point);
    requireBoundIPhone(
        helper, HelperCommandLine::displayCommand(helper.executablePath(),
                                                  HelperCommandLine::arguments(helper, HelperAction::set(point))));
    if (helper.kind == LocationHelper::Kind::iDeviceSetLocation)
        return runHelperAction(helper, HelperAction::set(point), setTimeout, stopToken).text;

    if (heldSet == HeldSet::keepMatching) {
        std::lock_guard guard(m_processLock);
        if (m_locationProcess && m_locationProcess->isRunning() &&
            m_persistentLocationSignature == locationSignature(point, helper)) {
            //: Result message when setting the same location again.
            return tr("This location is already set.");
        }
    }

    // The start below ends the held process (its whole group) before it launches
    // the new one: after an outage the old one still runs but sets nothing.
    try {
        return runPersistentLocationCommand(point, helper, stopToken);
    } catch (const CancellationError&) {
        throw;
    } catch (...) {
        if (isRsd(helper))
            throw;
    }
    // A helper outside the tunnel often fails on iOS 17 and later: one more try
    // through the tunnel service; the first error is dropped.
    const LocationHelper rsd = preparedRSDHelper(helper, stopToken, prompt);
    return runPersistentLocationCommand(point, rsd, stopToken);
}

QString DeviceLocationController::runPersistentLocationCommand(const RoutePoint& point, const LocationHelper& helper,
                                                               std::stop_token stopToken)
{
    HeldStart start(*this, std::move(stopToken));
    try {
        //: Result message after the iPhone’s location was set.
        const QString success = tr("Simulated location is set.");
        //: Technical detail in diagnostics.
        const QString earlyExit = tr("Location simulation ended early, so the location wouldn’t be held.");
        return runPersistentCommandSync(helper, HelperCommandLine::arguments(helper, HelperAction::set(point)),
                                        locationSignature(point, helper), m_configuration.timing.locationStartup,
                                        success, earlyExit, std::nullopt, start.operationID, start.cancellation);
    } catch (const CancellationError&) {
        stopPersistentLocationProcess();
        throw;
    }
}

QString DeviceLocationController::runPersistentRoutePlaybackCommand(const QString& gpxPath,
                                                                    const LocationHelper& helper,
                                                                    std::stop_token stopToken)
{
    HeldStart start(*this, std::move(stopToken));
    try {
        //: Result message after route playback started.
        const QString success = tr("The route is playing.");
        //: Technical detail in diagnostics.
        const QString earlyExit = tr("Route playback ended early.");
        return runPersistentCommandSync(
            helper, HelperCommandLine::playArguments(helper, gpxPath),
            persistentSignature(helper, QStringLiteral("route:") + QFileInfo(gpxPath).fileName()),
            m_configuration.timing.routeStartup, success, earlyExit, gpxPath, start.operationID, start.cancellation);
    } catch (const CancellationError&) {
        stopPersistentLocationProcess();
        QFile::remove(gpxPath);
        throw;
    } catch (...) {
        QFile::remove(gpxPath);
        throw;
    }
}

QString DeviceLocationController::runPersistentCommandSync(
    const LocationHelper& helper, const QStringList& arguments, const QString& signature, double startupTimeout,
    const QString& successMessage, const QString& earlyExitMessage, const std::optional<QString>& gpxPath,
    const QUuid& operationID, ProcessCancellationState& cancellation)
{
    const QString path = helper.executablePath();
    requireBoundIPhone(helper, HelperCommandLine::displayCommand(path, arguments));
    std::lock_guard commandGuard(m_commandLock);
    if (cancellation.isCancelled())
        throw CancellationError();
    // Whatever was held before, a point or a route, ends first.
    stopPersistentLocationProcess();

    OwnedProcessRegistry& registry = OwnedProcessRegistry::shared();
    // The exit handler may fire before launch() returns; the start-up wait below
    // notices such an early end by itself.
    auto launched = std::make_shared<std::atomic<const ChildProcess*>>(nullptr);
    const std::shared_ptr<ChildProcess> child = ChildProcess::launch(path, arguments, [this, launched, &registry] {
        if (const ChildProcess* process = launched->load()) {
            registry.unregister(process);
            clearPersistentLocationHandlesIfCurrent(process);
        }
    });
    launched->store(child.get());
    {
        std::lock_guard guard(m_processLock);
        m_activeProcess = child;
        m_activeProcessOperationID = operationID;
    }
    registry.registerProcess(child, OwnedProcessPurpose::simulation);

    const auto discard = [&] {
        child->clearExitHandler();
        {
            std::lock_guard guard(m_processLock);
            clearActiveProcessIfCurrent(child.get());
        }
        terminate(child, heldProcessGrace);
        child->finish();
    };

    // A cancellation that came before the process sat in the active slot found
    // nothing to interrupt; the wait would otherwise run its full length.
    const bool exited = cancellation.isCancelled() ? false : child->waitForExitOrWake(after(startupTimeout));
    {
        std::lock_guard guard(m_processLock);
        clearActiveProcessIfCurrent(child.get());
    }
    if (cancellation.isCancelled()) {
        discard();
        throw CancellationError();
    }

    if (!exited) {
        bool stored = false;
        {
            std::lock_guard guard(m_processLock);
            if (child->isRunning()) {
                m_locationProcess = child;
                m_persistentLocationSignature = signature;
                m_locationGPXPath = gpxPath;
                stored = true;
            }
        }
        if (stored) {
            if (m_configuration.afterHeldProcessStored)
                m_configuration.afterHeldProcessStored();
            // A cancellation between the wait and the store would otherwise leave a
            // simulation running that nobody asked for, reported as set.
            if (cancellation.isCancelled()) {
                stopPersistentLocationProcess();
                throw CancellationError();
            }
            return successMessage;
        }
    }

    // The process ended during start-up: a held command that ends by itself has
    // always failed. Read what it left, within bounds.
    child->clearExitHandler();
    registry.unregister(child.get());
    child->waitForStreamEnd(ChildProcess::Stream::standardOutput, after(afterExitReadLimit));
    child->waitForStreamEnd(ChildProcess::Stream::standardError, after(afterExitReadLimit));
    child->finish();
    const QString standardOutput = child->standardOutput().stringValue();
    const QString standardError = child->standardError().stringValue();
    QString output = standardOutput;
    if (!standardError.isEmpty())
        output = output.isEmpty() ? standardError : output + u'\n' + standardError;
    const QString command = HelperCommandLine::displayCommand(path, arguments);
    if (!child->exitedSuccessfully() || containsLoggedError(output))
        throw DeviceLocationError::commandFailed(command, output);
    throw DeviceLocationError::commandFailed(command, output.isEmpty() ? earlyExitMessage : output);
}

DeviceLocationController::PersistentLocationHandles DeviceLocationController::takePersistentLocationHandles()
{
    PersistentLocationHandles handles;
    if (!m_locationProcess)
        return handles;
    handles.process = std::move(m_locationProcess);
    handles.gpxPath = std::move(m_locationGPXPath);
    m_locationProcess.reset();
    m_locationGPXPath.reset();
    m_persistentLocationSignature.reset();
    return handles;
}

void DeviceLocationController::releaseHandles(PersistentLocationHandles handles)
{
    // Closes the pipes (after SIGKILL to whatever of the group still holds them)
    // and reaps the leader.
    handles.process->finish();
    if (handles.gpxPath)
        QFile::remove(*handles.gpxPath);
}

void DeviceLocationController::stopPersistentLocationProcess()
{
    stopPersistentLocationProcessIfCurrent(nullptr);
}

void DeviceLocationController::stopPersistentLocationProcessIfCurrent(const ChildProcess* process)
{
    PersistentLocationHandles handles;
    {
        std::lock_guard guard(m_processLock);
        if (process && m_locationProcess.get() != process)
            return;
        handles = takePersistentLocationHandles();
    }
    if (!handles.process)
        return;
    handles.process->clearExitHandler();
    terminate(handles.process, heldProcessGrace);
    releaseHandles(std::move(handles));
}

void DeviceLocationController::clearPersistentLocationHandlesIfCurrent(const ChildProcess* process)
{
    PersistentLocationHandles handles;
    {
        std::lock_guard guard(m_processLock);
        if (m_locationProcess.get() != process)
            return;
        handles = takePersistentLocationHandles();
    }
    releaseHandles(std::move(handles));
}

std::optional<bool>
DeviceLocationController::isPersistentLocationActive(const std::optional<LocationHelper>& helper) const
{
    if (!helper || helper->kind != LocationHelper::Kind::pyMobileDevice)
        return std::nullopt;
    std::lock_guard guard(m_processLock);
    return m_locationProcess && m_locationProcess->isRunning();
}

QFuture<QString> DeviceLocationController::clearLocation(const LocationHelper& helper, std::stop_token stopToken)
{
    return onWorkers(stopToken, [this, helper](std::stop_token token) { return clearLocationSync(helper, token); });
}

QString DeviceLocationController::clearLocationSync(const LocationHelper& helper, std::stop_token stopToken)
{
    stopPersistentLocationProcess();
    stopActiveProcess();
    requireBoundIPhone(helper,
                       HelperCommandLine::displayCommand(helper.executablePath(),
                                                         HelperCommandLine::arguments(helper, HelperAction::clear())));
    try {
        return runHelperAction(helper, HelperAction::clear(), clearTimeout, stopToken).text;
    } catch (const CancellationError&) {
        throw;
    } catch (...) {
        if (helper.kind == LocationHelper::Kind::iDeviceSetLocation || isRsd(helper))
            throw;
    }
    const LocationHelper rsd = preparedRSDHelper(helper, stopToken);
    return runHelperAction(rsd, HelperAction::clear(), clearTimeout, stopToken).text;
}

} // namespace ostrevin
