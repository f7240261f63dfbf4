#pragma once

#include "devicebridge/ChildProcess.h"
#include "devicebridge/HelperAction.h"
#include "devicebridge/CoreDeviceIdentity.h"
#include "devicebridge/HelperCommandLine.h"
#include "devicebridge/HelperSearchPaths.h"
#include "devicebridge/LocationHelper.h"
#include "devicebridge/LocationHelperStatus.h"
#include "devicebridge/ProcessCancellationState.h"
#include "devicebridge/ProcessOutput.h"
#include "devicebridge/TunnelServiceClient.h"
#include "devicebridge/TunneldTunnel.h"
#include "platform/PrivateTempFolder.h"
#include "platform/PrivilegedRunner.h"

#include <QCoreApplication>
#include <QFuture>
#include <QObject>
#include <QStringList>
#include <QThreadPool>
#include <QUrl>
#include <QUuid>

#include <chrono>
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

        /// Where helpers and the libimobiledevice tools are looked for.
        HelperSearchPaths helperSearch;
        /// The tunnel service's address.
        QUrl tunnelServiceURL = TunnelServiceClient::defaultBaseURL();
        /// The pause after each failed probe while waiting for a started tunnel service.
        std::chrono::milliseconds tunnelProbeInterval{500};
        /// How the tunnel service is started with administrator rights.
        std::shared_ptr<const PrivilegedRunner> privilegedRunner = PrivilegedRunner::create();
        /// Where files handed to or received from tools go (a private folder of this user).
        QString temporaryFolder = PrivateTempFolder::fromEnvironment().path();
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

    // Helper discovery and device identification. Nothing is cached: every call
    // searches and asks the tools again.

    /// Finds the helper and the iPhone it reaches; never fails (failures become
    /// the status). Holds the command lock for the whole detection.
    QFuture<LocationHelperStatus> detectHelper();
    LocationHelperStatus detectHelperSync();
    /// Whether the helper's iPhone still answers; every failure is false.
    QFuture<bool> isDeviceReachable(const LocationHelper& helper);
    bool isDeviceReachableSync(const LocationHelper& helper);
    /// For an idevicesetlocation helper: the confirmed iPhone (its UDID and name,
    /// mode usbmux), checked for iOS support and the developer disk image when
    /// requireLocationSupport is set. Other helpers are returned unchanged.
    /// Throws DeviceLocationError, ProcessLaunchError or CancellationError.
    LocationHelper verifiedIDeviceHelper(const LocationHelper& helper, const QUuid& operationID,
                                         ProcessCancellationState& cancellation, bool requireLocationSupport);

    /// True when idevicesetlocation can serve that iOS version (below 17).
    static bool isLegacyIDeviceSetLocationSupported(const QString& productVersion);
    /// True when the image-list reply (an XML property list) shows a mounted
    /// developer disk image.
    static bool hasMountedDeveloperDiskImage(const QString& output);

    // The tunnel service (pymobiledevice3's tunneld). The requests run on the
    // calling worker and hold no lock.

    bool isTunneldRunning(std::stop_token stopToken = {});
    std::optional<TunneldTunnel> activeTunnel(const QString& udid, std::stop_token stopToken = {});
    /// A tunnel for the helper's device: the one the service holds, else a new one.
    TunneldTunnel startTunnelForDevice(const LocationHelper& helper, std::stop_token stopToken = {});
    void waitForTunneld(std::stop_token stopToken = {});
    /// Starts the tunnel service with administrator rights (the user is asked),
    /// holding the command lock and the active-process slot while the request
    /// runs; a stop request ends it. Refused without a device identifier.
    /// Returns what the run printed.
    QString startTunnelWithPrivileges(const LocationHelper& helper, std::stop_token stopToken = {});

private:
    std::optional<LocationHelper> helper(LocationHelper::Kind kind, const QString& executableName);
    QStringList pythonUserBinCandidates(const QString& executableName);
    LocationHelper helperWithFirstUSBDevice(const LocationHelper& helper);
    std::optional<CoreDeviceIdentity> firstCoreDevice();
    std::optional<QUrl> iDeviceUtilityURL(const QString& name, const QUrl& relativeTo) const;
    QString helperDetectionMessage(const LocationHelper& helper) const;
    void verifyDeveloperDiskImage(const QString& udid, const QUrl& relativeTo, const QUuid& operationID,
                                  ProcessCancellationState& cancellation);
    /// One discovery run that may fail quietly: the output, or none.
    std::optional<ProcessOutput> tryExecute(const QString& executablePath, const QStringList& arguments,
                                            double timeout, bool tracksActiveProcess);
    TunnelServiceClient tunnelService() const;

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
