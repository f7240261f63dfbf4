// Cold start to the first painted frame of the main window, and the peak
// resident memory of that run, for the real program and for a bare
// QApplication + QMainWindow doing the same, measured in the same run. Each
// child prints when it painted; the whole run to its exit is printed too. Last,
// the program starts with its data on a slow disk, where a flush to disk on the
// way to the first frame would show as the disk's delay.

#include "runtime/RuntimeLayout.h"
#include "runtime/RuntimeManifest.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

std::int64_t monotonicNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

/// The line the real program prints with --quit-after-first-frame.
void printFirstFrame()
{
    std::printf("first frame at %lld ns\n", static_cast<long long>(monotonicNanoseconds()));
    std::fflush(stdout);
}

/// The bare program: show a window and quit once it has been painted.
int runBare(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(1280, 820);
    struct PaintWatch : QObject {
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                QTimer::singleShot(0, qApp, [] {
                    printFirstFrame();
                    QCoreApplication::quit();
                });
            return false;
        }
    } watch;
    window.installEventFilter(&watch);
    window.show();
    return QApplication::exec();
}

struct Run {
    /// From the spawn to the first frame the child reports.
    double firstFrameMilliseconds = 0;
    /// From the spawn to the child's exit.
    double milliseconds = 0;
    /// User and system time of all its threads: on a busy machine it varies far
    /// less than the wall time.
    double cpuMilliseconds = 0;
    double peakMegabytes = 0;
    bool ok = false;
};

