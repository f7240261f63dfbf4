// A slow disk for one folder: fsync and fdatasync of a file under
// OSTREVIN_SLOW_DISK_FOLDER sleep OSTREVIN_SLOW_DISK_MS (default 100) before
// they sync. Preloaded into bench_ui_stall's second run.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <unistd.h>

namespace {

bool isSlow(int fd)
{
    const char* folder = getenv("OSTREVIN_SLOW_DISK_FOLDER");
    if (!folder || !*folder)
        return false;
    char link[64];
    char target[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = readlink(link, target, sizeof target - 1);
    if (length <= 0)
        return false;
    target[length] = '\0';
    return strncmp(target, folder, strlen(folder)) == 0;
}

void delay(int fd)
{
    if (!isSlow(fd))
        return;
    const char* text = getenv("OSTREVIN_SLOW_DISK_MS");
    const long ms = text ? atol(text) : 100;
    timespec pause{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&pause, &pause) != 0) {
    }
}

} // namespace

extern "C" int fsync(int fd)
{
    static int (*real)(int);
    if (!real)
        real = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fsync"));
    delay(fd);
    return real(fd);
}

extern "C" int fdatasync(int fd)
{
    static int (*real)(int);
    if (!real)
        real = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fdatasync"));
    delay(fd);
    return real(fd);
}
