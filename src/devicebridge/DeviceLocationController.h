#pragma once

#include "devicebridge/CoreDeviceIdentity.h"
#include "devicebridge/DeviceLocationError.h"
#include "devicebridge/DeviceLocationService.h"
#include "devicebridge/HelperAction.h"
#include "devicebridge/HelperCommandLine.h"
#include "devicebridge/HelperSearchPaths.h"
#include "devicebridge/LocationHelper.h"
#include "devicebridge/LocationHelperStatus.h"
#include "devicebridge/TunnelServiceClient.h"
#include "devicebridge/TunneldTunnel.h"
#include "devicebridge/USBMuxDevice.h"
#include "platform/PrivateTempFolder.h"
#include "platform/PrivilegedRunner.h"
#include "process/ChildProcess.h"
#include "process/ProcessCancellationState.h"
#include "process/ProcessOutput.h"
#include "process/StopLink.h"
#include "routedata/RoutePoint.h"
#include "routedata/RouteSpeedProfile.h"
#include "routedata/RouteTransportMode.h"

#include <QCoreApplication>
#include <QFuture>
#include <QObject>
#include <QStringList>
#include <QThreadPool>
#include <QUrl>
#include <QUuid>
#include <QtConcurrent/QtConcurrentRun>
#include <chrono>
#include <exception>
#include <functional>
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
class DeviceLocationController : public QObject, public DeviceLocationService {
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

        /// The clocks of preparation, holding and playback. Tests shorten them.
        struct Timing {
            /// The whole readiness wait; each try gets what is left (0.25 s to 2 s).
            double readinessBudget = 12.0;
            /// The pause after a failed readiness try.
            double readinessPause = 0.25;
            /// How long a held location process must stay alive to count as set.
            double locationStartup = 3.0;
            /// The same for the route playback process.
            double routeStartup = 1.0;
            /// One round of route playback.
            double playbackPeriod = 1.0;
        };
        Timing timing;

        /// Test seam: runs on the worker right after a started location process was
        /// stored as the held one, before the start reports success.
        std::function<void()> afterHeldProcessStored;
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

    /// Runs one tool as its own operation: a stop request on the token flags the
    /// operation and sends SIGTERM to its tool, never blocking the requesting
    /// thread; the escalation stays on this worker. Then as executeLocked.
    ProcessOutput executeStoppable(const QUrl& executableURL, const QStringList& arguments, double timeout,
                                   std::stop_token stopToken);

    /// Whether a run is the controller's current tool run, the one a stop of the
    /// current operation ends.
    enum class ProcessTracking { asActiveProcess, untracked };
    /// Takes the command lock, re-checks the cancellation flag (throwing
    /// CancellationError without starting anything), and runs the tool.
    ProcessOutput executeLocked(const QUrl& executableURL, const QStringList& arguments, double timeout,
                                const QUuid& operationID, ProcessCancellationState& cancellation,
                                ProcessTracking tracking);

    /// Runs one tool to its end: bounded output, a wall-clock time-out (at least
    /// 0.1 s), cancellation, registration as an owned process. Blocks; never call
    /// it on the GUI thread. Callers hold the command lock (see executeLocked).
    ProcessOutput executeProcess(const QUrl& executableURL, const QStringList& arguments, double timeout,
                                 const QUuid& operationID, ProcessCancellationState& cancellation,
                                 ProcessTracking tracking);

    /// Ends a process politely (SIGTERM to its group), then after the grace
    /// interval forcibly (SIGKILL), waiting up to 1.0 s more; unregisters it.
    /// The group gets SIGKILL in the end whichever way the leader went.
    static void terminate(const std::shared_ptr<ChildProcess>& process, double graceInterval);

    /// Stops the active tool only when it belongs to the operation (grace 0.6 s).
    void stopActiveProcess(const QUuid& operationID);
    /// Stops whatever device command is active (grace 1.0 s). Blocks.
    void stopActiveProcess() override;

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
    QFuture<LocationHelperStatus> detectHelper() override;
    LocationHelperStatus detectHelperSync();
    /// Whether the helper's iPhone still answers; every failure is false, but a
    /// ProcessLaunchError when no look could start its tool.
    QFuture<bool> isDeviceReachable(const LocationHelper& helper) override;
    bool isDeviceReachableSync(const LocationHelper& helper);
    enum class LocationSupportCheck { required, skipped };
    /// For an idevicesetlocation helper: the confirmed iPhone (its UDID and name,
    /// mode usbmux), checked for iOS support and the developer disk image when
    /// support is required. Other helpers are returned unchanged.
    /// Throws DeviceLocationError, ProcessLaunchError or CancellationError.
    LocationHelper verifiedIDeviceHelper(const LocationHelper& helper, const QUuid& operationID,
                                         ProcessCancellationState& cancellation, LocationSupportCheck support);

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

