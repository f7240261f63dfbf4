#include "PlannerFixture.h"
#include "routedata/AppSettings.h"
#include "routedata/RouteMapPresentation.h"

#include <QFile>
#include <sys/stat.h>
#include <thread>

using namespace ostrevin;
using namespace ostrevin::test;

namespace {

class StartupTest : public PlannerFixture {};

TEST_F(StartupTest, FirstLaunchStartsEmptyWithTheDefaults)
{
    auto& model = build();
    EXPECT_TRUE(model.library().history().isEmpty());
    EXPECT_TRUE(model.library().savedLocations().isEmpty());
    EXPECT_TRUE(model.library().savedRoutes().isEmpty());
    EXPECT_EQ(model.hold().lockRefreshIntervalSeconds(), 15.0);
    EXPECT_EQ(model.draft().selectedTransportMode(), RouteTransportMode::automobile);
    EXPECT_EQ(model.draft().selectedSpeedProfile(), RouteSpeedProfile::normal);
    EXPECT_EQ(model.draft().speedKmh(), 25.0);
    EXPECT_EQ(model.device().deviceActionMessage(), QStringLiteral("Choose a place on the map."));
    EXPECT_EQ(eventMessages(), QStringList{QStringLiteral("App launched.")});
    EXPECT_FALSE(model.notice().has_value());
    EXPECT_FALSE(model.hold().lockedPoint().has_value());
    EXPECT_FALSE(model.isSimulationActive());
    EXPECT_EQ(model.simulationSafetyState(), LocationSimulationSafetyState::inactive());
    // Nothing is written back when no interval was stored.
    EXPECT_FALSE(settings->contains(AppSettings::name(AppSettings::Key::lockRefreshInterval)));
    EXPECT_EQ(settings->value(LocationPlannerViewModel::telegramEnabledStorageKey()).toBool(), false);
    EXPECT_TRUE(settings->contains(LocationPlannerViewModel::telegramChatIDStorageKey()));
    EXPECT_EQ(network.starts(), 0);
    EXPECT_TRUE(device.calls().isEmpty());
}

TEST_F(StartupTest, StoredPreferencesAreApplied)
{
    settings->setValue(AppSettings::name(AppSettings::Key::defaultTravelMode), QStringLiteral("walking"));
    settings->setValue(AppSettings::name(AppSettings::Key::defaultSpeedProfile), QStringLiteral("extreme"));
    settings->setValue(AppSettings::name(AppSettings::Key::lockRefreshInterval), 60.0);
    settings->setValue(LocationPlannerViewModel::telegramChatIDStorageKey(), QStringLiteral("12345"));
    settings->setValue(LocationPlannerViewModel::telegramEnabledStorageKey(), true);

    auto& model = build();
    EXPECT_EQ(model.draft().selectedTransportMode(), RouteTransportMode::walking);
    EXPECT_EQ(model.draft().selectedSpeedProfile(), RouteSpeedProfile::extreme);
    EXPECT_EQ(model.draft().speedKmh(), 90.0);
    EXPECT_EQ(model.hold().lockRefreshIntervalSeconds(), 60.0);
    EXPECT_EQ(settings->value(AppSettings::name(AppSettings::Key::lockRefreshInterval)).toDouble(), 60.0);
    EXPECT_EQ(model.telegram().chatID(), QStringLiteral("12345"));
    EXPECT_TRUE(model.telegram().alertsEnabled());
}

// A launch writes nothing it read back to the settings file, which would be
// rewritten and synced to disk at every start.
TEST_F(StartupTest, ALaunchLeavesTheStoredSettingsFileAsItWas)
{
    settings->setValue(LocationPlannerViewModel::telegramChatIDStorageKey(), QStringLiteral("12345"));
    settings->setValue(LocationPlannerViewModel::telegramEnabledStorageKey(), true);
    settings->sync();
    const QByteArray file = QFile::encodeName(dir.file(QStringLiteral("settings.conf")));
    struct stat before {};
    ASSERT_EQ(::stat(file.constData(), &before), 0);

    auto& model = build();
    QCoreApplication::processEvents();
    settings->sync();
    struct stat after {};
    ASSERT_EQ(::stat(file.constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "the settings file was written again";
    EXPECT_EQ(model.telegram().chatID(), QStringLiteral("12345"));
    EXPECT_TRUE(model.telegram().alertsEnabled());
}

TEST_F(StartupTest, DamagedFilesAreReportedOnceAndTheOtherListsSurvive)
{
    SavedLocation location;
    location.name = QStringLiteral("Home");
    location.point = makePoint(QStringLiteral("Home"), 50.08, 14.42);
    store().save(QList<SavedLocation>{location}, store().savedLocationsPath());
    ASSERT_TRUE(writeFile(store().historyPath(), "not json"));
    ASSERT_TRUE(writeFile(store().savedRoutesPath(), "[{\"broken\": true}]"));

    auto& model = build();
    EXPECT_TRUE(model.library().history().isEmpty());
    EXPECT_TRUE(model.library().savedRoutes().isEmpty());
    ASSERT_EQ(model.library().savedLocations().size(), 1);
    EXPECT_EQ(model.library().savedLocations().first().point, location.point);

    const QStringList recovery = store().recoveryMessages();
    ASSERT_EQ(recovery.size(), 2);
    const QString joined = recovery.at(0) + QStringLiteral("\n\n") + recovery.at(1);
    EXPECT_EQ(model.notice(), joined);
    // Newest first: the warning stands right above the launch entry.
    ASSERT_EQ(model.eventLog().diagnosticEvents().size(), 2);
    EXPECT_EQ(model.eventLog().diagnosticEvents().at(0).message, joined);
    EXPECT_EQ(model.eventLog().diagnosticEvents().at(0).level, TrackerLogLevel::warning);
    EXPECT_EQ(model.eventLog().diagnosticEvents().at(1).message, QStringLiteral("App launched."));
}

TEST_F(StartupTest, ARestoredPointIsShownButNotHeld)
{
    struct Case {
        const char* name;
        QByteArray stored;
        bool resetPending;
        bool restored;
        QString message;
    };
    const RoutePoint point = makePoint(QStringLiteral("Old Town"), 50.087, 14.421);
    const QString restoreText =
        QStringLiteral("The location from the last session will be restored once iPhone is connected and prepared.");
    const QString resetText =
        QStringLiteral("The previous location reset didn’t finish. Connect iPhone to finish the reset.");
    const QList<Case> cases{
        {"point", point.toJsonBytes(), false, true, restoreText},
        {"point and pending reset", point.toJsonBytes(), true, true, resetText},
        {"garbage", "{oops", false, false, QStringLiteral("Choose a place on the map.")},
        {"out of range", makePoint(QStringLiteral("X"), 95, 14).toJsonBytes(), false, false,
         QStringLiteral("Choose a place on the map.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings->setValue(LocationPlannerViewModel::lockedPointStorageKey(), c.stored);
        settings->setValue(LocationPlannerViewModel::resetPendingStorageKey(), c.resetPending);
        auto& model = build();
        EXPECT_EQ(model.hold().lockedPoint().has_value(), c.restored);
        if (c.restored) {
            EXPECT_EQ(model.hold().lockedPoint(), point);
            EXPECT_EQ(model.mapPresentation().heldPoint(), point);
        }
        EXPECT_EQ(model.isSimulationActive(), c.restored || c.resetPending);
        EXPECT_EQ(model.device().deviceActionMessage(), c.message);
        EXPECT_FALSE(model.isLocationLockConfirmed());
        EXPECT_EQ(model.simulationSafetyState(), LocationSimulationSafetyState::inactive());
        EXPECT_EQ(keepAwake.begun(), 0);
        EXPECT_TRUE(device.calls().isEmpty());
        // The key stays for the next hold to replace.
        EXPECT_EQ(settings->value(LocationPlannerViewModel::lockedPointStorageKey()).toByteArray(), c.stored);
    }
}

TEST_F(StartupTest, NetworkChangesAreLoggedOncePerChange)
{
    FakeNetworkMonitor offline(false);
    auto deps = dependencies();
    deps.networkMonitor = &offline;
    vm = std::make_unique<LocationPlannerViewModel>(deps, LocationPlannerViewModel::Services::start);
    // The monitor's first report is handled after the launch, so it is logged after it.
    EXPECT_EQ(eventMessages(), QStringList{QStringLiteral("App launched.")});
    ManualClock::runPostedEvents();
    EXPECT_FALSE(vm->device().isOnline());
    EXPECT_EQ(eventMessages(),
              (QStringList{QStringLiteral("No internet connection."), QStringLiteral("App launched.")}));

    // Reports may come from the monitor's own thread.
    std::thread([&] {
        offline.report(false);
        offline.report(true);
        offline.report(true);
    }).join();
    ManualClock::runPostedEvents();
    EXPECT_TRUE(vm->device().isOnline());
    EXPECT_EQ(eventMessages().first(), QStringLiteral("Internet connection restored."));
    EXPECT_EQ(vm->eventLog().diagnosticEvents().first().level, TrackerLogLevel::info);
    EXPECT_EQ(vm->eventLog().diagnosticEvents().size(), 3);

    vm.reset();
    EXPECT_FALSE(offline.isRunning());
}

TEST_F(StartupTest, DestroyingTheViewModelCancelsItsWork)
{
    auto& model = build();
    model.selectPlaceAt(50.0, 14.0);
    ASSERT_EQ(geocoder.lookups().size(), 1);
    PlannerTestAccess::beginKeepAwake(model, keepAwake);
    vm.reset();
    EXPECT_EQ(keepAwake.begun(), 1);
    EXPECT_EQ(keepAwake.ended(), 1);
    // The lookup answers after the view model is gone: nothing may touch it.
    Placemark placemark;
    placemark.name = QStringLiteral("Late");
    geocoder.answer(0, placemark);
    ManualClock::runPostedEvents();
    SUCCEED();
}

TEST_F(StartupTest, TerminationSilencesTheAlarm)
{
    auto& model = build();
    LocationSafetyAlarmEvent event;
    event.pointName = QStringLiteral("Old Town");
    event.reason = QStringLiteral("The iPhone went away.");
    model.publishLocationSafetyAlarm(event);
    EXPECT_EQ(model.hold().locationSafetyAlarm(), event);
    EXPECT_EQ(alarms.shown(), event);

    model.prepareForApplicationTermination();
    EXPECT_EQ(model.simulationSafetyState(), LocationSimulationSafetyState::shuttingDown());
    EXPECT_FALSE(model.hold().locationSafetyAlarm().has_value());
    EXPECT_EQ(alarms.dismissals(), 1);
    EXPECT_FALSE(alarms.acknowledge());
}

TEST_F(StartupTest, AcknowledgingAnOpenIncidentKeepsItOpen)
{
    auto& model = build();
    PlannerTestAccess::setIncidentActive(model, true);
    LocationSafetyAlarmEvent event;
    model.publishLocationSafetyAlarm(event);
    ASSERT_TRUE(alarms.acknowledge());
    EXPECT_FALSE(model.hold().locationSafetyAlarm().has_value());
    EXPECT_TRUE(model.hold().telegramIncidentActive());
    EXPECT_EQ(model.telegram().statusMessage(), QStringLiteral("Alert acknowledged. Location recovery continues."));
    EXPECT_EQ(eventMessages().first(), QStringLiteral("The location interruption was acknowledged."));
}

} // namespace
