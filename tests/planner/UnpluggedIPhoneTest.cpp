// A held iPhone unplugged: the held set runs on, as the real tool's does, while
// the iPhone uses its real location until a new set.

#include "RealDeviceFixture.h"
#include "routedata/TovrelFormat.h"
#include "support/FakeHttpServer.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <algorithm>

using namespace ostrevin;
using namespace ostrevin::test;
using namespace std::chrono_literals;

namespace {

class UnpluggedIPhoneTest : public RealDeviceFixture {};

TEST_F(UnpluggedIPhoneTest, AMinuteUnpluggedIsOneInterruptionAndNeverAPasswordPrompt)
{
    holdHome();
    unplug();
    for (int second = 0; second < 60; second += 2)
        ASSERT_TRUE(tick()) << second;

    EXPECT_TRUE(pkexec.recordedCalls().isEmpty());
    EXPECT_TRUE(vm->hold().telegramIncidentActive());
    EXPECT_EQ(alarms.presented().first().id, alarms.presented().last().id);
    EXPECT_EQ(vm->hold().lockFailureCount(), 1);
    EXPECT_EQ(eventMessages().count(QStringLiteral("Location interrupted: iPhone isn’t connected.")), 1);
    // The event that opened the incident is still in the log.
    EXPECT_TRUE(eventMessages().contains(QStringLiteral("Simulated location interrupted: iPhone isn’t connected.")));
    EXPECT_EQ(vm->device().helperStatus().message, QStringLiteral("iPhone isn’t connected."));
    EXPECT_EQ(vm->device().lastDeviceError(), QStringLiteral("iPhone isn’t connected."));
    // Restores were tried, each asking the tool for the held iPhone only.
    EXPECT_GE(tool.count(Command::DeviceInformation), 10);
    EXPECT_TRUE(tool.targets(Command::DeviceInformation).size() <= 1);
    EXPECT_EQ(tool.count(Command::Set), 1);
    // The card's time is still the set's: the restores' checks of the device verified nothing.
    EXPECT_EQ(vm->lockRuntimeSummary(clock.wallNow()), QStringLiteral("Active for %1").arg(TovrelFormat::duration(1)));
    EXPECT_EQ(vm->trackerLastUpdateSummary(clock.wallNow()), QStringLiteral("Verified 1 min. ago"));

    // Plugged in again, but the restores fail, and so does a set of another point: the outage keeps its cause.
    tool.setBehaviourWithOrWithoutRsd(Command::Set, Behaviour::LogErrorAndExit);
    tool.plugBackIn();
    const auto setWork = [&](Behaviour set) {
        for (int second = 0; second < 20 && !vm->device().helperStatus().isAvailable(); second += 2)
            ASSERT_TRUE(tick()) << second;
        tool.setBehaviourWithOrWithoutRsd(Command::Set, set);
        vm->pushPointToIPhone(makePoint(QStringLiteral("Work"), 50.1, 14.5));
        ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));
    };
    setWork(Behaviour::LogErrorAndExit);
    ASSERT_EQ(vm->device().deviceActionMessage(), QStringLiteral("Couldn’t set the location."));
    EXPECT_EQ(vm->hold().locationSafetyAlarm()->reason, QStringLiteral("iPhone isn’t connected."));
    EXPECT_TRUE(PlannerTestAccess::incidentMessage(*vm).contains(u"\nCause: iPhone isn’t connected.\n"));
    // Set now, the other point ends the incident, and Home is not restored.
    setWork(Behaviour::Succeed);
    EXPECT_FALSE(vm->hold().telegramIncidentActive());
    EXPECT_FALSE(alarms.shown().has_value());
    // The log and the alerts' status line tell how the interruption ended.
    const QString over = QStringLiteral("The interruption is over: the new location Work is set.");
    EXPECT_EQ(vm->telegram().statusMessage(), over);
    EXPECT_TRUE(eventMessages().contains(over));
    for (int second = 0; second < 10; second += 2)
        ASSERT_TRUE(tick()) << second;
    EXPECT_EQ(tool.simulatedLocation(), QStringLiteral("50.100000 14.500000"));
}

TEST_F(UnpluggedIPhoneTest, AResetDuringARestoreEndsWithNothingHeld)
{
    holdHome();
    unplug();
    tickUntilIncident();
    // Plugged in again, the restore's check hangs when the reset comes.
    tool.plugBackIn();
    tool.setBehaviour(Command::DeviceInformation, Behaviour::Hold);
    clock.advance(6s);
    ASSERT_TRUE(eventually([&] { return tool.count(Command::DeviceInformation) >= 3; }));

    tool.setBehaviour(Command::DeviceInformation, Behaviour::Succeed);
    vm->clearIPhoneLocation();
    ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));
    EXPECT_EQ(vm->device().deviceActionMessage(), QStringLiteral("Reset complete. iPhone is using its real location."));
    EXPECT_EQ(vm->telegram().statusMessage(), QStringLiteral("The interruption is over: you reset the location."));
    const QStringList calls = tool.calls();
    EXPECT_TRUE(calls.last().contains(u"simulate-location clear")) << calls.join(u'\n').toStdString();
    EXPECT_EQ(tool.count(Command::Set), 1);
    EXPECT_NE(controller->isPersistentLocationActive(vm->device().helperStatus().helper), std::optional<bool>(true));
}

