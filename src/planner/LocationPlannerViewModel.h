#pragma once

#include "alerts/LocationSafetyAlarmEvent.h"
#include "alerts/LocationSimulationSafetyState.h"
#include "async/Clock.h"
#include "planner/DeviceIndicatorState.h"
#include "planner/DeviceSetupStep.h"
#include "planner/DeviceState.h"
#include "planner/EventLog.h"
#include "planner/LocationHoldState.h"
#include "planner/LocationLibrary.h"
#include "planner/PlannerDependencies.h"
#include "planner/RouteDraft.h"
#include "planner/TelegramSettingsModel.h"
#include "platform/DialogOwner.h"
#include "routedata/AppSettings.h"
#include "routedata/PlannedRouteOption.h"
#include "routedata/PresetLocation.h"
#include "routedata/RouteHistoryItem.h"
#include "routedata/RoutePoint.h"
#include "routedata/RouteSpeedProfile.h"
#include "routedata/RouteTransportMode.h"
#include "routedata/SavedLocation.h"
#include "routedata/SavedRoute.h"
#include "routedata/TrackerLogEntry.h"

#include <QDateTime>
#include <QFuture>
#include <QList>
#include <QObject>
#include <QString>
#include <chrono>
#include <exception>
#include <memory>
#include <optional>

namespace ostrevin {

class MainWindowState;
class RouteMapPresentation;

/// The one object with the operations the windows, panels and menus call. It
/// owns the parts that hold state and emit their own change signals (the route
/// draft, the library, the Telegram settings, the device, the held location, the
/// event log, the window state, the map presentation: views connect to the part
/// they show). Everything lives on the GUI thread; background flows are
/// coroutines kept in task slots and cancelled when the object goes.
///
/// The class is one QObject split into files by concern, each named
/// LocationPlannerViewModel_<Concern>.cpp; this file's .cpp holds start-up,
/// shut-down and the getters, and LocationPlannerViewModel_Private.h the state and the flows.
class LocationPlannerViewModel : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LocationPlannerViewModel)
    // Lets tests put the object into states that only the device flows reach.
    friend struct PlannerTestAccess;