    // Preparation and readiness. The blocking forms run on a device worker; the
    // GUI thread calls the QFuture forms. Statuses are returned, never thrown.

    /// Prepares the iPhone for a location: the device check, then for a
    /// pymobiledevice3 helper the tunnel service (started with administrator
    /// rights when needed), a tunnel, the developer disk image and the readiness
    /// wait. Every failure, a cancellation included, becomes the "Couldn’t prepare
    /// iPhone." status of the helper given.
    QFuture<LocationHelperStatus> prepareForLocation(const LocationHelper& helper, std::stop_token stopToken = {},
                                                     AdministratorPrompt prompt = AdministratorPrompt::never) override;
    LocationHelperStatus prepareForLocationSync(const LocationHelper& helper, std::stop_token stopToken = {},
                                                AdministratorPrompt prompt = AdministratorPrompt::never);
    /// Whether the helper's iPhone is ready, reaching it through a tunnel the
    /// running tunnel service holds when needed; never asks for administrator rights.
    QFuture<LocationHelperStatus> checkDeviceConnection(const LocationHelper& helper,
                                                        std::stop_token stopToken = {}) override;
    LocationHelperStatus checkDeviceConnectionSync(const LocationHelper& helper, std::stop_token stopToken = {});

    /// One readiness check (the ready status, or the check's failure thrown).
    LocationHelperStatus readyStatus(const LocationHelper& helper, double timeout, std::stop_token stopToken);
    /// Readiness checks within the readiness budget; throws the last failure.
    LocationHelperStatus waitForLocationReady(const LocationHelper& helper, std::stop_token stopToken);
    /// Mounts the developer disk image through pymobiledevice3; "already mounted" is success.
    void mountDeveloperDiskImageIfNeeded(const LocationHelper& helper, std::stop_token stopToken);
    /// An rsd helper through a tunnel service that already runs, or none.
    std::optional<LocationHelper> rsdHelperIfPossible(const LocationHelper& helper, std::stop_token stopToken);
    /// An rsd helper, starting the tunnel service with administrator rights when
    /// needed and allowed, checked for readiness (mounting the disk image once if needed).
    LocationHelper preparedRSDHelper(const LocationHelper& helper, std::stop_token stopToken,
                                     AdministratorPrompt prompt = AdministratorPrompt::allowed);

    /// Whether device commands of the helper reach one known iPhone (a UDID, or a
    /// tunnel address). Unbound, the tools would take any single attached device.
    static bool isBoundToIPhone(const LocationHelper& helper);
    /// "iPhone isn’t connected.", not connected, with the detail under "Details:".
    static LocationHelperStatus notConnectedStatus(const LocationHelper& helper, const std::optional<QString>& detail);
    /// "iPhone isn’t connected." when the error says the helper’s iPhone is missing
    /// or usbmux no longer lists its UDID; none otherwise.
    std::optional<LocationHelperStatus> unpluggedStatus(const LocationHelper& helper, const std::exception_ptr& error);
    /// The kind of a DeviceLocationError; none for any other error.
    static std::optional<DeviceLocationError::Case> errorKind(const std::exception_ptr& error);
    /// Connected, not ready: the tunnel service waits for the user’s Prepare iPhone.
    static LocationHelperStatus promptNeededStatus(const LocationHelper& helper, const std::exception_ptr& error);
    /// Whether the error is a privileged start that stopped at the password dialog.
    bool stoppedAtPassword(const std::exception_ptr& error) const;
    /// The status of a failed device check, with the error under "Details:".
    static LocationHelperStatus unavailableStatus(const LocationHelper& helper, const std::exception_ptr& error);
    /// The device setup instructions, with the detail under "Details:" when not empty.
    static QString setupHint(const std::optional<QString>& detail);
    /// The user-facing text of any error a device operation throws.
    static QString errorDescription(const std::exception_ptr& error);

    // Setting, holding and clearing a location.