// A reset gives up the hold, and with it the interruption, whether its clear
// succeeds or not: nothing is held that an alarm or an alert could speak of.
// That the interruption is over "because you reset the location" is said only
// once a clear succeeded.
TEST_F(UnpluggedIPhoneTest, AResetDuringAnInterruptionEndsItAndSaysItResetOnlyOnceTheClearSucceeded)
{
    FakeHttpServer bot;
    bot.setReply("POST", "/bot123456789:AAE-x_Yz0/sendMessage",
                 FakeHttpReply::json(R"({"ok":true,"result":{"message_id":1,"date":1767225600}})"));
    bot.setReply("GET", "/bot123456789:AAE-x_Yz0/getUpdates", FakeHttpReply::json(R"({"ok":true,"result":[]})"));
    QNetworkAccessManager network;
    network.setProxy(QNetworkProxy::NoProxy);
    TelegramAlertService service(&network, bot.url());
    alerts = &service;
    relaunch();
    PlannerTestAccess::setBotToken(*vm, QStringLiteral("123456789:AAE-x_Yz0"));
    vm->setTelegramChatID(QStringLiteral("42"));
    vm->setTelegramAlertsEnabled(true);
    const auto sent = [&] { return bot.requestCount(QByteArrayLiteral("/bot123456789:AAE-x_Yz0/sendMessage")); };

    holdHome();
    unplug();
    watcher.detach(udid);
    ASSERT_TRUE(vm->hold().telegramIncidentActive());
    ASSERT_TRUE(eventually([&] { return sent() == 1; }));

    // Unplugged, the clear fails: the reset stays pending, but the incident is over.
    vm->clearIPhoneLocation();
    ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));
    ASSERT_TRUE(vm->hold().isLocationResetPending());
    EXPECT_FALSE(vm->hold().telegramIncidentActive());
    EXPECT_FALSE(alarms.shown().has_value());
    EXPECT_TRUE(vm->hold().recoveryWait().isEmpty());
    const QString stopped = QStringLiteral("Stopped holding the location.");
    EXPECT_EQ(vm->telegram().statusMessage(), stopped);
    EXPECT_EQ(vm->notice(), QStringLiteral("The location reset couldn’t be finished. Connect iPhone and try again."));
    // Alerts still going out would say every 5 s that the location isn't restored yet.
    EXPECT_FALSE(PlannerTestAccess::alertLoopRunning(*vm));
    for (int second = 0; second < 20; second += 5)
        clock.advance(5s);
    QDeadlineTimer quiet(1000);
    while (sent() == 1 && !quiet.hasExpired())
        ManualClock::runPostedEvents();
    EXPECT_EQ(sent(), 1);

    // Plugged back in, Finish reset clears the location: now the interruption is over because of it.
    tool.plugBackIn();
    vm->clearIPhoneLocation();
    ASSERT_TRUE(eventually([&] { return !vm->device().isDeviceBusy(); }));
    EXPECT_FALSE(vm->hold().isLocationResetPending());
    const QString over = QStringLiteral("The interruption is over: you reset the location.");
    EXPECT_EQ(vm->telegram().statusMessage(), over);
    const QStringList log = eventMessages();
    EXPECT_EQ(log.count(over), 1);
    EXPECT_EQ(log.count(stopped), 1);
    EXPECT_TRUE(log.contains(QStringLiteral("Location reset failed: iPhone isn’t connected.")));
    EXPECT_EQ(sent(), 1);
}

} // namespace

namespace {

TEST_F(UnpluggedIPhoneTest, AfterAnOutageTheRestoreSetsThePointAgainBeforeItSaysSo)
{
    holdHome();
    const qint64 firstSet = tool.lastPid(Command::Set).value_or(0);
    ASSERT_EQ(tool.simulatedLocation(), homeOnIPhone);
    unplug();
    tickUntilIncident();
    ASSERT_EQ(tool.simulatedLocation(), std::nullopt);
    // The held set outlived the outage; it says nothing about the iPhone.
    ASSERT_TRUE(isProcessAlive(firstSet));

    // What the bar says, and how many sets had reached the tool when it said it.
    QList<std::pair<QString, int>> said;
    QObject::connect(&vm->device(), &DeviceState::deviceActionMessageChanged, vm.get(), [&] {
        said.append({vm->device().deviceActionMessage(), tool.count(Command::Set)});
    });
    tool.plugBackIn();
    for (int second = 0; second < 20 && vm->hold().telegramIncidentActive(); second += 2)
        ASSERT_TRUE(tick()) << second;

    EXPECT_FALSE(vm->hold().telegramIncidentActive());
    const auto restored = std::find_if(said.cbegin(), said.cend(), [](const auto& entry) {
        return entry.first == QStringLiteral("Location Home is set again.");
    });
    ASSERT_NE(restored, said.cend());
    EXPECT_EQ(restored->second, 2);
    EXPECT_EQ(tool.simulatedLocation(), homeOnIPhone);
    // The old set ended with its whole group before the new one started.
    EXPECT_TRUE(waitForProcessGone(firstSet));
    EXPECT_TRUE(isProcessAlive(tool.lastPid(Command::Set).value_or(0)));
    EXPECT_EQ(vm->hold().lockFailureCount(), 1);
    EXPECT_TRUE(pkexec.recordedCalls().isEmpty());
}

} // namespace
