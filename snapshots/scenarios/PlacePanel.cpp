// The place panel: empty, while typing with suggestions, and with a selected place.

#include "SnapshotScenario.h"
#include "alerts/AlarmPresenter.h"
#include "async/SystemClock.h"
#include "async/TimerScheduler.h"
#include "async/WorkerPool.h"
#include "devicebridge/DeviceLocationService.h"
#include "planner/LocationPlannerViewModel.h"
#include "platform/FileDialogs.h"
#include "platform/FixedPlaceSearchService.h"
#include "platform/NetworkMonitor.h"
#include "platform/NullKeepAwake.h"
#include "platform/NullSystemLog.h"
#include "platform/ReverseGeocoder.h"
#include "platform/SettingsStore.h"
#include "routedata/RouteStore.h"
#include "views/place/PlacePanel.h"
#include "views/place/PlaceSearchField.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace ostrevin::snapshots {

namespace {

using namespace Qt::StringLiterals;

template <typename T> QFuture<T> ready(T value)
{
    return QtFuture::makeReadyFuture(std::move(value));
}

// No iPhone, no helper tool: the first check finds nothing.
class AbsentDevice final : public DeviceLocationService {
public:
    QFuture<LocationHelperStatus> detectHelper() override { return ready(LocationHelperStatus::missing()); }
    QFuture<bool> isDeviceReachable(const LocationHelper&) override { return ready(false); }
    QFuture<LocationHelperStatus> checkDeviceConnection(const LocationHelper&, std::stop_token) override
    {
        return ready(LocationHelperStatus::missing());
    }
    QFuture<LocationHelperStatus> prepareForLocation(const LocationHelper&, std::stop_token) override
    {
        return ready(LocationHelperStatus::missing());
    }
    QFuture<QString> setLocation(const RoutePoint&, const LocationHelper&, std::stop_token) override
    {
        return ready(QString());
    }
    QFuture<QString> clearLocation(const LocationHelper&, std::stop_token) override { return ready(QString()); }
    QFuture<void> playRoute(const QList<RoutePoint>&, RouteSpeedProfile, RouteTransportMode, double,
                            const LocationHelper&, QObject*, PlaybackStarted, PlaybackProgress,
                            std::stop_token) override
    {
        return QtFuture::makeReadyFuture();
    }
    std::optional<bool> isPersistentLocationActive(const std::optional<LocationHelper>&) const override
    {
        return std::nullopt;
    }
    void stopActiveProcess() override {}
    void stopPersistentLocationProcess() override {}
};

class NoAlarm final : public AlarmPresenter {
public:
    void present(const LocationSafetyAlarmEvent&, std::function<void()>) override {}
    void dismiss() override {}
};

class Online final : public NetworkMonitor {
public:
    void start() override {}
    void stop() override {}
};

class NoDialogs final : public FileDialogs {
public:
    QFuture<std::optional<QString>> chooseSaveLocation(const SaveRequest&) override
    {
        return ready(std::optional<QString>());
    }
};

class NoNames final : public ReverseGeocoder {
public:
    QFuture<std::optional<Placemark>> reverseGeocode(double, double) override
    {
        return ready(std::optional<Placemark>());
    }
};

PlaceCandidate place(const QString& name, const QString& subtitle, double latitude, double longitude)
{
    return {name, name, subtitle, latitude, longitude};
}

RoutePoint point(const QString& name, double latitude, double longitude)
{
    RoutePoint result;
    result.name = name;
    result.latitude = latitude;
    result.longitude = longitude;
    return result;
}

enum class State { empty, suggestions, selected };

/// A view model over a private data folder with fakes for every system service,
/// and the panel beside an empty map area.
class PlacePanelScene final : public QWidget {
public:
    explicit PlacePanelScene(State state) : m_state(state)
    {
        m_settings = std::make_unique<SettingsStore>(m_dir.filePath(u"settings.conf"_s));
        m_store = std::make_unique<RouteStore>(m_dir.filePath(u"data"_s));
        if (state == State::selected) {
            SavedLocation home;
            home.name = u"Home"_s;
            home.point = point(u"Home"_s, 50.0875, 14.4213);
            SavedLocation office;
            office.name = u"Office by the river"_s;
            office.point = point(u"Office"_s, 51.5074, -0.1278);
            m_store->save(QList{home, office}, m_store->savedLocationsPath());
            RouteHistoryItem recent;
            recent.title = u"Vyšehrad"_s;
            recent.points = {point(u"Vyšehrad"_s, 50.0645, 14.4185)};
            m_store->save(QList{recent}, m_store->historyPath());
        }
        LocationPlannerViewModel::Dependencies deps;
        deps.store = m_store.get();
        deps.settings = m_settings.get();
        deps.clock = &m_clock;
        deps.scheduler = &m_scheduler;
        deps.workerPool = &m_pool;
        deps.keepAwake = &m_keepAwake;
        deps.networkMonitor = &m_network;
        deps.systemLog = &m_log;
        deps.reverseGeocoder = &m_names;
        deps.fileDialogs = &m_dialogs;
        deps.alarmPresenter = &m_alarm;
        deps.device = &m_device;
        m_viewModel = std::make_unique<LocationPlannerViewModel>(deps, false);
        if (state == State::selected) {
            m_viewModel->selectPlace(point(u"Letná Park"_s, 50.0969, 14.4237), false);
            m_viewModel->refreshHelperStatus(false, false);
        }

        m_panel = new PlacePanel(*m_viewModel, m_search);
        m_panel->setFixedWidth(308);
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        layout->addWidget(m_panel);
        layout->addStretch(1);
    }

