#include "process/ChildProcess.h"

#include "process/ProcessLaunchError.h"
#include "process/ProcessReactor.h"

#include <QFile>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace ostrevin {

namespace {

// glibc 2.36 declares pidfd_open without C linkage for C++; call the kernel directly.
int openPidfd(pid_t pid)
{
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
}

void closeBoth(int pipeFds[2])
{
    for (int i = 0; i < 2; ++i) {
        if (pipeFds[i] >= 0)
            close(pipeFds[i]);
        pipeFds[i] = -1;
    }
}

/// The spawn settings that make a child independent of us: its own process
/// group (so we can signal it and its descendants as one), default signal
/// dispositions and an empty mask (whatever this process ignores or blocks),
/// /dev/null as standard input (a tool that reads a terminal would otherwise be
/// stopped), and no descriptor but the three standard ones.
class SpawnSettings {
public:
    SpawnSettings(int outWrite, int errWrite)
    {
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, outWrite, STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, errWrite, STDERR_FILENO);
        posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);

        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
        posix_spawnattr_setpgroup(&attributes, 0);
        sigset_t all;
        sigfillset(&all);
        posix_spawnattr_setsigdefault(&attributes, &all);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attributes, &none);
    }
    ~SpawnSettings()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

} // namespace

std::shared_ptr<ChildProcess> ChildProcess::launch(const QString& executablePath, const QStringList& arguments,
                                                   std::function<void()> onExit, qsizetype byteLimit)
{
    int outPipe[2] = {-1, -1};
    int errPipe[2] = {-1, -1};
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) {
        const int error = errno;
        closeBoth(outPipe);
        closeBoth(errPipe);
        throw ProcessLaunchError(executablePath, error);
    }

    std::vector<QByteArray> encoded;
    encoded.reserve(static_cast<std::size_t>(arguments.size()) + 1);
    encoded.push_back(QFile::encodeName(executablePath));
    for (const QString& argument : arguments)
        encoded.push_back(argument.toUtf8());
    std::vector<char*> argv;
    argv.reserve(encoded.size() + 1);
    for (QByteArray& item : encoded)
        argv.push_back(item.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    int spawnResult = 0;
    {
        SpawnSettings settings(outPipe[1], errPipe[1]);
        // A script written moments ago (the runtime's launcher, a tool written by
        // another thread) stays "busy" while any child forked in between still
        // holds its write descriptor; that ends at the child's exec, so retry briefly.
        for (int attempt = 0;; ++attempt) {
            spawnResult =
                posix_spawn(&pid, argv.front(), &settings.actions, &settings.attributes, argv.data(), environ);
            if (spawnResult != ETXTBSY || attempt == 50)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    close(outPipe[1]);
    close(errPipe[1]);
    if (spawnResult != 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        throw ProcessLaunchError(executablePath, spawnResult);
    }

    const int pidfd = openPidfd(pid);
    if (pidfd < 0) {
        const int error = errno;
        // Still our unreaped child, so the group is still its own.
        killpg(pid, SIGKILL);
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        close(outPipe[0]);
        close(errPipe[0]);
        throw ProcessLaunchError(executablePath, error);
    }
    for (const int fd : {outPipe[0], errPipe[0]})
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);

    auto state = std::make_shared<ChildProcessState>(pid, pidfd, outPipe[0], errPipe[0], byteLimit);
    state->onExit = std::move(onExit);
    auto child = std::make_shared<ChildProcess>(Token{}, pid, executablePath, arguments, state);
    ProcessReactor::instance().watch(state);
    return child;
}

ChildProcess::ChildProcess(Token, pid_t pid, QString executablePath, QStringList arguments,
                           std::shared_ptr<ChildProcessState> state)
    : m_pid(pid), m_executablePath(std::move(executablePath)), m_arguments(std::move(arguments)),
      m_state(std::move(state))
{
}

ChildProcess::~ChildProcess()
{
    finish();
}

bool ChildProcess::isRunning() const
{
    std::lock_guard guard(m_state->mutex);
    return !m_state->exited;
}

std::optional<int> ChildProcess::exitCode() const
{
    std::lock_guard guard(m_state->mutex);
    if (!m_state->exited || m_state->exitCode < 0)
        return std::nullopt;
    return m_state->exitCode;
}

int ChildProcess::terminationSignal() const
{
    std::lock_guard guard(m_state->mutex);
    return m_state->terminationSignal;
}

bool ChildProcess::exitedSuccessfully() const
{
    return exitCode() == 0;
}

bool ChildProcess::signalGroup(int sig) const
{
    std::lock_guard guard(m_state->mutex);
    if (m_state->reaped)
        return false;
    return killpg(m_pid, sig) == 0;
}

bool ChildProcess::waitForExit(Clock::time_point deadline) const
{
    std::unique_lock lock(m_state->mutex);
    return m_state->changed.wait_until(lock, deadline, [this] { return m_state->exited; });
}

bool ChildProcess::waitForExitOrWake(Clock::time_point deadline) const
{
    std::unique_lock lock(m_state->mutex);
    m_state->changed.wait_until(lock, deadline, [this] { return m_state->exited || m_state->woken; });
    return m_state->exited;
}

void ChildProcess::wake()
{
    std::lock_guard guard(m_state->mutex);
    m_state->woken = true;
    m_state->changed.notify_all();
}

bool ChildProcess::waitForStreamEnd(Stream stream, Clock::time_point deadline) const
{
    const int index = stream == Stream::standardOutput ? 0 : 1;
    std::unique_lock lock(m_state->mutex);
    return m_state->changed.wait_until(lock, deadline, [this, index] { return m_state->fds[index] < 0; });
}

void ChildProcess::clearExitHandler()
{
    std::lock_guard guard(m_state->handlerMutex);
    m_state->onExit = nullptr;
}

void ChildProcess::finish()
{
    clearExitHandler();
    ProcessReactor& reactor = ProcessReactor::instance();
    std::lock_guard guard(m_state->mutex);
    // The group ends with its leader, always: a member that still holds our
    // pipes would keep them open forever, and one that closed them (or ignored
    // the SIGTERM that ended the leader) would outlive the tool. The leader is
    // not reaped yet, so the group is still ours to signal.
    if (!m_state->reaped)
        killpg(m_pid, SIGKILL);
    reactor.closeStreamLocked(*m_state, 0);
    reactor.closeStreamLocked(*m_state, 1);
    if (m_state->exited)
        reactor.reapLocked(*m_state);
    else
        m_state->reapWhenExited = true;
}

const PipeAccumulator& ChildProcess::standardOutput() const
{
    return m_state->output;
}

const PipeAccumulator& ChildProcess::standardError() const
{
    return m_state->error;
}

} // namespace ostrevin
