// The real application window on an X11 display, driven as a user drives it:
// every device tool is the fake pymobiledevice3 standing in for the installed
// runtime, and geocoding, routing, map tiles, the tunnel service and the Telegram
// Bot API are servers on 127.0.0.1. Run through with-xvfb.sh.

#include "alerts/LocationSafetyAlarmPanel.h"
#include "alerts/MemoryTokenStore.h"
#include "app/DeviceEnvironment.h"
#include "app/MainWindow.h"
#include "app/TovrelApp.h"
#include "planner/LocationPlannerViewModel.h"
#include "platform/SettingsStore.h"
#include "process/OwnedProcessRegistry.h"
#include "routedata/AppSettings.h"
#include "runtime/RuntimeLayout.h"
#include "runtime/RuntimeManifest.h"
#include "support/FakeHttpServer.h"
#include "support/FakePyMobileDevice.h"
#include "support/LoopbackEnvironment.h"
#include "support/TempDir.h"
#include "views/controls/SimulationControlBar.h"
#include "views/device/DeviceSetupPopover.h"
#include "views/device/DeviceStatusPill.h"
#include "views/kit/ActionButton.h"
#include "views/kit/KitLabel.h"
#include "views/place/PlacePanel.h"
#include "views/place/PlaceSearchField.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>

using namespace ostrevin;
using namespace ostrevin::test;
using Command = FakePyMobileDevice::Command;
using Behaviour = FakePyMobileDevice::Behaviour;

namespace {

const QByteArray botToken = QByteArrayLiteral("123456789:AAE-x_Yz0");
const QByteArray sendPath = "/bot" + botToken + "/sendMessage";
constexpr int bound = 30000;

QByteArray tilePng()
{
    QImage tile(256, 256, QImage::Format_RGB32);
    tile.fill(QColor(0xe8, 0xe4, 0xd8));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    tile.save(&buffer, "PNG");
    return buffer.data();
}

/// The machine, with the web services' replies.
struct Machine : LoopbackMachine {
    Machine()
    {
        services.setReply("GET", "/api",
                          FakeHttpReply::json(R"({"features":[{"geometry":{"type":"Point",)"
                                              R"("coordinates":[14.4213,50.0875]},"properties":)"
                                              R"({"name":"Prague","country":"Czechia"}}]})"));
        services.setReply("GET", "/reverse", FakeHttpReply::json(R"({"features":[]})"));
        services.setReply("GET", "/tile", FakeHttpReply{200, {{"Content-Type", "image/png"}}, tilePng()});
        services.setReply("POST", sendPath, FakeHttpReply::json(R"({"ok":true,"result":{}})"));
        services.setReply("GET", "/bot" + botToken + "/getUpdates", FakeHttpReply::json(R"({"ok":true,"result":[]})"));
    }
};

QString label(const QWidget* parent, const char* name)
{
    const auto* label = parent->findChild<kit::KitLabel*>(QLatin1String(name));
    return label ? label->text() : QString();
}

/// The alarm's panels that are on screen.
QList<LocationSafetyAlarmPanel*> shownAlarmPanels()
{
    QList<LocationSafetyAlarmPanel*> panels;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* panel = qobject_cast<LocationSafetyAlarmPanel*>(widget); panel && panel->isVisible())
            panels << panel;
    }
    return panels;
}

QMessageBox* shownBox(const QWidget* window, const QString& name)
{
    auto* box = window->findChild<QMessageBox*>(name);
    return box && box->isVisible() ? box : nullptr;
}

} // namespace

