#pragma once

#include "alerts/TelegramAlertConfiguration.h"
#include "alerts/TelegramTokenLoad.h"
#include "async/Clock.h"
#include "async/TaskSlot.h"
#include "devicebridge/AdministratorPrompt.h"
#include "devicebridge/LocationHelper.h"
#include "devicebridge/LocationHelperStatus.h"
#include "planner/LocationPlannerViewModel.h"
#include "planner/MainWindowState.h"
#include "platform/KeepAwakeToken.h"
#include "platform/Placemark.h"
#include "routedata/RouteMapPresentation.h"

#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QHash>
#include <QPointer>
#include <QSet>
#include <QUuid>
#include <chrono>
#include <exception>
#include <functional>
#include <stop_token>
#include <utility>

namespace ostrevin {

/// The view model's private operations, its background flows and the bookkeeping
/// they share. A nested class, so it reaches the view model's private state: the
/// operations work on it through q, the flows through their guarded pointer.
/// Included only by the view model's own files (and its test access).
struct LocationPlannerViewModel::Private {
    explicit Private(LocationPlannerViewModel& owner) : q(owner) {}

    /// How one incident alert went: sent or not, and how long the Bot API asked us to wait.
    struct TelegramAlertAttempt {
        bool sent = false;
        std::chrono::seconds retryAfter{0};
        /// The message's date by Telegram's clock.
        std::optional<QDateTime> sentAt;
    };

    /// The token a settings action goes on with, trimmed, and what to tell the
    /// user when the keyring could not keep it (empty when it did).
    struct PersistedTelegramToken {
        QString token;
        QString unkept;
    };

    /// What a playback took from the draft and the state at its start.
    struct PlaybackRun {
        QUuid id;
        QList<RoutePoint> points;
        double speedKmh = 0;
        RouteSpeedProfile speedProfile = RouteSpeedProfile::normal;
        RouteTransportMode transportMode = RouteTransportMode::automobile;
        QString routeName;
        LocationHelper helper;
        /// The confirmed hold the playback replaced, re-armed when the route never starts.
        std::optional<RoutePoint> previousPoint;
        std::optional<LocationHelper> previousHelper;
    };

    // What the network monitor and the attachment watcher report.
    void deviceDetached(const QString& udid);
    void deviceAttached(const QString& udid);
    void handleReachability(bool online);

    /// A new hold counts its refreshes and failures from zero; a hold that carries on keeps them.
    enum class LockCounters { reset, keep };
    /// A point found lost as its set or play started never was on the iPhone: the log does not say it is held.
    enum class HoldStart { announced, lostAtOnce };
    /// How long the watch loop waits between verifications without an incident.
    static std::chrono::milliseconds verificationInterval(double lockRefreshIntervalSeconds);

