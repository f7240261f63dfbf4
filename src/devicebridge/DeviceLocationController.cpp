#include "devicebridge/DeviceLocationController.h"

#include "devicebridge/DeviceLocationError.h"
#include "process/CancellationError.h"
#include "process/OwnedProcessRegistry.h"

#include <QRegularExpression>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>

namespace ostrevin {

namespace {

using Clock = ChildProcess::Clock;
using Seconds = std::chrono::duration<double>;

constexpr double cancelledBeforeWaitGrace = 0.5;
constexpr double stopGrace = 0.6;
constexpr double stopAllGrace = 1.0;
constexpr Seconds afterExitWait{1.0};
constexpr double minimumWait = 0.1;

Clock::time_point after(double seconds)
{
    return Clock::now() + std::chrono::duration_cast<Clock::duration>(Seconds(seconds));
}

/// Whole seconds with the unit spelled out ("15 seconds"); the fraction is dropped.
QString wholeSeconds(double seconds)
{
    const qint64 whole = seconds > 0 && std::isfinite(seconds) ? static_cast<qint64>(std::floor(seconds)) : 0;
    return whole == 1 ? DeviceLocationController::tr("1 second")
                      : DeviceLocationController::tr("%1 seconds").arg(whole);
}

QString joinedText(const QString& standardOutput, const QString& standardError)
{
    if (standardOutput.isEmpty())
        return standardError;
    if (standardError.isEmpty())
        return standardOutput;
    return standardOutput + u'\n' + standardError;
}

/// Undoes what a run set up, whichever way it leaves: the exit handler, the
/// active slot, the registry record, and the pipes and leader themselves.
class RunCleanup {
public:
    RunCleanup(std::function<void()> cleanup) : m_cleanup(std::move(cleanup)) {}
    ~RunCleanup() { m_cleanup(); }
    RunCleanup(const RunCleanup&) = delete;
    RunCleanup& operator=(const RunCleanup&) = delete;

private:
    std::function<void()> m_cleanup;
};

} // namespace

DeviceLocationController::DeviceLocationController(QObject* parent) : DeviceLocationController(Configuration{}, parent)
{
}

DeviceLocationController::DeviceLocationController(Configuration configuration, QObject* parent)
    : QObject(parent), m_configuration(std::move(configuration))
{
    m_workerPool.setMaxThreadCount(std::max(8, m_configuration.workerThreadCount));
    m_workerPool.setObjectName(QStringLiteral("DeviceWorkers"));
}

DeviceLocationController::~DeviceLocationController()
{
    // Quit must not wait for work that could go on for minutes (a detection of
    // 15 s a tool, the privileged start of up to 120 s): everything running is
    // asked to stop first, and no new tool starts.
    m_stopAll.request_stop();
    m_workerPool.waitForDone();
    // The held process's exit handler refers to this controller: end it while
    // the controller still exists.
    stopPersistentLocationProcess();
}

std::shared_ptr<ChildProcess> DeviceLocationController::activeProcess() const
{
    std::lock_guard guard(m_processLock);
    return m_activeProcess;
}

std::shared_ptr<ChildProcess> DeviceLocationController::takeActiveProcess(const std::optional<QUuid>& operationID)
{
    if (operationID && m_activeProcessOperationID != operationID)
        return nullptr;
    std::shared_ptr<ChildProcess> taken = std::move(m_activeProcess);
    m_activeProcess.reset();
    m_activeProcessOperationID.reset();
    return taken;
}

void DeviceLocationController::clearActiveProcessIfCurrent(const ChildProcess* process)
{
    if (m_activeProcess.get() != process)
        return;
    m_activeProcess.reset();
    m_activeProcessOperationID.reset();
}

void DeviceLocationController::stopActiveProcess(const QUuid& operationID)
{
    std::shared_ptr<ChildProcess> process;
    {
        std::lock_guard guard(m_processLock);
        process = takeActiveProcess(operationID);
    }
    if (process)
        terminate(process, stopGrace);
}

void DeviceLocationController::stopActiveProcess()
{
    std::shared_ptr<ChildProcess> process;
    {
        std::lock_guard guard(m_processLock);
        process = takeActiveProcess(std::nullopt);
    }
    if (process)
        terminate(process, stopAllGrace);
}

void DeviceLocationController::interruptActiveProcess(const QUuid& operationID)
{
    std::shared_ptr<ChildProcess> process;
    {
        std::lock_guard guard(m_processLock);
        process = takeActiveProcess(operationID);
    }
    if (!process)
        return;
    process->signalGroup(SIGTERM);
    process->wake();
}

void DeviceLocationController::terminate(const std::shared_ptr<ChildProcess>& process, double graceInterval)
{
    OwnedProcessRegistry& registry = OwnedProcessRegistry::shared();
    if (process->isRunning()) {
        const auto graceEnd = after(graceInterval);
        process->signalGroup(SIGTERM);
        if (!process->waitForExit(graceEnd)) {
            process->signalGroup(SIGKILL);
            process->waitForExit(after(afterExitWait.count()));
        }
    }
    // Members that ignored the SIGTERM go with the leader (not yet reaped, so
    // the group is still the tool's).
    process->signalGroup(SIGKILL);
    registry.unregister(process.get());
}

bool DeviceLocationController::containsLoggedError(const QString& text)
{
    static const QRegularExpression newline(QStringLiteral("[\\n\\r\\x{0b}\\x{0c}\\x{85}\\x{2028}\\x{2029}]"));
    const QStringList lines = text.split(newline);
    return std::any_of(lines.begin(), lines.end(), [](const QString& line) {
        const QString trimmed = line.trimmed();
        return trimmed.startsWith(u"ERROR ") || trimmed.contains(u" ERROR ") || trimmed.startsWith(u"Traceback ");
    });
}

QFuture<ProcessOutput> DeviceLocationController::run(const LocationHelper& helper, const HelperAction& action,
                                                     double timeout, std::stop_token stopToken)
{
    return onWorkers(stopToken, [this, helper, action, timeout](std::stop_token token) {
        return runHelperAction(helper, action, timeout, token);
    });
}

ProcessOutput DeviceLocationController::runHelperAction(const LocationHelper& helper, const HelperAction& action,
                                                        double timeout, std::stop_token stopToken)
{
    const QStringList arguments = HelperCommandLine::arguments(helper, action);
    requireBoundIPhone(helper, HelperCommandLine::displayCommand(helper.executablePath(), arguments));
    return executeStoppable(helper.executableURL, arguments, timeout, stopToken);
}

ProcessOutput DeviceLocationController::executeStoppable(const QUrl& executableURL, const QStringList& arguments,
                                                         double timeout, std::stop_token stopToken)
{
    const QUuid operationID = QUuid::createUuid();
    ProcessCancellationState cancellation;
    // Runs on the thread that requests the stop (or right here when it already
    // was): only flags and signals, the escalation stays on this worker.
    std::stop_callback onStop(stopToken, [this, &cancellation, operationID] {
        cancellation.cancel();
        interruptActiveProcess(operationID);
    });
    if (cancellation.isCancelled())
        throw CancellationError();
    return executeLocked(executableURL, arguments, timeout, operationID, cancellation,
                         ProcessTracking::asActiveProcess);
}

ProcessOutput DeviceLocationController::executeLocked(const QUrl& executableURL, const QStringList& arguments,
                                                      double timeout, const QUuid& operationID,
                                                      ProcessCancellationState& cancellation, ProcessTracking tracking)
{
    std::lock_guard guard(m_commandLock);
    if (cancellation.isCancelled() || m_stopAll.stop_requested())
        throw CancellationError();
    return executeProcess(executableURL, arguments, timeout, operationID, cancellation, tracking);
}

ProcessOutput DeviceLocationController::executeProcess(const QUrl& executableURL, const QStringList& arguments,
                                                       double timeout, const QUuid& operationID,
                                                       ProcessCancellationState& cancellation, ProcessTracking tracking)
{
    const bool tracksActiveProcess = tracking == ProcessTracking::asActiveProcess;
    const QString path = executableURL.toLocalFile();
    const QString command = HelperCommandLine::displayCommand(path, arguments);
    OwnedProcessRegistry& registry = OwnedProcessRegistry::shared();

    // The exit handler may fire before launch() returns; until the process is
    // known there is no record to remove anyway.
    auto launched = std::make_shared<std::atomic<const ChildProcess*>>(nullptr);
    const std::shared_ptr<ChildProcess> child = ChildProcess::launch(path, arguments, [launched, &registry] {
        if (const ChildProcess* process = launched->load())
            registry.unregister(process);
    });
    launched->store(child.get());
    registry.registerProcess(child, OwnedProcessPurpose::command);
    if (tracksActiveProcess) {
        std::lock_guard guard(m_processLock);
        m_activeProcess = child;
        m_activeProcessOperationID = operationID;
    }
    // The controller going away stops every run, also the ones whose operation
    // has no stop token of its own (detection): flag, signal, wake; never block.
    const std::stop_callback onStopAll(m_stopAll.get_token(), [&cancellation, child] {
        cancellation.cancel();
        child->signalGroup(SIGTERM);
        child->wake();
    });
    const RunCleanup cleanup([&] {
        child->clearExitHandler();
        if (tracksActiveProcess) {
            std::lock_guard guard(m_processLock);
            clearActiveProcessIfCurrent(child.get());
        }
        registry.unregister(child.get());
        child->finish();
    });

    const auto drain = [&child] {
        const bool outputDone = child->waitForStreamEnd(ChildProcess::Stream::standardOutput, after(1.0));
        const bool errorDone = child->waitForStreamEnd(ChildProcess::Stream::standardError, after(1.0));
        return outputDone && errorDone;
    };

    if (cancellation.isCancelled()) {
        if (tracksActiveProcess) {
            std::lock_guard guard(m_processLock);
            clearActiveProcessIfCurrent(child.get());
        }
        terminate(child, cancelledBeforeWaitGrace);
        child->waitForExit(after(1.0));
        child->clearExitHandler();
        drain();
        throw CancellationError();
    }

    bool timedOut = false;
    const bool exited = child->waitForExitOrWake(after(std::max(timeout, minimumWait)));

    if (tracksActiveProcess) {
        std::lock_guard guard(m_processLock);
        clearActiveProcessIfCurrent(child.get());
    }
    if (!exited) {
        // Woken by the cancellation handler (which already sent SIGTERM), or
        // out of time: either way the forced end happens here, on the worker.
        timedOut = !cancellation.isCancelled();
        terminate(child, stopGrace);
        child->waitForExit(after(1.0));
    }

    child->clearExitHandler();
    registry.unregister(child.get());

    const bool drained = drain();
    // Pipes still held (by a grandchild) are closed only after the group got
    // SIGKILL, and the leader is reaped last.
    child->finish();

    ProcessOutput output;
    output.standardOutput = child->standardOutput().stringValue();
    output.standardError = child->standardError().stringValue();
    output.text = joinedText(output.standardOutput, output.standardError);

    if (cancellation.isCancelled())
        throw CancellationError();
    // What the tool logged before it hung says why: "--reconnect" makes it wait
    // for a device after logging that none is connected.
    if (timedOut && containsLoggedError(output.text))
        throw DeviceLocationError::commandFailed(command, output.text);
    if (timedOut) {
        //: Technical detail in diagnostics. %1 is a duration such as “15 seconds”.
        throw DeviceLocationError::commandFailed(
            command, tr("Timed out after %1, so the process was stopped.").arg(wholeSeconds(timeout)));
    }
    if (!drained) {
        //: Technical detail in diagnostics.
        throw DeviceLocationError::commandFailed(
            command, tr("The process ended, but Ostrevin couldn’t finish reading its output safely."));
    }
    if (child->exitedSuccessfully() && !containsLoggedError(output.text))
        return output;
    throw DeviceLocationError::commandFailed(command, output.text, child->exitCode());
}

} // namespace ostrevin
