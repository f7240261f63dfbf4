#pragma once

#include "devicebridge/ChildProcess.h"
#include "devicebridge/HelperAction.h"
#include "devicebridge/HelperCommandLine.h"
#include "devicebridge/LocationHelper.h"
#include "devicebridge/ProcessCancellationState.h"
#include "devicebridge/ProcessOutput.h"

#include <QCoreApplication>
#include <QFuture>
#include <QObject>
#include <QStringList>
#include <QThreadPool>
#include <QUrl>
#include <QUuid>

#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>

namespace ostrevin {

/// The one device-bridge object: runs every external tool that acts on the
/// iPhone. Tool runs block their worker thread and are serialised by the
/// recursive command lock; the GUI thread only ever gets QFutures.
///
/// Lock order: commandLock is the outermost lock, held across whole tool runs;
/// processLock, the registry's lock and the cancellation and accumulator locks
/// are leaf locks held for a few field accesses, never while waiting.
class DeviceLocationController : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DeviceLocationController)

public:
    /// Everything the controller would otherwise take from the machine.
    struct Configuration {
        /// Where the tunnel-service line looks for a listener.
        PortProbeTools portProbeTools;
        /// Threads of the device worker pool; the privileged start may hold one
        /// for two minutes, so there are never fewer than eight.
        int workerThreadCount = 8;
    };

    explicit DeviceLocationController(QObject* parent = nullptr);
    explicit DeviceLocationController(Configuration configuration, QObject* parent = nullptr);
    ~DeviceLocationController() override;

    const Configuration& configuration() const { return m_configuration; }

    /// Runs one helper action on the worker pool and returns what the tool
    /// printed. Fails with CancellationError, DeviceLocationError or
    /// ProcessLaunchError. Requesting stop on the token sets the operation's
    /// flag and sends SIGTERM to its tool; it never blocks the requesting thread.
    QFuture<ProcessOutput> run(const LocationHelper& helper, const HelperAction& action, double timeout,
                               std::stop_token stopToken = {});
    /// The same, on the calling (worker) thread.
    ProcessOutput runHelperAction(const LocationHelper& helper, const HelperAction& action, double timeout,
                                  std::stop_token stopToken = {});

    /// Takes the command lock, re-checks the cancellation flag (throwing
    /// CancellationError without starting anything), and runs the tool.
    ProcessOutput executeLocked(const QUrl& executableURL, const QStringList& arguments, double timeout,
                                const QUuid& operationID, ProcessCancellationState& cancellation,
                                bool tracksActiveProcess);

    /// Runs one tool to its end: bounded output, a wall-clock time-out (at least
    /// 0.1 s), cancellation, registration as an owned process. Blocks; never call
    /// it on the GUI thread. Callers hold the command lock (see executeLocked).
    ProcessOutput executeProcess(const QUrl& executableURL, const QStringList& arguments, double timeout,
                                 const QUuid& operationID, ProcessCancellationState& cancellation,
                                 bool tracksActiveProcess);

    /// Ends a process politely (SIGTERM to its group), then after the grace
    /// interval forcibly (SIGKILL), waiting up to 1.0 s more; unregisters it.
    static void terminate(const std::shared_ptr<ChildProcess>& process, double graceInterval);

    /// Stops the active tool only when it belongs to the operation (grace 0.6 s).
    void stopActiveProcess(const QUuid& operationID);
    /// Stops whatever device command is active (grace 1.0 s). Blocks.
    void stopActiveProcess();

    /// The cancellation handler's half that may run on any thread: takes the
    /// operation's tool out of the active slot, sends SIGTERM to its group and
    /// wakes its waiting worker, which escalates. Never blocks.
    void interruptActiveProcess(const QUuid& operationID);

    /// The error-marker test on a tool's text: a trimmed line that begins
    /// "ERROR ", contains " ERROR " or begins "Traceback ".
    static bool containsLoggedError(const QString& text);

    /// The recursive lock that serialises tool runs, for callers that hold it
    /// across several runs (a whole detection).
    std::recursive_mutex& commandLock() { return m_commandLock; }

    /// The tool of the running device command, if any (for diagnostics and tests).
    std::shared_ptr<ChildProcess> activeProcess() const;

private:
    // With m_processLock held.
    std::shared_ptr<ChildProcess> takeActiveProcess(const std::optional<QUuid>& operationID);
    void clearActiveProcessIfCurrent(const ChildProcess* process);

    const Configuration m_configuration;

    mutable std::mutex m_processLock;
    std::recursive_mutex m_commandLock;
    std::shared_ptr<ChildProcess> m_activeProcess;
    std::optional<QUuid> m_activeProcessOperationID;

    // Last, so that it is destroyed first: its tasks use everything above.
    QThreadPool m_workerPool;
};

} // namespace ostrevin
