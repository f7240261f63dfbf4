// The control bar in its states, the device pill with its setup popover, and the
// saved and history panels, empty and filled. The view model reaches each state
// through its own operations over a scripted iPhone.

#include "PlannerServices.h"
#include "ScriptedPhone.h"
#include "SnapshotScenario.h"
#include "planner/MainWindowState.h"
#include "views/controls/SimulationControlBar.h"
#include "views/device/DeviceSetupPopover.h"
#include "views/device/DeviceStatusPill.h"
#include "views/kit/DisclosureGroup.h"
#include "views/library/HistoryPanel.h"
#include "views/library/SavedPanel.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>
#include <functional>

namespace ostrevin::snapshots {

namespace {

using namespace Qt::StringLiterals;

/// A view model over a private folder and a scripted iPhone; the shown widget
/// owns it, so it goes after the widgets that read it.
class Scene final : public QWidget {
public:
    Scene(const SnapshotContext& context, bool withLibrary) : m_services(&context.clock, &phone)
    {
        if (withLibrary)
            writeLibrary(context.clock.wallNow());
        vm = &m_services.viewModel();
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(16, 16, 16, 16);
        content = layout;
    }
    ~Scene() override
    {
        // The widgets read the view model: they go first.
        qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
    }

    void check(const LocationHelperStatus& answer)
    {
        phone.answer = answer;
        vm->refreshHelperStatus();
        runUntil([this] { return vm->device().lastDeviceCheck().has_value() && !vm->device().isCheckingDevice(); });
    }
    void hold(const RoutePoint& place)
    {
        vm->selectPlace(place, LocationPlannerViewModel::MapFraming::keepCamera);
        vm->pushLastPointToIPhone();
        runUntil([this] { return vm->isLocationLockConfirmed() && !vm->device().isDeviceBusy(); });
    }

    QVBoxLayout* content;
    ScriptedPhone phone;
    LocationPlannerViewModel* vm;

private:
    void writeLibrary(const QDateTime& now)
    {
        RouteStore& store = m_services.store();
        SavedLocation home{QUuid::createUuid(), u"Home"_s, now.addDays(-20), point(u"Home"_s, 50.0875, 14.4213)};
        SavedLocation office{QUuid::createUuid(), u"Office by the river in Karlín, third floor"_s, now.addDays(-3),
                             point(u"Office"_s, 50.0925, 14.4503)};
        SavedLocation sydney{QUuid::createUuid(), u"Sydney Opera House"_s, now.addDays(-1),
                             point(u"Sydney"_s, -33.8568, 151.2153)};
        store.save(QList{sydney, office, home}, store.savedLocationsPath());
        SavedRoute walk;
        walk.name = u"Morning walk"_s;
        walk.transportMode = RouteTransportMode::walking;
        walk.speedProfile = RouteSpeedProfile::slow;
        walk.speedKmh = 5;
        walk.points = {point(u"Start"_s, 50.08, 14.42), point(u"Destination"_s, 50.07, 14.41)};
        SavedRoute drive;
        drive.name = u"Prague → Brno"_s;
        drive.speedKmh = 110;
        for (int i = 0; i < 12; ++i)
            drive.points << point(u"Point %1"_s.arg(i + 1), 50.08 - i * 0.07, 14.42 + i * 0.13);
        store.save(QList{drive, walk}, store.savedRoutesPath());
        RouteHistoryItem place;
        place.title = u"Vyšehrad"_s;
        place.createdAt = now.addSecs(-5 * 60);
        place.points = {point(u"Vyšehrad"_s, 50.0645, 14.4185)};
        RouteHistoryItem route;
        route.title = u"Prague → Brno"_s;
        route.createdAt = now.addSecs(-3 * 3600);
        route.points = drive.points;
        RouteHistoryItem bus;
        bus.title = u"Airport shuttle"_s;
        bus.transportMode = RouteTransportMode::bus;
        bus.createdAt = now.addDays(-1);
        bus.points = walk.points;
        RouteHistoryItem old;
        old.title = u"Old Town Square"_s;
        old.createdAt = now.addDays(-9);
        old.points = {point(u"Old Town Square"_s, 50.0875, 14.4213)};
        store.save(QList{place, route, bus, old}, store.historyPath());
    }

    PlannerServices m_services;
};

/// A stand-in for the map under the bar, so the floating surface reads as it would.
class MapBackdrop final : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const bool dark = kit::Brand::current().appearance.dark;
        painter.fillRect(rect(), dark ? QColor(0x2b, 0x32, 0x38) : QColor(0xe8, 0xea, 0xe3));
        painter.setPen(QPen(dark ? QColor(0x44, 0x4c, 0x54) : QColor(0xff, 0xff, 0xff), 6));
        for (int x = -200; x < width(); x += 160)
            painter.drawLine(x, height(), x + 260, 0);
    }
};

enum class BarState { held, longHeld, route, longRoute, incident, resetPending };