    // Setters of state that other state follows.
    void setPoints(const QList<RoutePoint>& value);
    void setPlanningAddressRoute(bool value);
    void setRouteStartPoint(const std::optional<RoutePoint>& value);
    void setRouteDestinationPoint(const std::optional<RoutePoint>& value);
    // The held point, the live point and the running operations also keep the map in step.
    void setIPhoneRouteRunning(bool value);
    void setDeviceBusy(bool value);
    void setCheckingDevice(bool value);
    void setRouteLivePoint(const std::optional<RoutePoint>& value);
    void setLockedPoint(const std::optional<RoutePoint>& value);
    void setLocationLockRefreshing(bool value);
    // Start-up (LocationPlannerViewModel.cpp).
    void loadLists();
    void restoreTelegramSettings();
    void restoreHeldPoint();
    void startNetworkMonitoring();
    // Attach and detach of iPhones (_DeviceAttachment.cpp).
    void startWatchingDeviceAttachment();
    bool isHeldDevice(const QString& udid) const;
    /// The device status stops showing that iPhone as connected.
    void markUnplugged(const QString& udid);
    /// The confirmed hold's iPhone is gone, or this program failed to look for it
    /// (ownFailure, the cause then): the outage is counted and reported now.
    void heldDeviceLost(const std::optional<QString>& ownFailure = std::nullopt);
    /// One attempt of a tool on an iPhone (a set, a restore's set, a route's play),
    /// from the tool's launch on. The cable is why it failed, or why what it set is
    /// gone, exactly when usbmuxd reported its iPhone unplugged since, or had reported
    /// it unplugged, and not back, when it was launched: a set or play process that
    /// was still starting runs on, but the iPhone dropped its point or never had it.
    struct Attempt {
        std::optional<QString> udid;
        quint64 unplugsBefore = 0;
        /// usbmuxd's last report about its iPhone was an unplug.
        bool launchedUnplugged = false;
    };
    /// An attempt on that iPhone (any iPhone for a helper bound to none: it takes
    /// whatever is attached) whose tool is launched now.
    Attempt attemptStarts(const std::optional<QString>& udid) const;
    bool unpluggedSince(const Attempt& attempt) const;
    /// "iPhone isn’t connected." when the attempt's iPhone was reported unplugged since
    /// it began, the tool's own failure otherwise.
    QString failureCause(const Attempt& attempt, const std::exception_ptr& error) const;
    /// How a set went: the attempt that decided it, the helper it used, and its
    /// failure if it failed.
    struct SetOutcome {
        LocationHelper helper;
        Attempt attempt;
        std::exception_ptr error;
    };
    /// Sets the point with the set's helper, as its attempt; launched only on an iPhone
    /// usbmuxd did not last report unplugged, where a set could only fail or set nothing.
    static QCoro::Task<SetOutcome> sendPoint(DeviceLocationService* device, SetOutcome set, RoutePoint point,
                                             std::stop_token stopToken = {},
                                             AdministratorPrompt prompt = AdministratorPrompt::never);
    /// What a look at the iPhones (a detection, a readiness check, a preparation) that
    /// began at look found, as it may be shown: an iPhone that usbmuxd reported
    /// unplugged since, and not plugged back in, is not connected, whatever it looked like.
    LocationHelperStatus lookResult(const LocationHelperStatus& found, const Attempt& look);
    /// Holds a point whose set was still starting when its iPhone was reported
    /// unplugged: confirmed, and lost at once, so the outage opens (or an open one
    /// goes on) and the restore sets the point again once the iPhone is back.
    void holdLostWhileSet(const RoutePoint& point, const LocationHelper& helper, LockCounters counters);
    /// The pill follows an iPhone plugged back in while a route plays, the route untouched.
    void showReattachedDuringRoute(const QString& udid);
    /// Acts on an attach report that came while a device operation ran, once none runs.
    void actOnDeferredAttach();
    /// Something started or ended running: the map's interaction follows, and a
    /// deferred attach report is acted on once nothing runs.
    void activityChanged()
    {
        syncMapInteractionPresentation();
        actOnDeferredAttach();
    }
    /// The iPhone that plays the route is gone, or this program failed to look for it
    /// (ownFailure): the point reached is held and lost.
    void playingDeviceLost(HoldStart start = HoldStart::announced,
                           const std::optional<QString>& ownFailure = std::nullopt);
    void handleTelegramAlertsEnabledChange(bool previous);
    // Draft (_Draft.cpp).
    /// Every accepted point is framed.
    bool appendRoutePoint(const RoutePoint& point);
    void syncMapInteractionPresentation();
    void saveCurrentRouteToHistory();
    void showDraft(const QList<RoutePoint>& points);
    // Selection and Telegram settings (_Selection.cpp, _Telegram.cpp).
    /// Sends the point chosen while a verification ran, once it ended.
    void sendPointChosenDuringVerification();
    void applyTelegramTokenLoad(const TelegramTokenLoad& loaded);
    /// Shows token in the field and makes it the one alerts use.
    void adoptSavedTelegramBotToken(const QString& token);
    TelegramAlertConfiguration savedTelegramConfiguration() const;
    /// Refuses a token that is not empty and lacks the Bot API's form, with a status
    /// line that says so: such a token is never stored. True when refused.
    bool refuseMalformedTelegramToken();
    // Device status and location reset (_DeviceStatus.cpp, _Reset.cpp).
    /// Whether a check that finds an iPhone connected also asks it whether it is
    /// ready, quietly: one that is not is no interruption.
    enum class ConnectedIPhone { leaveUnasked, askReadiness };
    void startDeviceCheck(DeviceCheckOptions options, ConnectedIPhone connected);
    /// Whether Prepare iPhone may start now (apart from what the iPhone's status says).
    bool mayPrepareNow() const;
    /// What a running device check compares before it publishes: a status published
    /// since it began (a preparation, a failed set, a restore, an unplug) or a hold
    /// started or ended (a successful set, a route, a reset) is newer than its answer.
    std::pair<quint64, quint64> deviceNews() const;
    void applyHelperStatus(const LocationHelperStatus& status, DeviceCheckOptions options);
    void finishDeviceCheck(DeviceCheckOptions options);
    /// Ends the current tool run and the held process on a worker; finishes when both are gone.
    QFuture<void> stopDeviceProcessesOffMain();
    void markLocationResetPending(bool pending);
    // Holding, incidents and Telegram alerts (_Holding.cpp, _Incidents.cpp, _TelegramAlerts.cpp).
    void startLocationLock(const RoutePoint& point, const LocationHelper& helper, LockCounters counters,
                           HoldStart start = HoldStart::announced);
    /// A point restored from the last session is shown but not held yet (no hold
    /// runs and no reset is pending).
    bool hasRestoredPointToHold() const;
    /// What ends a hold, and with it an open incident. A route's start says the
    /// interruption is over; a location reset says so only once its clear succeeded.
    enum class HoldEnding { routeStarts, locationReset };
    void stopLocationLock(HoldEnding ending);
    /// One verification of the held point; finishes at once when none can run now.
    /// It carries the hold's token: ending the hold stops its device calls.
    QCoro::Task<> refreshLocationLockNow();
    void persistLockedPoint(const std::optional<RoutePoint>& point);
    /// The hold is verified or restored: the next loss is a new outage.
    void forgetOutage();
    /// A hold runs and its point is lost: an outage is counted or its incident open.
    bool isHoldLost() const;
    /// A Prepare iPhone that succeeded while a verification ran restores once it ended.
    void restoreIfPreparedDuringVerification();
    void reportLocationIncidentIfNeeded(const QString& reason, const std::optional<RoutePoint>& point);
    void reportLocationRecoveryIfNeeded(const RoutePoint& point);
    /// A loss as the cause of an incident that is not open yet. An open one is the
    /// same outage and keeps the cause it opened with: a failed restore, the unplug
    /// that follows or a check that finds the iPhone gone would otherwise rename it.
    void reportCauseUnlessIncidentOpen(const QString& reason, const std::optional<RoutePoint>& point);
    /// Ends the open incident with no recovery to report: the alarm goes, the alerts
    /// stop, and how it ended goes to the log and the alerts' status line.
    void closeIncidentWithoutRecovery(const QString& howItEnded);
    /// What the restore waits for while only the user's Prepare iPhone can go on; empty otherwise.
    QString recoveryWait() const;
    /// The open incident's restore waits for the user's Prepare iPhone (wait: what
    /// for), or no longer does (empty); the alarm on show says so too.
    void setRecoveryWait(const QString& wait);
    bool shouldRepeatTelegramAlerts() const;
    QString telegramIncidentMessage() const;
    QString telegramTimestamp() const;
    // Route ends and planning (_Routes.cpp, _RoutePlanning.cpp).
    /// New ends from the address fields; the alternatives and the live point go.
    void replaceRouteEnds(const std::optional<RoutePoint>& start, const std::optional<RoutePoint>& destination);
    QUuid beginRoutePlanning(const QString& message);
    void finishRoutePlanning(const QUuid& id);
    bool routePlanningIsCurrent(const QUuid& id) const;
    void applyPlannedRouteToDraft(const PlannedRouteOption& option, const std::optional<QString>& preferredName);
    // Playback, saved items, history and export (_Playback.cpp, _Library.cpp, _Export.cpp).
    /// The playback is still the current one and the app is not quitting.
    bool isCurrentPlayback(const QUuid& id) const;
    void handlePlaybackStarted(const QUuid& id, const LocationHelper& helperInUse);
    void handlePlaybackProgress(const QUuid& id, double fraction, const RoutePoint& point);
    void finishPlayback(const PlaybackRun& run);
    void handlePlaybackCancelled(const PlaybackRun& run);
    void handlePlaybackFailure(const PlaybackRun& run, const std::exception_ptr& error);
    void endPlaybackState();
    /// Whether a route that reported itself running plays on that iPhone.
    bool isPlayingDevice(const std::optional<QString>& udid) const;
    /// Ends the playback whose iPhone went away and holds the point it had reached.
    void holdPointReachedByPlayback(const QString& cause, HoldStart start = HoldStart::announced);
    /// A new main-thread verification of the hold that nobody waits for.
    void verifyHoldSoon();
    /// Publish the list and write it in the background; a failed write becomes the
    /// notice, the list goes back to the file's, and undo puts back what the change cleared.
    /// succeeded runs once the file holds the list.
    void writeSavedLocations(const QList<SavedLocation>& list, const QString& failureText,
                             std::function<void()> undo = {}, std::function<void()> succeeded = {});
    void writeSavedRoutes(const QList<SavedRoute>& list, const QString& failureText, std::function<void()> undo = {},
                          std::function<void()> succeeded = {});
    /// After a point was added, removed or moved: the chosen ends are the draft's ends,
    /// and the alternatives planned before the edit are gone.
    void endsFollowEditedPoints();
    void storeSavedLocation(const QString& name, const RoutePoint& point);
    void storeSavedRoute(SavedRoute route);
    void applySavedRouteToDraft(const SavedRoute& route);
    void applyToDraft(const QString& name, double speedKmh, RouteSpeedProfile speedProfile,
                      RouteTransportMode transportMode, const QList<RoutePoint>& points, const QString& source);
    /// Records what was really set, played or exported, under the history's duplicate rule and cap.
    /// saidBefore: what the action already told the user; a failed write is said after it,
    /// over the window the action started from.
    void recordInHistory(const QList<RoutePoint>& points, const QString& name, double speedKmh,
                         RouteSpeedProfile speedProfile, RouteTransportMode transportMode,
                         const QString& saidBefore = {}, DialogOwner owner = DialogOwner::mainWindow);
    /// After a point was set: titled with the route's name only when the draft is that point.
    void recordPushedPointInHistory(const RoutePoint& point);
    /// True (with a notice) while an export's save dialog is still open.
    bool refusesSecondExport(DialogOwner owner);