TEST(EndToEnd, AUserHoldsACityLosesItIsAlarmedGetsItBackAndResetsIt)
{
    Machine machine;
    MemoryTokenStore tokens;
    tokens.setItem(QString::fromLatin1(botToken));
    TovrelApp::Options options;
    options.paths = machine.paths();
    options.device = DeviceEnvironment::configuration(options.paths);
    options.device.timing.locationStartup = 0.5;
    options.device.timing.readinessBudget = 2.0;
    options.tokenStore = &tokens;
    options.telegramBaseUrl = machine.services.url();
    auto app = std::make_unique<TovrelApp>(options);
    LocationPlannerViewModel& model = app->viewModel();
    model.setTelegramChatID(QStringLiteral("42"));
    model.setTelegramAlertsEnabled(true);
    app->show();
    MainWindow& window = app->window();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(window.isShowingContent());
    EXPECT_TRUE(QTest::qWaitFor([&] { return machine.services.requestCount("/tile") > 0; }, bound))
        << "the map asks for tiles";

    // The iPhone is found on USB; the popover from the pill prepares it.
    auto* pill = window.findChild<DeviceStatusPill*>();
    ASSERT_NE(pill, nullptr);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !model.device().isCheckingDevice() && model.device().lastDeviceCheck(); }, bound));
    QTest::mouseClick(pill, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pill->popover() && pill->popover()->isVisible(); }, bound));
    if (auto* prepare = pill->popover()->findChild<kit::ActionButton*>(QStringLiteral("prepareIPhone"));
        prepare && prepare->isVisible())
        QTest::mouseClick(prepare, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !model.device().isCheckingDevice() && model.device().helperStatus().isAvailable(); }, bound))
        << model.device().helperStatus().message.toStdString();
    EXPECT_EQ(label(pill, "stateTitle"), QStringLiteral("Ready"));
    QTest::keyClick(pill->popover(), Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pill->popover() || !pill->popover()->isVisible(); }, bound));

    // Search the city and pick its suggestion.
    auto* places = window.findChild<PlacePanel*>();
    ASSERT_NE(places, nullptr);
    QLineEdit* search = places->searchField()->lineEdit();
    search->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(search, QStringLiteral("Prague"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return places->searchField()->showsSuggestions(); }, bound));
    QTest::keyClick(search, Qt::Key_Down);
    QTest::keyClick(search, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return places->card() != nullptr; }, bound));
    ASSERT_TRUE(model.draft().selectedPoint());
    EXPECT_EQ(model.draft().selectedPoint()->name, QStringLiteral("Prague"));
    EXPECT_DOUBLE_EQ(model.draft().selectedPoint()->latitude, 50.0875);

    // Set it: the control bar comes up and says it is set.
    ASSERT_TRUE(QTest::qWaitFor([&] { return places->setLocationButton()->isEnabled(); }, bound));
    QTest::mouseClick(places->setLocationButton(), Qt::LeftButton);
    auto* bar = window.findChild<SimulationControlBar*>();
    ASSERT_NE(bar, nullptr);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return bar->isVisible() && label(bar, "headline") == u"Location is set"; }, bound))
        << label(bar, "headline").toStdString();
    ASSERT_EQ(model.hold().lockedPoint().value_or(RoutePoint{}).name, QStringLiteral("Prague"));
    const qint64 held = machine.tool.lastPid(Command::Set).value_or(0);
    ASSERT_TRUE(isProcessAlive(held));

    // The iPhone stops taking the location and the held tool dies.
    machine.tool.setBehaviourWithOrWithoutRsd(Command::Set, Behaviour::FailWithOutput);
    ::kill(static_cast<pid_t>(-held), SIGKILL);
    ASSERT_TRUE(QTest::qWaitFor([] { return !shownAlarmPanels().isEmpty(); }, bound));
    EXPECT_EQ(shownAlarmPanels().size(), QGuiApplication::screens().size()) << "every screen is covered";
    ASSERT_TRUE(QTest::qWaitFor([&] { return machine.services.requestCount(sendPath) >= 1; }, bound));
    EXPECT_TRUE(machine.services.requests().constLast().body.contains("Prague"));
    EXPECT_EQ(label(bar, "headline"), QStringLiteral("Restoring location…"));

    // Acknowledged on the alarm: it closes and the restore goes on until the iPhone takes it.
    auto* acknowledge = shownAlarmPanels().first()->findChild<QPushButton*>();
    ASSERT_NE(acknowledge, nullptr);
    QTest::mouseClick(acknowledge, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([] { return shownAlarmPanels().isEmpty(); }, bound));
    machine.tool.setBehaviourWithOrWithoutRsd(Command::Set, Behaviour::Succeed);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.hold().telegramIncidentActive(); }, bound));
    EXPECT_EQ(label(bar, "headline"), QStringLiteral("Location is set"));
    const qint64 restored = machine.tool.lastPid(Command::Set).value_or(0);
    EXPECT_NE(restored, held);
    EXPECT_TRUE(isProcessAlive(restored));
    EXPECT_TRUE(shownAlarmPanels().isEmpty()) << "a restore after the acknowledgement raises nothing";

    // Reset from the bar, confirmed: the bar goes and the iPhone is cleared.
    auto* reset = bar->findChild<QPushButton*>(QStringLiteral("resetLocation"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return reset->isVisible() && reset->isEnabled(); }, bound));
    // The keys went to nobody with the alarm; a hand's click on the window takes them back, a test's does not.
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::mouseClick(reset, Qt::LeftButton);
    QMessageBox* confirmation = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return (confirmation = shownBox(&window, QStringLiteral("resetConfirmation"))) != nullptr; }, bound));
    QTest::mouseClick(confirmation->findChild<QPushButton*>(QStringLiteral("resetLocationButton")), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !bar->isVisible() && !model.device().isDeviceBusy(); }, bound));
    EXPECT_FALSE(model.hold().lockedPoint());
    EXPECT_FALSE(bar->parentWidget()->isVisible()) << "no empty box left over the map to catch its clicks";
    EXPECT_GE(machine.tool.count(Command::Clear), 1);
    EXPECT_TRUE(waitForProcessGone(restored));

    app->quit();
    app.reset();
    EXPECT_TRUE(OwnedProcessRegistry::shared().records().empty());
    EXPECT_EQ(machine.services.requestCount(sendPath), 1) << "one alert for one interruption";
}