ScenarioFactory bar(BarState state, int width)
{
    return [state, width](const SnapshotContext& context) -> std::unique_ptr<QWidget> {
        auto scene = std::make_unique<Scene>(context, false);
        scene->check(phoneStatus(true, true, true));
        const RoutePoint castle = point(u"Prague Castle"_s, 50.0911, 14.4016);
        switch (state) {
        case BarState::held:
            scene->hold(castle);
            break;
        case BarState::longHeld:
            scene->hold(point(u"Prague Castle, the Old Royal Palace and St. Vitus Cathedral above the Vltava"_s,
                              50.0911, 14.4016));
            break;
        case BarState::route:
        case BarState::longRoute: {
            SavedRoute route;
            route.name = state == BarState::route
                             ? u"Prague → Brno"_s
                             : u"Prague Castle → Brno along the old imperial road through Kolín, Čáslav and Jihlava"_s;
            route.speedKmh = 110;
            route.points = {castle, point(u"Brno"_s, 49.1951, 16.6068)};
            scene->vm->startSavedRoute(route);
            runUntil([&] { return scene->vm->hold().iPhoneRouteProgress() > 0; });
            break;
        }
        case BarState::incident:
            scene->hold(castle);
            scene->phone.failSet = true;
            scene->vm->selectPlace(point(u"Vyšehrad"_s, 50.0645, 14.4185),
                                   LocationPlannerViewModel::MapFraming::keepCamera);
            scene->vm->pushLastPointToIPhone();
            runUntil([&] { return scene->vm->hold().telegramIncidentActive() && !scene->vm->device().isDeviceBusy(); });
            scene->vm->setNotice(std::nullopt);
            break;
        case BarState::resetPending:
            scene->phone.failClear = true;
            scene->hold(castle);
            scene->vm->clearIPhoneLocation();
            runUntil([&] { return !scene->vm->device().isDeviceBusy(); });
            break;
        }
        scene->setFixedSize(width, width < 600 ? 250 : 190);
        auto* backdrop = new MapBackdrop;
        auto* column = new QVBoxLayout(backdrop);
        column->setContentsMargins(16, 16, 16, 16);
        column->addStretch(1);
        auto* controlBar = new SimulationControlBar(*scene->vm, scene->vm->windowState());
        auto* centred = new QHBoxLayout;
        centred->addStretch(1);
        centred->addWidget(controlBar, 100);
        centred->addStretch(1);
        column->addLayout(centred);
        scene->content->setContentsMargins(0, 0, 0, 0);
        scene->content->addWidget(backdrop);
        return scene;
    };
}

ScenarioFactory pill(LocationHelperStatus answer, QString error = {})
{
    return [answer, error](const SnapshotContext& context) -> std::unique_ptr<QWidget> {
        auto scene = std::make_unique<Scene>(context, false);
        scene->check(answer);
        if (!error.isEmpty()) {
            scene->phone.failPrepare = error == u"prepare";
            scene->phone.dismissPrompt = error == u"dismissed";
            scene->vm->prepareIPhoneForLocation();
            runUntil([&] { return !scene->vm->device().isDeviceBusy(); });
        }
        scene->setFixedSize(440, 560);
        auto* pillWidget = new DeviceStatusPill(*scene->vm, scene->vm->windowState());
        scene->content->addWidget(pillWidget, 0, Qt::AlignHCenter);
        // The popover is a popup of its own; here it sits in the picture below the pill.
        auto* popover = new DeviceSetupPopover(*scene->vm, scene->vm->windowState(), nullptr);
        popover->setParent(scene.get(), Qt::Widget);
        if (auto* details = popover->findChild<kit::DisclosureGroup*>(); details && !details->isHidden())
            details->setExpanded(true);
        scene->content->addWidget(popover, 0, Qt::AlignHCenter);
        scene->content->addStretch(1);
        return scene;
    };
}

template <typename Panel> ScenarioFactory panel(bool filled)
{
    return [filled](const SnapshotContext& context) -> std::unique_ptr<QWidget> {
        auto scene = std::make_unique<Scene>(context, filled);
        scene->check(phoneStatus(true, true, true));
        scene->setFixedSize(308, 640);
        scene->content->setContentsMargins(0, 0, 0, 0);
        scene->content->addWidget(new Panel(*scene->vm));
        return scene;
    };
}

const QString controls = u"controls"_s;
const RegisterScenario barHeld(controls, u"held"_s, bar(BarState::held, 900));
const RegisterScenario barLongHeldNarrow(controls, u"held-long-name-narrow"_s, bar(BarState::longHeld, 440));
const RegisterScenario barRoute(controls, u"route"_s, bar(BarState::route, 900));
const RegisterScenario barLongRoute(controls, u"route-long-name"_s, bar(BarState::longRoute, 900));
const RegisterScenario barLongRouteNarrow(controls, u"route-long-name-narrow"_s, bar(BarState::longRoute, 440));
const RegisterScenario barIncident(controls, u"incident"_s, bar(BarState::incident, 900));
const RegisterScenario barReset(controls, u"reset-pending"_s, bar(BarState::resetPending, 900));
const RegisterScenario barNarrow(controls, u"incident-narrow"_s, bar(BarState::incident, 440));

const QString device = u"device"_s;
const RegisterScenario deviceReady(device, u"ready"_s, pill(phoneStatus(true, true, true)));
const RegisterScenario deviceNeedsSetup(device, u"needs-setup"_s, pill(phoneStatus(true, true, false), u"prepare"_s));
const RegisterScenario deviceDismissed(device, u"password-dismissed"_s,
                                       pill(phoneStatus(true, true, false), u"dismissed"_s));
const RegisterScenario deviceUnplugged(device, u"not-connected"_s, pill(phoneStatus(true, false, false)));
const RegisterScenario deviceNoHelper(device, u"no-helper"_s, pill(phoneStatus(false, false, false)));

const RegisterScenario savedEmpty(u"saved"_s, u"empty"_s, panel<SavedPanel>(false));
const RegisterScenario savedFilled(u"saved"_s, u"filled"_s, panel<SavedPanel>(true));
const RegisterScenario historyEmpty(u"history"_s, u"empty"_s, panel<HistoryPanel>(false));
const RegisterScenario historyFilled(u"history"_s, u"filled"_s, panel<HistoryPanel>(true));

} // namespace

} // namespace ostrevin::snapshots