    // Selection (_Selection.cpp).
    static std::optional<QString> shortName(const std::optional<Placemark>& placemark);
    static QCoro::Task<> lookUpPlaceName(QPointer<LocationPlannerViewModel> self, ReverseGeocoder* geocoder,
                                         RoutePoint point, CancelToken token);
    // Telegram settings (_Telegram.cpp).
    static QCoro::Task<> loadTelegramToken(QPointer<LocationPlannerViewModel> self, TelegramTokenStore* tokenStore,
                                           CancelToken token);
    /// Reads the token again while the keyring could not give it.
    static QCoro::Task<> rereadUnreadableTelegramToken(QPointer<LocationPlannerViewModel> self, CancelToken token);
    // Event log (_EventLog.cpp).
    static QCoro::Task<> exportEventLogFlow(QPointer<LocationPlannerViewModel> self, FileDialogs* dialogs,
                                            CancelToken token);
    // Device status and location reset (_DeviceStatus.cpp, _Reset.cpp).
    static QCoro::Task<> deviceCheck(QPointer<LocationPlannerViewModel> self, DeviceLocationService* device,
                                     DeviceCheckOptions options, ConnectedIPhone connected, CancelToken token);
    static QCoro::Task<> prepareFlow(QPointer<LocationPlannerViewModel> self, DeviceLocationService* device,
                                     LocationHelper helper, CancelToken token);
    static QCoro::Task<> readinessMonitor(QPointer<LocationPlannerViewModel> self, Scheduler* scheduler,
                                          CancelToken token);
    static QCoro::Task<> locationReset(QPointer<LocationPlannerViewModel> self, DeviceLocationService* device,
                                       std::optional<LocationHelper> helper, QFuture<void> playbackFinished,
                                       QFuture<void> holdFinished, CancelToken token);
    static QCoro::Task<> deleteTelegramToken(QPointer<LocationPlannerViewModel> self, TelegramTokenStore* tokenStore,
                                             CancelToken token);
    /// The iPhone's name for messages: its name, else its identifier, else "iPhone".
    static QString deviceName(const std::optional<LocationHelper>& helper);
    // Holding, incidents and Telegram alerts (_Holding.cpp, _Incidents.cpp, _TelegramAlerts.cpp).
    static QCoro::Task<> pushFlow(QPointer<LocationPlannerViewModel> self, RoutePoint point, LocationHelper helper,
                                  bool wasConfirmed, std::optional<RoutePoint> previousPoint);
    /// A set and its retry: the outcome is the retry's once it was launched.
    static QCoro::Task<SetOutcome> setLocationWithRetry(QPointer<LocationPlannerViewModel> self, LocationHelper helper,
                                                        RoutePoint point);
    /// Sets the restored point on the iPhone and starts its hold, keeping the last
    /// session's counters: a first set, not a restore. False when it was not set
    /// (the point stays restored, and the next check or preparation tries again).
    static QCoro::Task<bool> rearmRestoredHold(QPointer<LocationPlannerViewModel> self, LocationHelper helper,
                                               CancelToken token);
    /// The hold's token reaches the device calls of a restore, so that a reset can
    /// stop them and wait for their end.
    static QCoro::Task<> verifyHold(QPointer<LocationPlannerViewModel> self, CancelToken token);
    /// Whether the helper's iPhone answers, or why this program failed to look: a
    /// tool it could not start (out of descriptors) tells nothing of the cable.
    struct Look {
        bool reachable = false;
        std::optional<QString> ownFailure;
    };
    static QCoro::Task<Look> lookForIPhone(DeviceLocationService* device, LocationHelper helper);
    static QCoro::Task<> watchLoop(QPointer<LocationPlannerViewModel> self, RoutePoint point, CancelToken token);
    /// The owner still exists and the hold that a flow belongs to is still the current one.
    static bool isCurrentHold(const QPointer<LocationPlannerViewModel>& self, quint64 epoch);
    static QCoro::Task<> recoverLocationLock(QPointer<LocationPlannerViewModel> self, RoutePoint point,
                                             LocationHelper previousHelper, quint64 epoch, CancelToken token = {});
    static QCoro::Task<> telegramAlertLoop(QPointer<LocationPlannerViewModel> self, CancelToken token);
    static QCoro::Task<TelegramAlertAttempt> sendCurrentTelegramIncidentAlert(QPointer<LocationPlannerViewModel> self,
                                                                              CancelToken token);
    static QString telegramPointDescription(const std::optional<RoutePoint>& point, qsizetype maxNameLength = -1);
    static QCoro::Task<PersistedTelegramToken> persistTelegramToken(QPointer<LocationPlannerViewModel> self,
                                                                    QString token);
    static QCoro::Task<> saveTelegramSettingsFlow(QPointer<LocationPlannerViewModel> self, QString token);
    static QCoro::Task<> testTelegramAlertFlow(QPointer<LocationPlannerViewModel> self, QString token, QString chatID);
    static QCoro::Task<> loadTelegramChatIDFlow(QPointer<LocationPlannerViewModel> self, QString token);
    // Route ends, map clicks and planning (_Routes.cpp, _RoutePlanning.cpp).
    /// A point named name at a clicked place; none for a place no map can show.
    static std::optional<RoutePoint> clickedPoint(const QString& name, double latitude, double longitude);
    static QString startPointName();
    static QString destinationPointName();
    static QString routeFromMapName();
    static QString routePlanningErrorDescription(const std::exception_ptr& error);
    static QCoro::Task<> planRoute(QPointer<LocationPlannerViewModel> self, DirectionsService* directions,
                                   RoutePoint start, RoutePoint destination, QUuid id,
                                   std::optional<QString> preferredName);
    static QCoro::Task<> routePlanningTimeoutFlow(QPointer<LocationPlannerViewModel> self, Scheduler* scheduler,
                                                  QUuid id, CancelToken token);
    static QCoro::Task<> playbackFlow(QPointer<LocationPlannerViewModel> self, PlaybackRun run, CancelToken token);
    /// Checks the iPhone that plays the route at the check interval until the route ends.
    static QCoro::Task<> watchPlayingDevice(QPointer<LocationPlannerViewModel> self, QUuid id, LocationHelper helper,
                                            CancelToken token);
    static QCoro::Task<> stopPlaybackFlow(QPointer<LocationPlannerViewModel> self, QFuture<void> playbackFinished,
                                          std::optional<LocationHelper> helper, std::optional<RoutePoint> hold);
    static QString locationSaveFailureText();
    static QString routeSaveFailureText();
    static QCoro::Task<> exportGPXFlow(QPointer<LocationPlannerViewModel> self, FileDialogs* dialogs, DialogOwner owner,
                                       CancelToken token);

