// How long the interface thread stalls while the application works: the real
// main window (offscreen) over fakes on 127.0.0.1 (tiles, OSRM, geocoder) and the
// fake pymobiledevice3, driven through a script: 200 tiles never seen before over
// pans and zooms, 20 saves of locations and routes, 50 event-log entries of 16 KB
// with the Advanced tab open, a replan of a 25-point route and a route playing.
// A 1 ms timer records how late each of its ticks comes. The run is made twice:
// once as it is, once with the data folder on a slow disk (a preloaded fsync that
// sleeps). Prints figures only.

#include "app/DeviceEnvironment.h"
#include "app/MainWindow.h"
#include "app/TovrelApp.h"
#include "planner/LocationPlannerViewModel.h"
#include "planner/OsrmReplies.h"
#include "runtime/RuntimeLayout.h"
#include "runtime/RuntimeManifest.h"
#include "support/FakeHttpServer.h"
#include "support/FakePyMobileDevice.h"
#include "support/LoopbackEnvironment.h"
#include "support/TempDir.h"
#include "views/map/MapWidget.h"
#include "views/settings/SettingsWindow.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace ostrevin;
using namespace ostrevin::test;

namespace {

constexpr int tilesWanted = 200;
constexpr int saves = 20;
constexpr int logEntries = 50;
constexpr int logEntryBytes = 16 * 1024;
constexpr int routePoints = 25;
constexpr int stepMs = 40;

/// A tile as costly to decode as a real one: a 256-pixel PNG of noisy colour
/// areas (a real map tile is some 20-40 KB).
QByteArray tilePng()
{
    QImage tile(256, 256, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < 256; ++y) {
        auto* line = reinterpret_cast<QRgb*>(tile.scanLine(y));
        for (int x = 0; x < 256; ++x) {
            const int area = ((x / 32) + (y / 32)) % 4;
            line[x] = qRgb(200 + area * 10 + int(random.bounded(8)), 210 + int(random.bounded(8)), 190 + area * 5);
        }
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    tile.save(&buffer, "PNG");
    return buffer.data();
}

/// The machine, with the web services' replies.
struct Machine : LoopbackMachine {
    Machine()
    {
        services.setReply("GET", "/reverse", FakeHttpReply::json(R"({"features":[]})"));
        services.setReply("GET", "/api", FakeHttpReply::json(R"({"features":[]})"));
        services.setReply("GET", "/tile", FakeHttpReply{200, {{"Content-Type", "image/png"}}, tilePng()});
        // Many alternatives of a long line: the planned route's decode and drawing cost.
        services.setReply(
            "GET", "/route",
            FakeHttpReply::json(osrmReply({{20000, 2000, 3000, "A", 0}, {21000, 2100, 3000, "B", 0.01}})));
    }
};

/// How late each tick of a 1 ms timer comes, in milliseconds.
class StallRecorder {
public:
    StallRecorder()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const double now = m_clock.nsecsElapsed() / 1e6;
            m_delays.push_back(std::max(0.0, now - m_last - 1.0));
            m_last = now;
        });
    }
    void start()
    {
        m_clock.start();
        m_last = 0;
        m_timer.start();
    }
    void stop() { m_timer.stop(); }
    double worst() const { return m_delays.empty() ? 0 : *std::max_element(m_delays.begin(), m_delays.end()); }
    double percentile(double p) const
    {
        if (m_delays.empty())
            return 0;
        std::vector<double> sorted = m_delays;
        std::sort(sorted.begin(), sorted.end());
        return sorted[std::min(sorted.size() - 1, static_cast<size_t>(p * static_cast<double>(sorted.size())))];
    }
    size_t ticks() const { return m_delays.size(); }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    double m_last = 0;
    std::vector<double> m_delays;
};