    /// Sets the point: one idevicesetlocation run, or a pymobiledevice3 process
    /// that is held for as long as the location should last. A non-rsd
    /// pymobiledevice3 helper that fails gets one more try through the tunnel
    /// service. Returns the text for the status line.
    QFuture<QString> setLocation(const RoutePoint& point, const LocationHelper& helper, std::stop_token stopToken = {},
                                 AdministratorPrompt prompt = AdministratorPrompt::never) override;
    /// Ends the held process, whatever it holds, and sets the point anew: a held
    /// pymobiledevice3 process keeps running through an outage without the iPhone
    /// using its location, so only a new set puts the location back.
    QFuture<QString> resendLocation(const RoutePoint& point, const LocationHelper& helper,
                                    std::stop_token stopToken = {},
                                    AdministratorPrompt prompt = AdministratorPrompt::never) override;
    /// Whether a running held process that sets the same point stands for the set.
    enum class HeldSet { keepMatching, sendAgain };
    QString setLocationSync(const RoutePoint& point, const LocationHelper& helper, std::stop_token stopToken = {},
                            HeldSet heldSet = HeldSet::keepMatching,
                            AdministratorPrompt prompt = AdministratorPrompt::never);
    /// Ends the simulation on the iPhone (the held process first) and returns the tool's text.
    QFuture<QString> clearLocation(const LocationHelper& helper, std::stop_token stopToken = {}) override;
    QString clearLocationSync(const LocationHelper& helper, std::stop_token stopToken = {});
    /// Starts and holds the pymobiledevice3 process that plays the GPX file; the
    /// file is deleted when that process is stopped or ends.
    QString runPersistentRoutePlaybackCommand(const QString& gpxPath, const LocationHelper& helper,
                                              std::stop_token stopToken);
    /// Ends the held process, if any (SIGTERM, SIGKILL 0.6 s later), and forgets it. Blocks.
    void stopPersistentLocationProcess() override;
    /// None without a helper or for idevicesetlocation; otherwise whether the held process runs.
    std::optional<bool> isPersistentLocationActive(const std::optional<LocationHelper>& helper) const override;

    /// The identity of what a held process does: kind, resolved executable path,
    /// UDID, connection mode and payload, joined by "|".
    static QString persistentSignature(const LocationHelper& helper, const QString& payload);
    static QString locationSignature(const RoutePoint& point, const LocationHelper& helper);

    // Route playback.

    // PlaybackStarted and PlaybackProgress (DeviceLocationService) are called on the
    // GUI thread and awaited by the playing worker.

    /// Plays the route on the iPhone and reports progress about once a period;
    /// ends at the route's last point. The callbacks run on the thread of
    /// callbackContext and the worker waits for each; a stop request ends the
    /// playback with CancellationError (the play process stopped first).
    QFuture<void> playRoute(const QList<RoutePoint>& points, RouteSpeedProfile speedProfile,
                            RouteTransportMode transportMode, double fallbackSpeedKmh, const LocationHelper& helper,
                            QObject* callbackContext, PlaybackStarted started, PlaybackProgress progress,
                            std::stop_token stopToken = {}) override;
    void playRouteSync(const QList<RoutePoint>& points, RouteSpeedProfile speedProfile,
                       RouteTransportMode transportMode, double fallbackSpeedKmh, const LocationHelper& helper,
                       QObject* callbackContext, const PlaybackStarted& started, const PlaybackProgress& progress,
                       std::stop_token stopToken = {});

    /// The point at a distance (metres) along the route, named "Route <n>" inside
    /// the segment that ends at point n, carrying the given identifier.
    static RoutePoint interpolatedPoint(const QList<RoutePoint>& points, double traveledDistance, const QUuid& id);

private:
    std::optional<LocationHelper> helper(LocationHelper::Kind kind, const QString& executableName);
    QStringList pythonUserBinCandidates(const QString& executableName);
    LocationHelper helperWithFirstUSBDevice(const LocationHelper& helper);
    std::optional<CoreDeviceIdentity> firstCoreDevice();
    // The looks below keep in unstarted, when given, why their tool could not be started.