    ~PlacePanelScene() override { delete m_panel; }

protected:
    void showEvent(QShowEvent* event) override
    {
        QWidget::showEvent(event);
        if (m_state != State::suggestions)
            return;
        QTimer::singleShot(0, this, [this] {
            activateWindow();
            // The field takes the keys only once the window is active.
            static_cast<void>(QTest::qWaitForWindowActive(this, 3000));
            QLineEdit* edit = m_panel->searchField()->lineEdit();
            edit->setFocus(Qt::MouseFocusReason);
            QTest::keyClicks(edit, u"Pra"_s);
            QTest::keyClick(edit, Qt::Key_Down);
        });
    }

private:
    State m_state;
    QTemporaryDir m_dir;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<RouteStore> m_store;
    SystemClock m_clock;
    TimerScheduler m_scheduler;
    WorkerPool m_pool;
    NullKeepAwake m_keepAwake;
    Online m_network;
    NullSystemLog m_log;
    NoNames m_names;
    NoDialogs m_dialogs;
    NoAlarm m_alarm;
    AbsentDevice m_device;
    FixedPlaceSearchService m_search{{place(u"Prague"_s, u"Czechia"_s, 50.0755, 14.4378),
                                      place(u"Prague Castle"_s, u"Prague, Czechia"_s, 50.0911, 14.4016),
                                      place(u"Praterstraße"_s, u"Vienna, Austria"_s, 48.2155, 16.3858),
                                      place(u"Prato"_s, u"Tuscany, Italy"_s, 43.8777, 11.1022),
                                      place(u"Pražská 12"_s, u"Plzeň, Czechia"_s, 49.7465, 13.3776)}};
    std::unique_ptr<LocationPlannerViewModel> m_viewModel;
    PlacePanel* m_panel;
};

const RegisterScenario empty(u"place"_s, u"empty"_s,
                             [](const SnapshotContext&) { return std::make_unique<PlacePanelScene>(State::empty); });
const RegisterScenario suggestions(u"place"_s, u"suggestions"_s, [](const SnapshotContext&) {
    return std::make_unique<PlacePanelScene>(State::suggestions);
});
const RegisterScenario selected(u"place"_s, u"selected"_s, [](const SnapshotContext&) {
    return std::make_unique<PlacePanelScene>(State::selected);
});

} // namespace

} // namespace ostrevin::snapshots