/// The scripted run in this process; prints "<worst> <p99> <ticks> <tiles>".
int runScript(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    Machine machine;
    if (!qEnvironmentVariableIsEmpty("OSTREVIN_SLOW_DISK_FOLDER"))
        qputenv("OSTREVIN_SLOW_DISK_FOLDER", QFileInfo(machine.dir.path()).canonicalFilePath().toUtf8());
    TovrelApp::Options options;
    options.paths = machine.paths();
    options.device = DeviceEnvironment::configuration(options.paths);
    auto app = std::make_unique<TovrelApp>(options);
    LocationPlannerViewModel& model = app->viewModel();
    app->show();
    MainWindow& window = app->window();
    window.resize(1280, 820);
    auto* map = window.findChild<MapWidget*>();
    if (!map) {
        std::fprintf(stderr, "no map in the window\n");
        return 1;
    }

    // The script: one step every stepMs, each a small piece of what a user does.
    struct Step {
        const char* kind;
        std::function<void()> run;
    };
    std::vector<Step> steps;
    const auto point = [](int i) {
        RoutePoint p;
        p.name = QStringLiteral("Point %1").arg(i);
        p.latitude = 50.0 + i * 0.004;
        p.longitude = 14.3 + i * 0.006;
        return p;
    };
    // One point per step, as a user adds them: one click each.
    for (int i = 0; i < routePoints; ++i)
        steps.push_back({"route point", [&, i] { model.addRoutePoint(point(i)); }});
    steps.push_back({"route name", [&] { model.setRouteName(QStringLiteral("Bench route")); }});
    steps.push_back({"replan", [&] { model.replanRoute(); }});
    // The log entries arrive with the Advanced tab open.
    steps.push_back({"advanced tab", [&] {
                         emit window.settingsRequested();
                         if (auto* settings = window.findChild<SettingsWindow*>())
                             settings->setCurrentTab(SettingsTab::advanced);
                     }});
    // Pans across and zooms in and out of Prague: tiles of three levels.
    for (int i = 0; i < 24; ++i) {
        steps.push_back({"pan", [map, i] {
                             const double zoom = 13 + (i / 8);
                             map->setCamera({{50.08 + 0.01 * (i % 8), 14.42 + 0.03 * (i % 8)}, zoom});
                         }});
    }
    for (int i = 0; i < saves; ++i) {
        steps.push_back({"save", [&, i] {
                             if (i % 2 == 0) {
                                 model.setSavedLocationName(QStringLiteral("Place %1").arg(i));
                                 model.saveLocation(point(i));
                             } else {
                                 model.setSavedRouteName(QStringLiteral("Route %1").arg(i));
                                 model.saveCurrentRouteAsNamed();
                             }
                         }});
    }
    const QString entry(logEntryBytes / 2, u'x');
    // UI_STALL_NO_LOG=1 leaves the log entries out, to tell their cost from the rest's.
    const int entries = qEnvironmentVariableIntValue("UI_STALL_NO_LOG") ? 0 : logEntries;
    for (int i = 0; i < entries; ++i)
        steps.push_back(
            {"log entry", [&, i] { model.logEvent(QString::number(i) + u' ' + entry, TrackerLogLevel::info); }});
    // Interleave the kinds of work after the route is planned.
    {
        const auto planned = steps.begin() + routePoints + 3;
        std::vector<Step> mixed(steps.begin(), planned);
        std::vector<Step> rest(planned, steps.end());
        QRandomGenerator order(11);
        std::shuffle(rest.begin(), rest.end(), order);
        mixed.insert(mixed.end(), rest.begin(), rest.end());
        steps = std::move(mixed);
    }

    StallRecorder recorder;
    QTimer script;
    size_t next = 0;
    bool routeStarted = false;
    QElapsedTimer total;
    QObject::connect(&script, &QTimer::timeout, [&] {
        // The route plays once it is planned and the iPhone is ready.
        if (!routeStarted && model.draft().points().size() >= 2 && model.device().helperStatus().isAvailable() &&
            !model.isPlanningAddressRoute() && !model.isDeviceOperationInProgress()) {
            model.startIPhoneRoute();
            routeStarted = model.hold().isIPhoneRouteRunning();
        }
        if (next < steps.size()) {
            QElapsedTimer step;
            step.start();
            steps[next].run();
            // Which step held the thread, for whoever looks for the cause.
            if (step.elapsed() > 50)
                std::fprintf(stderr, "step %zu (%s) took %lld ms\n", next, steps[next].kind, step.elapsed());
            ++next;
            return;
        }
        // Then the tiles still loading, with a bound.
        if (machine.services.requestCount("/tile") >= tilesWanted || total.elapsed() > 30000) {
            script.stop();
            recorder.stop();
            // The orderly quit: a plain quit() would ask whether to stop the route.
            QTimer::singleShot(0, app.get(), &TovrelApp::quit);
        }
    });
    // The window's first frame and the device check are start-up, not load.
    QTimer::singleShot(1500, [&] {
        std::fprintf(stderr, "device: %s\n", qPrintable(model.device().helperStatus().message));
        if (!model.device().helperStatus().isAvailable())
            model.prepareIPhoneForLocation();
        total.start();
        recorder.start();
        script.start(stepMs);
    });
    QApplication::exec();
    if (!routeStarted)
        std::fprintf(stderr, "the route did not play: %s\n", qPrintable(model.device().helperStatus().message));
    const int tiles = machine.services.requestCount("/tile");
    std::printf("%.1f %.1f %zu %d %d\n", recorder.worst(), recorder.percentile(0.99), recorder.ticks(), tiles,
                routeStarted ? 1 : 0);
    std::fflush(stdout);
    app.reset();
    return 0;
}

struct Figures {
    double worst = 0;
    double p99 = 0;
    int tiles = 0;
    bool played = false;
    bool ok = false;
};

Figures runChild(const QString& self, bool slowDisk)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (slowDisk) {
        environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(OSTREVIN_SLOW_FSYNC_LIBRARY));
        // The child narrows it to its own data folder.
        environment.insert(QStringLiteral("OSTREVIN_SLOW_DISK_FOLDER"), QStringLiteral("/"));
    }
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::SeparateChannels);
    if (qEnvironmentVariableIsEmpty("UI_STALL_VERBOSE"))
        child.setStandardErrorFile(QProcess::nullDevice());
    else
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(self, {QStringLiteral("--run")});
    if (!child.waitForFinished(300000) || child.exitCode() != 0)
        return {};
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split('\n').constLast().split(' ');
    if (fields.size() != 5)
        return {};
    return {fields[0].toDouble(), fields[1].toDouble(), fields[3].toInt(), fields[4] == "1", true};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]) == "--run")
        return runScript(argc, argv);
    QCoreApplication application(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();
    const int rounds =
        qEnvironmentVariableIsSet("UI_STALL_ROUNDS") ? qEnvironmentVariableIntValue("UI_STALL_ROUNDS") : 3;
    for (const bool slowDisk : {false, true}) {
        std::vector<double> worst, p99;
        int tiles = 0;
        bool played = true;
        for (int i = 0; i < rounds; ++i) {
            const Figures figures = runChild(self, slowDisk);
            if (!figures.ok) {
                std::fprintf(stderr, "a run failed\n");
                return 1;
            }
            worst.push_back(figures.worst);
            p99.push_back(figures.p99);
            tiles = figures.tiles;
            played = played && figures.played;
        }
        std::printf("ui stall%s (median of %d): worst %.1f ms (aim < 50), p99 %.1f ms (aim < 16); %d tiles, route %s\n",
                    slowDisk ? ", data on a slow disk (fsync +100 ms)" : "", rounds, median(worst), median(p99), tiles,
                    played ? "played" : "NOT played");
    }
    return 0;
}