    LocationPlannerViewModel& q;

    // The view model's destructor cancels the slots of the long runs first; the
    // others are cancelled as they are destroyed.
    /// Sends the point chosen while a verification ran, once it ended.
    std::optional<QUuid> m_pointToSendAfterVerification;
    bool m_deviceEventsUnavailableLogged = false;
    /// Why the keyring could not give the token, while it could not.
    std::optional<QString> m_telegramTokenReadFailure;
    /// The token last saved to or read from the keyring: the one alerts use. The
    /// field's text reaches the view model at every keystroke, unsaved.
    QString m_savedTelegramBotToken;
    TaskSlot m_deviceCheckTask;
    TaskSlot m_prepareTask;
    TaskSlot m_readinessMonitorTask;
    TaskSlot m_locationResetTask;
    TaskSlot m_telegramTokenDeletionTask;
    /// Bumped when a location reset starts: a device check that began before it must
    /// not overwrite what the reset publishes.
    quint64 m_locationResetEpoch = 0;
    /// A reset, still pending, stopped a hold during an interruption: the reset that
    /// clears the location says the interruption is over.
    bool m_resetEndedIncident = false;
    /// Bumped by every start and stop of a hold; flows of an older hold change nothing.
    quint64 m_holdEpoch = 0;
    // The watch loop's token, also given to verifications started outside it (after
    // a playback): a reset or a new hold must stop a restore's set whoever began it,
    // or the set could land after the clear and put the point back.
    CancelToken m_holdToken;
    /// The verification that raised isLocationLockRefreshing, so only it lowers the flag.
    quint64 m_verificationRun = 0;
    /// The hold whose restore a Prepare iPhone allowed while a verification ran.
    std::optional<quint64> m_restoreAfterVerification;
    /// When the last verification of the hold ended, whoever started it: the watch
    /// loop starts the next one no sooner than 5 s after it.
    Clock::SteadyTime m_lastVerificationEnd = Clock::SteadyTime::min();
    bool m_servicesStarted = false;
    TaskSlot m_routePlaybackTask;
    TaskSlot m_playingDeviceTask;
    TaskSlot m_locationLockTask;
    TaskSlot m_telegramAlertTask;
    TaskSlot m_telegramTokenLoadTask;
    TaskSlot m_routePlanningTimeoutTask;
    TaskSlot m_placeNameTask;
    TaskSlot m_exportTask;
    bool m_isHelperRefreshRunning = false;
    /// An iPhone plugged in while a check or another device operation ran: looked at
    /// once none runs. A check that began before the plug may not have seen it.
    std::optional<QString> m_attachToActOn;
    /// usbmuxd's unplug reports: how many so far, and the count at each iPhone's last one.
    quint64 m_unplugReports = 0;
    QHash<QString, quint64> m_lastUnplugReport;
    /// The iPhones usbmuxd last reported unplugged, until it reports them attached.
    QSet<QString> m_reportedUnplugged;
    /// The current route's start: its readiness look from Start route on, then its play from the play's launch.
    Attempt m_playAttempt;
    /// The status an unplug report replaced, and the revision of the one it published.
    struct StatusBeforeUnplug {
        quint64 revision = 0;
        LocationHelperStatus status;
    };
    std::optional<StatusBeforeUnplug> m_statusBeforeUnplug;
    std::unique_ptr<KeepAwakeToken> m_locationLockActivity;
    std::optional<LocationHelper> m_lockedHelper;
    /// Steady time: a clock set back must not hold recovery off.
    Clock::SteadyTime m_nextLockRecoveryAttempt = Clock::SteadyTime::min();
    std::optional<QUuid> m_routePlaybackID;
    std::optional<QUuid> m_routePlaybackConfirmedID;
    std::optional<QUuid> m_routePlanningID;
    bool m_hasConfirmedLocationLock = false;
    QString m_telegramIncidentReason;
    std::optional<RoutePoint> m_telegramIncidentPoint;
    QDateTime m_telegramIncidentStartedAt{QDate(1, 1, 1), QTime(0, 0), Qt::UTC};
    /// The date of the incident's first delivered message by Telegram's clock: a
    /// reply counts from then on. This computer's clock may be hours off, which
    /// would take an old "ok" for an answer, or ignore a real one.
    QDateTime m_telegramRepliesSince;
    /// The current outage of the hold was counted and logged; cleared once the hold
    /// is verified or restored.
    bool m_outageCounted = false;
    /// The restore failure of this outage last logged.
    QString m_loggedRestoreFailure;
    TaskSlot m_gpxExportTask;