// The device check waits for the window's first frame: a location held when the
// last session ended is set on the iPhone again once the window is up.
TEST(EndToEnd, AHoldFromTheLastSessionIsSetAgainOnceTheWindowIsUp)
{
    Machine machine;
    MemoryTokenStore tokens;
    TovrelApp::Options options;
    options.paths = machine.paths();
    options.device = DeviceEnvironment::configuration(options.paths);
    options.device.timing.locationStartup = 0.5;
    options.tokenStore = &tokens;
    {
        SettingsStore settings(options.paths.settingsFile(QString::fromUtf16(SettingsStore::appDomain)));
        AppSettings::setLockedPoint(
            RoutePoint{.name = QStringLiteral("Home"), .latitude = 50.0875, .longitude = 14.4213}, settings);
        settings.sync();
    }
    auto app = std::make_unique<TovrelApp>(options);
    LocationPlannerViewModel& model = app->viewModel();
    ASSERT_TRUE(model.hold().lockedPoint());
    QCoreApplication::processEvents();
    EXPECT_FALSE(model.device().lastDeviceCheck()) << "no device work before the window shows";

    app->show();
    // The first check finds the iPhone; once prepared, it takes the held location.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !model.device().isCheckingDevice() && model.device().lastDeviceCheck(); }, bound));
    auto* pill = app->window().findChild<DeviceStatusPill*>();
    ASSERT_NE(pill, nullptr);
    QTest::mouseClick(pill, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pill->popover() && pill->popover()->isVisible(); }, bound));
    if (auto* prepare = pill->popover()->findChild<kit::ActionButton*>(QStringLiteral("prepareIPhone"));
        prepare && prepare->isVisible())
        QTest::mouseClick(prepare, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return machine.tool.simulatedLocation().has_value(); }, bound))
        << model.device().helperStatus().message.toStdString();
    EXPECT_TRUE(machine.tool.simulatedLocation()->startsWith(QStringLiteral("50.0875")));
    EXPECT_EQ(model.hold().lockedPoint().value_or(RoutePoint{}).name, QStringLiteral("Home"));

    app->quit();
    app.reset();
    EXPECT_TRUE(OwnedProcessRegistry::shared().records().empty());
}