    /// The UDIDs usbmux lists without asking any device; none when the list failed.
    std::optional<QStringList> attachedIdentifiers(const LocationHelper& helper,
                                                   std::exception_ptr* unstarted = nullptr);
    /// For a pymobiledevice3 helper with a UDID: whether usbmux lists that UDID;
    /// none when that is not known.
    std::optional<bool> isAttached(const LocationHelper& helper, std::exception_ptr* unstarted = nullptr);
    /// Whether the whole usbmux listing shows the helper's iPhone (any iPhone without a UDID).
    bool listsIPhone(const LocationHelper& helper, std::exception_ptr* unstarted = nullptr);
    /// The first iPhone among the listed devices that answer on their own.
    std::optional<USBMuxDevice> firstQueryableIPhone(const LocationHelper& helper);
    std::optional<QUrl> iDeviceUtilityURL(const QString& name, const QUrl& relativeTo) const;
    QString helperDetectionMessage(const LocationHelper& helper) const;
    void verifyDeveloperDiskImage(const QString& udid, const QUrl& relativeTo, const QUuid& operationID,
                                  ProcessCancellationState& cancellation);
    /// One discovery run that may fail quietly: the output, or none.
    std::optional<ProcessOutput> tryExecute(const QString& executablePath, const QStringList& arguments, double timeout,
                                            ProcessTracking tracking, std::exception_ptr* unstarted = nullptr);
    TunnelServiceClient tunnelService() const;
    /// Throws the not-connected failure of the command unless the helper is bound.
    static void requireBoundIPhone(const LocationHelper& helper, const QString& command);
    /// The failure of a preparation whose bound iPhone is not attached.
    static DeviceLocationError notAttachedError(const LocationHelper& helper);

    /// The held process and its track, taken out of the controller in one step.
    struct PersistentLocationHandles {
        std::shared_ptr<ChildProcess> process;
        std::optional<QString> gpxPath;
    };

    /// The rsd helper through the tunnel service, starting the service with
    /// administrator rights when it does not run; requires a UDID.
    LocationHelper tunnelledHelper(const LocationHelper& helper, std::stop_token stopToken, AdministratorPrompt prompt);
    QString runPersistentLocationCommand(const RoutePoint& point, const LocationHelper& helper,
                                         std::stop_token stopToken);
    QString runPersistentCommandSync(const LocationHelper& helper, const QStringList& arguments,
                                     const QString& signature, double startupTimeout, const QString& successMessage,
                                     const QString& earlyExitMessage, const std::optional<QString>& gpxPath,
                                     const QUuid& operationID, ProcessCancellationState& cancellation);
    // With m_processLock held.
    PersistentLocationHandles takePersistentLocationHandles();
    /// The held process ended by itself (runs on the reactor thread).
    void clearPersistentLocationHandlesIfCurrent(const ChildProcess* process);
    static void releaseHandles(PersistentLocationHandles handles);
    /// Stops the held process only while it is that process (any, for null).
    void stopPersistentLocationProcessIfCurrent(const ChildProcess* process);

    void playWithPyMobileDevice(const QList<RoutePoint>& points, RouteSpeedProfile speedProfile,
                                RouteTransportMode transportMode, double fallbackSpeedKmh, const LocationHelper& helper,
                                QObject* callbackContext, const PlaybackStarted& started,
                                const PlaybackProgress& progress, std::stop_token stopToken);
    void playWithIDeviceSetLocation(const QList<RoutePoint>& points, RouteSpeedProfile speedProfile,
                                    RouteTransportMode transportMode, double fallbackSpeedKmh,
                                    const LocationHelper& helper, QObject* callbackContext,
                                    const PlaybackStarted& started, const PlaybackProgress& progress,
                                    std::stop_token stopToken);
    QString writeTemporaryGPX(const QString& contents) const;

    // With m_processLock held.
    std::shared_ptr<ChildProcess> takeActiveProcess(const std::optional<QUuid>& operationID);
    void clearActiveProcessIfCurrent(const ChildProcess* process);

    const Configuration m_configuration;

    mutable std::mutex m_processLock;
    std::recursive_mutex m_commandLock;
    std::shared_ptr<ChildProcess> m_activeProcess;
    std::optional<QUuid> m_activeProcessOperationID;
    // The held location or playback process (guarded by m_processLock).
    std::shared_ptr<ChildProcess> m_locationProcess;
    std::optional<QString> m_persistentLocationSignature;
    std::optional<QString> m_locationGPXPath;

    // Stopped when the controller is destroyed: every running operation ends
    // soon instead of running to its own time-out.
    std::stop_source m_stopAll;

    // Last, so that it is destroyed first: its tasks use everything above.
    QThreadPool m_workerPool;

    /// Runs work(token) on the worker pool, where token is stopped when the
    /// caller's is or when the controller is destroyed.
    template <typename Work> auto onWorkers(std::stop_token callerToken, Work work)
    {
        return QtConcurrent::run(&m_workerPool, [this, callerToken, work = std::move(work)] {
            const StopLink link(callerToken, m_stopAll.get_token());
            return work(link.token());
        });
    }
};

} // namespace ostrevin