    // The parts and the state the public getters read. Last, so that they go
    // first: the tasks above are cancelled before and end without them.
    std::unique_ptr<RouteMapPresentation> m_mapPresentation = std::make_unique<RouteMapPresentation>();
    std::unique_ptr<MainWindowState> m_windowState = std::make_unique<MainWindowState>();
    std::unique_ptr<RouteDraft> m_draft = std::make_unique<RouteDraft>();
    std::unique_ptr<LocationLibrary> m_library = std::make_unique<LocationLibrary>();
    std::unique_ptr<TelegramSettingsModel> m_telegram = std::make_unique<TelegramSettingsModel>();
    std::unique_ptr<DeviceState> m_device = std::make_unique<DeviceState>();
    std::unique_ptr<LocationHoldState> m_hold = std::make_unique<LocationHoldState>();
    std::unique_ptr<EventLog> m_eventLog = std::make_unique<EventLog>();
    bool m_isPlanningAddressRoute = false;
    std::optional<QString> m_notice;
    NoticeKind m_noticeKind = NoticeKind::problem;
    DialogOwner m_noticeOwner = DialogOwner::mainWindow;
    bool m_autoSendOnAdd = false;
    QList<PresetLocation> m_presets = PresetLocation::defaults();
    QList<RouteSpeedProfile> m_speedProfiles{RouteSpeedProfile::slow, RouteSpeedProfile::normal,
                                             RouteSpeedProfile::fast, RouteSpeedProfile::extreme};
    QList<RouteTransportMode> m_transportModes{RouteTransportMode::automobile, RouteTransportMode::walking,
                                               RouteTransportMode::transit};
    LocationSimulationSafetyState m_simulationSafetyState = LocationSimulationSafetyState::inactive();
};

} // namespace ostrevin
