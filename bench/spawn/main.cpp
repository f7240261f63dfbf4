// Spawn throughput of the device bridge's process layer against a bare
// posix_spawn + waitpid loop, and its memory while a tool floods its output.

#include "devicebridge/DeviceLocationController.h"

#include <QCoreApplication>
#include <QFile>
#include <chrono>
#include <cstdio>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

using namespace ostrevin;

namespace {

constexpr int runs = 2000;

double runsPerSecond(const std::function<void()>& once)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i)
        once();
    return runs / std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

long statusKilobytes(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    DeviceLocationController controller;
    ProcessCancellationState cancellation;
    const QUrl trueTool = QUrl::fromLocalFile(QStringLiteral("/bin/true"));
    const auto viaRunner = [&] {
        controller.executeLocked(trueTool, {}, 15, QUuid::createUuid(), cancellation,
                                 DeviceLocationController::ProcessTracking::asActiveProcess);
    };
    const auto bare = [] {
        char program[] = "/bin/true";
        char* args[] = {program, nullptr};
        pid_t pid = 0;
        if (posix_spawn(&pid, program, nullptr, nullptr, args, environ) == 0)
            waitpid(pid, nullptr, 0);
    };
    viaRunner(); // start the reactor thread and the worker pool
    bare();

    const double bareRate = runsPerSecond(bare);
    const double runnerRate = runsPerSecond(viaRunner);
    std::printf("spawn /bin/true, %d runs each\n", runs);
    std::printf("  bare posix_spawn+waitpid: %8.0f runs/s\n", bareRate);
    std::printf("  executeProcess:           %8.0f runs/s\n", runnerRate);
    std::printf("  bare/executeProcess:      %8.2fx (aim: within 1.30x)\n", bareRate / runnerRate);

    // Reset the high-water mark so that only the flood counts.
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
    clearRefs.close();
    const long idle = statusKilobytes("VmRSS");
    const ProcessOutput output = controller.executeLocked(
        QUrl::fromLocalFile(QStringLiteral("/bin/sh")),
        {QStringLiteral("-c"), QStringLiteral("head -c 104857600 /dev/zero")}, 120, QUuid::createUuid(), cancellation,
        DeviceLocationController::ProcessTracking::asActiveProcess);
    const long peak = statusKilobytes("VmHWM");
    std::printf("tool printing 100 MB on standard output (kept: %lld characters)\n",
                static_cast<long long>(output.standardOutput.size()));
    std::printf("  idle RSS %ld kB, peak RSS %ld kB, above idle %.2f MB (aim: under 8 MB)\n", idle, peak,
                (peak - idle) / 1024.0);
    return 0;
}
