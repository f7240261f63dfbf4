#include "support/OrphanReaper.h"

#include <QFile>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace ostrevin::test {

namespace {

[[noreturn]] void reapForever(pid_t command, int channel)
{
    [[maybe_unused]] const auto written = ::write(channel, &command, sizeof command);
    ::close(channel);
    for (;;) {
        if (::waitpid(-1, nullptr, 0) < 0 && errno == ECHILD) {
            const timespec pause{0, 10'000'000};
            ::nanosleep(&pause, nullptr);
        }
    }
}

} // namespace

OrphanReaper::OrphanReaper(const QString& program, const QStringList& arguments, bool ownGroup)
{
    // Everything the children use is made before the fork: in the copy of a process
    // with threads only async-signal-safe calls are allowed.
    std::vector<QByteArray> words{QFile::encodeName(program)};
    for (const QString& argument : arguments)
        words.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    int channel[2];
    if (::pipe2(channel, O_CLOEXEC) != 0)
        return;
    const pid_t test = ::getpid();
    m_reaper = ::fork();
    if (m_reaper == 0) {
        // Not left behind by a test that crashes.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != test)
            ::_exit(1);
        ::prctl(PR_SET_CHILD_SUBREAPER, 1);
        const pid_t command = ::fork();
        if (command == 0) {
            if (ownGroup)
                ::setpgid(0, 0);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        reapForever(command, channel[1]);
    }
    ::close(channel[1]);
    if (m_reaper > 0) {
        pid_t command = 0;
        ssize_t got = 0;
        while ((got = ::read(channel[0], &command, sizeof command)) < 0 && errno == EINTR) {
        }
        if (got == sizeof command)
            m_command = command;
    }
    ::close(channel[0]);
}

OrphanReaper::~OrphanReaper()
{
    if (m_reaper <= 0)
        return;
    ::kill(m_reaper, SIGKILL);
    while (::waitpid(m_reaper, nullptr, 0) < 0 && errno == EINTR) {
    }
}

} // namespace ostrevin::test