Run spawnAndMeasure(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0)
        return {};
    const std::int64_t started = monotonicNanoseconds();
    QElapsedTimer timer;
    timer.start();
    // The children's diagnostics would bury the figures; their output carries the
    // first frame's time.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    if (spawned != 0) {
        close(output[0]);
        return {};
    }
    // Read to the end before waiting, so a child that prints much never blocks.
    std::string printed;
    char buffer[4096];
    for (ssize_t got; (got = read(output[0], buffer, sizeof buffer)) != 0;) {
        if (got > 0)
            printed.append(buffer, std::size_t(got));
        else if (errno != EINTR)
            break;
    }
    close(output[0]);
    int status = 0;
    struct rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid)
        return {};
    Run run;
    run.milliseconds = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    const auto milliseconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) * 1e3 + static_cast<double>(time.tv_usec) / 1e3;
    };
    run.cpuMilliseconds = milliseconds(usage.ru_utime) + milliseconds(usage.ru_stime);
    run.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
    long long painted = 0;
    const std::size_t line = printed.find("first frame at ");
    const bool reported =
        line != std::string::npos && std::sscanf(printed.c_str() + line, "first frame at %lld ns", &painted) == 1;
    run.firstFrameMilliseconds = static_cast<double>(painted - started) / 1e6;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && reported && painted > started;
    return run;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]) == "--bare")
        return runBare(argc, argv);

    // A private home with an installed runtime, so the main window (not the setup
    // screen) is what appears, and nothing of the user's is touched.
    QTemporaryDir home;
    const QString data = home.filePath(QStringLiteral("data"));
    const ostrevin::RuntimeLayout layout(data + u"/Ostrevin/Runtime");
    QDir().mkpath(layout.rootURL());
    layout.writeLauncher();
    ostrevin::RuntimeManifest manifest;
    manifest.pythonVersion = QStringLiteral("3.12.14");
    manifest.helperVersion = QStringLiteral("10.10.3");
    manifest.installedAt = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
    layout.writeManifest(manifest);
    QDir().mkpath(home.filePath(QStringLiteral("tools")));
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_DATA_HOME", data.toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_CACHE_HOME", home.filePath(QStringLiteral("cache")).toUtf8());
    // The whole window, map included, but no network: the first frame never waits
    // for a tile or a geocoder, and the figures must not depend on a server.
    qputenv("OSTREVIN_TILES_URL", "off");
    for (const char* name : {"OSTREVIN_GEOCODER_URL", "OSTREVIN_DIRECTIONS_CAR_URL", "OSTREVIN_DIRECTIONS_FOOT_URL"})
        qputenv(name, "http://127.0.0.1:9");
    // No device tools: the start-up check finds none at once.
    qputenv("OSTREVIN_TOOL_FOLDERS", home.filePath(QStringLiteral("tools")).toUtf8());
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    const std::string self = QFileInfo(QString::fromLocal8Bit(argv[0])).absoluteFilePath().toStdString();
    // Single runs vary by a tenth or more on a shared machine: the median of fewer
    // moves by several milliseconds from one bench run to the next.
    constexpr int rounds = 15;
    std::vector<double> appFrames, appTimes, appCpu, appPeaks, bareFrames, bareTimes, bareCpu, barePeaks;
    // One warm-up of each, so both find the libraries in the page cache alike.
    spawnAndMeasure({OSTREVIN_APP_BINARY, "--quit-after-first-frame"});
    spawnAndMeasure({self, "--bare"});
    for (int i = 0; i < rounds; ++i) {
        const Run app = spawnAndMeasure({OSTREVIN_APP_BINARY, "--quit-after-first-frame"});
        const Run bare = spawnAndMeasure({self, "--bare"});
        if (!app.ok || !bare.ok) {
            std::fprintf(stderr, "a run failed (app %d, bare %d)\n", app.ok, bare.ok);
            return 1;
        }
        appFrames.push_back(app.firstFrameMilliseconds);
        appTimes.push_back(app.milliseconds);
        appCpu.push_back(app.cpuMilliseconds);
        appPeaks.push_back(app.peakMegabytes);
        bareFrames.push_back(bare.firstFrameMilliseconds);
        bareTimes.push_back(bare.milliseconds);
        bareCpu.push_back(bare.cpuMilliseconds);
        barePeaks.push_back(bare.peakMegabytes);
    }
    const double appFrame = median(appFrames), bareFrame = median(bareFrames);
    const double appTime = median(appTimes), bareTime = median(bareTimes);
    const double appPeak = median(appPeaks), barePeak = median(barePeaks);
    std::printf("startup to first frame (median of %d): %.0f ms (aim < 300 ms); bare Qt window: %.0f ms; ratio %.2f\n",
                rounds, appFrame, bareFrame, appFrame / bareFrame);
    std::printf("whole run to exit: %.0f ms; bare Qt window: %.0f ms; ratio %.2f\n", appTime, bareTime,
                appTime / bareTime);
    std::printf("CPU time: %.0f ms; bare Qt window: %.0f ms; ratio %.2f\n", median(appCpu), median(bareCpu),
                median(appCpu) / median(bareCpu));
    std::printf("peak RSS: %.1f MB (aim < 60 MB); bare Qt window: %.1f MB; ratio %.2f\n", appPeak, barePeak,
                appPeak / barePeak);

    constexpr int slowDiskMilliseconds = 100;
    qputenv("LD_PRELOAD", OSTREVIN_SLOW_FSYNC_LIBRARY);
    qputenv("OSTREVIN_SLOW_DISK_FOLDER", QFileInfo(home.path()).canonicalFilePath().toUtf8());
    qputenv("OSTREVIN_SLOW_DISK_MS", QByteArray::number(slowDiskMilliseconds));
    std::vector<double> slowFrames;
    for (int i = 0; i < rounds; ++i) {
        const Run app = spawnAndMeasure({OSTREVIN_APP_BINARY, "--quit-after-first-frame"});
        if (!app.ok) {
            std::fprintf(stderr, "a run on the slow disk failed\n");
            return 1;
        }
        slowFrames.push_back(app.firstFrameMilliseconds);
    }
    std::printf("data on a slow disk (each flush +%d ms): first frame %.0f ms\n", slowDiskMilliseconds,
                median(slowFrames));
    return 0;
}