public:
    /// Everything the view model works with (PlannerDependencies.h).
    using Dependencies = PlannerDependencies;

    /// Whether start-up begins the network monitor, the first device check and the
    /// bot-token read, or leaves them for startServices() (the application: until
    /// its window is on screen; tests: for ever).
    enum class Services { start, leaveStopped };
    /// Runs the whole start-up.
    explicit LocationPlannerViewModel(const Dependencies& dependencies, Services services = Services::start,
                                      QObject* parent = nullptr);
    /// Starts the network monitor, the first device check (which restores a held
    /// location) and the bot-token read; only the first call does.
    void startServices();
    /// Cancels every stored task, stops the network monitor and ends the keep-awake
    /// activity. Writes nothing and stops no device process.
    ~LocationPlannerViewModel() override;

    // Owned collaborators and constants.
    RouteMapPresentation& mapPresentation() const;
    MainWindowState& windowState() const;
    /// The route being put together, its ends, speed, travel mode and metrics.
    RouteDraft& draft() const;
    /// The saved locations and routes, the history and a save waiting for "Replace?".
    LocationLibrary& library() const;
    /// The Telegram alert settings and the state of their save, test and chat lookup.
    TelegramSettingsModel& telegram() const;
    /// The iPhone's status, the device operations running, the last error and the status line.
    DeviceState& device() const;
    /// The held point and its verification, a pending reset, the playing route and an open incident.
    LocationHoldState& hold() const;
    /// The event log, newest first.
    EventLog& eventLog() const;
    const QList<PresetLocation>& presets() const;
    const QList<RouteSpeedProfile>& speedProfiles() const;
    /// The travel modes offered for choice.
    const QList<RouteTransportMode>& transportModes() const;
    RouteStore& store() const { return *m_deps.store; }
    /// The time the views show (held durations, relative dates); tests pin it.
    const Clock& clock() const { return *m_deps.clock; }

    static QString lockedPointStorageKey() { return AppSettings::name(AppSettings::Key::lockedPoint); }
    static QString resetPendingStorageKey() { return AppSettings::name(AppSettings::Key::resetPending); }
    static QString telegramEnabledStorageKey() { return AppSettings::name(AppSettings::Key::telegramEnabled); }
    static QString telegramChatIDStorageKey() { return AppSettings::name(AppSettings::Key::telegramChatID); }
    static constexpr int eventLogCapacity = 50;
    static constexpr int historyCapacity = 12;
    static constexpr int maximumNameLength = RouteDraft::maximumNameLength;

    /// What a notice is: a problem (refused, failed) or only news (a save that worked).
    enum class NoticeKind { problem, information };

    // Observable state: a getter and a <name>Changed signal each.
    bool isPlanningAddressRoute() const;
    const std::optional<QString>& notice() const;
    /// Changes together with the notice (noticeChanged).
    NoticeKind noticeKind() const;
    /// The window whose action the notice answers; changes together with it.
    DialogOwner noticeOwner() const;
    bool autoSendOnAdd() const;

    // Setters the interface uses (text fields, switches, the notice's OK).
    void setRouteName(const QString& value);
    void setSpeedKmh(double value);
    void setSelectedSpeedProfile(RouteSpeedProfile value);
    void setSavedLocationName(const QString& value);
    void setSavedRouteName(const QString& value);
    void setSelectedTransportMode(RouteTransportMode value);
    void setNotice(const std::optional<QString>& value, NoticeKind kind = NoticeKind::problem,
                   DialogOwner owner = DialogOwner::mainWindow);
    void setAutoSendOnAdd(bool value);
    void setLockRefreshIntervalSeconds(double value);
    void setTelegramAlertsEnabled(bool value);
    void setTelegramBotToken(const QString& value);
    void setTelegramChatID(const QString& value);

    // Predicates.
    /// Busy, checking the device or verifying the held location (in that order).
    bool isDeviceOperationInProgress() const;
    /// A point is held, a route plays or a location reset is pending.
    bool isSimulationActive() const;
    /// No route plays, none is being planned, and the device is neither busy nor
    /// being checked (a background verification of the held point does not count).
    bool canEditRouteDraft() const;
    /// canEditRouteDraft() and no verification of the held point running: the
    /// gate of everything that drives the iPhone.
    bool canRunDeviceAction() const;
    bool canChangeIPhoneLocation() const;
    bool canPrepareIPhone() const;
    /// Not observable; read by the incident rule.
    const LocationSimulationSafetyState& simulationSafetyState() const;

    // Event log (_EventLog.cpp).
    void logEvent(const QString& message, TrackerLogLevel level);
    /// Newest first, one line per entry, no final line feed.
    QString eventLogText() const;
    /// Asks where to save and writes the log there atomically; a write error becomes
    /// the notice. The returned future finishes when the export is over.
    QFuture<void> exportEventLog();

    // Status texts (_StatusTexts.cpp); derived on every read.
    bool isLocationLockConfirmed() const;
    bool isRecoveringLocation() const;
    QString activeTrackerHeadline() const;
    QString activeTrackerDetail() const;
    std::optional<QString> lockRuntimeSummary(const QDateTime& now) const;
    QString trackerLastUpdateSummary(const QDateTime& now) const;
    QString routeProgressSummary() const;
    DeviceIndicatorState deviceIndicatorState() const;
    /// Fresh ids on every read.
    QList<DeviceSetupStep> deviceSetupSteps() const;
    QString deviceUnavailableNotice() const;

    // Route draft (_Draft.cpp). Every edit is refused silently unless canEditRouteDraft().
    /// Whether the map moves to what was selected.
    enum class MapFraming { frameSelection, keepCamera };
    void selectPlace(const RoutePoint& point, MapFraming framing);
    void addSavedLocationToRoute(const SavedLocation& location);
    void removePoint(const RoutePoint& point);
    void movePoint(const RoutePoint& point, int direction);
    void renameSelectedPoint(const QString& name);
    void applyRouteDefaultsIfDraftIsEmpty();
    QString mapClickInstruction() const;
    void focusRoute();
    void resetMapRouteSelection();
    void clearRoute();

    // Map-click selection (_Selection.cpp).
    /// A click on the map in the place section.
    void selectPlaceAt(double latitude, double longitude);
    /// After a point joined the draft: sets it on the iPhone when automatic sending is on.
    void sendPointIfNeeded(const RoutePoint& point);

    // Alarm.
    void publishLocationSafetyAlarm(const LocationSafetyAlarmEvent& event);
    void acknowledgeLocationSafetyAlarm();
    /// At quit, before the owned processes are ended: nothing may raise an alarm now.
    void prepareForApplicationTermination();

    // Device checks, holding and alerts.
    /// Starts a device-status check unless one cannot run now.
    void refreshHelperStatus(DeviceCheckOptions options = {});
    /// Sets and holds one point on the iPhone.
    void pushPointToIPhone(const RoutePoint& point);
    /// Starts the repeating Telegram messages of an open incident.
    void startRepeatingTelegramAlerts();
    /// Reads the bot token in the background; start-up never waits for it.
    void loadTelegramTokenWithoutBlockingLaunch();

    // Device status, readiness monitor and location reset (_DeviceStatus.cpp, _Reset.cpp).
    /// Why the device actions are blocked, for the panels' footer; none when they are not.
    std::optional<QString> deviceBlockerMessage() const;
    /// The connected iPhone's name, or "iPhone".
    QString deviceDisplayName() const;
    /// Prepares the connected iPhone (tunnel, disk image, readiness) in the background.
    void prepareIPhoneForLocation();
    /// Starts the 30-second readiness checks that find a newly plugged-in iPhone; runs
    /// until stopMonitoringDeviceReadiness() (the window is hidden) or destruction.
    void monitorDeviceReadiness();
    void stopMonitoringDeviceReadiness();
    /// Gives the iPhone its real location back; stays pending until it succeeds.
    void clearIPhoneLocation();
    /// Empties the lists, the Telegram set-up and the settings, as at first launch.
    /// Refused while anything is simulated, a device or planning operation runs, or
    /// a Telegram save, test or chat lookup runs.
    void resetAllAppData();
    /// Whether resetAllAppData() would run now.
    bool canResetAllAppData() const;

    // Holding, incidents and Telegram alerts (_Holding.cpp, _Incidents.cpp, _TelegramAlerts.cpp).
    /// Sets and holds the draft's last point.
    void pushLastPointToIPhone();
    /// The three buttons of the Telegram settings; each returns at once.
    void saveTelegramSettings();
    void testTelegramAlert();
    void loadTelegramChatID();
    /// The Bot API's limit on one message, in UTF-16 units.
    static constexpr qsizetype telegramMessageLimit = 4096;

    // Route ends, map clicks and planning (_Routes.cpp, _RoutePlanning.cpp). Every
    // operation is refused silently unless canEditRouteDraft().
    /// A click on the map in the route section: the start, then the destination
    /// and planning, then a new start.
    void handleRouteMapClick(double latitude, double longitude);
    void handleMapClick(double latitude, double longitude);
    /// A place picked in the start or destination address field; plans once both
    /// ends are known.
    enum class RouteEnd { start, destination };
    void setRouteEndpoint(const RoutePoint& point, RouteEnd end);
    void clearRouteEndpoint(RouteEnd end);
    /// Plans again between the draft's ends under the route's name.
    void replanRoute();
    /// Appends a point; the same place as the last point is refused with a notice.
    void addRoutePoint(const RoutePoint& point);
    /// Asks the directions service for routes between the chosen ends and writes
    /// the fastest into the draft; gives up after 25 seconds.
    void planMapRoute(const std::optional<QString>& preferredName);
    void selectRouteAlternative(const PlannedRouteOption& option);

    // Route playback, saved items, history and GPX export (_Playback.cpp, _Library.cpp, _Export.cpp).
    /// Plays the whole draft on the iPhone; refused (with a notice where the user can
    /// act) while anything else runs, a reset is unfinished, no iPhone is ready or the
    /// draft has no length.
    void startIPhoneRoute();
    /// Ends the playback at once and then holds the point the iPhone had reached.
    /// Always acts; never waits for the device on the GUI thread.
    void stopIPhoneRoute();
    /// Loads a saved route into the draft and plays it.
    void startSavedRoute(const SavedRoute& route);

    // Saved items and history. Every change is written first and published only
    // when the write succeeded; a failed write becomes the notice.
    void saveLocation(const RoutePoint& point);
    void saveSelectedPointAsLocation();
    void renameSavedLocation(const SavedLocation& location, const QString& name);
    void deleteSavedLocation(const SavedLocation& location);
    void saveCurrentRouteAsNamed();
    void renameSavedRoute(const SavedRoute& route, const QString& name);
    void deleteSavedRoute(const SavedRoute& route);
    void loadSavedRoute(const SavedRoute& route);
    void loadHistory(const RouteHistoryItem& item);
    /// Loads the entry and sets its point or plays its route on the iPhone.
    void reuseHistory(const RouteHistoryItem& item);
    /// Saves what waits for an answer, replacing every entry of its name.
    void confirmNameReplacement();
    /// Drops what waits for an answer; the lists and the name field stay as they are.
    void cancelNameReplacement();

    /// Asks where to save the draft as GPX and writes it atomically; the notice says
    /// where it went or why not. Its dialog and notice belong to the window it was
    /// asked for in. The returned future finishes when the export is over.
    QFuture<void> exportGPX(DialogOwner owner = DialogOwner::mainWindow);

signals:
    /// The units setting changed: every distance and speed shown is written anew.
    void unitsChanged();
    void isPlanningAddressRouteChanged();
    void noticeChanged();
    void autoSendOnAddChanged();

private:
    void setSimulationSafetyState(const LocationSimulationSafetyState& state);

    /// The private operations, the background flows and their bookkeeping, and
    /// the parts and state the getters read (LocationPlannerViewModel_Private.h).
    struct Private;
    std::unique_ptr<Private> d;
    const Dependencies m_deps;
};

} // namespace ostrevin
