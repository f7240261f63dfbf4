#include "process/ProcessReactor.h"

#include <cerrno>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ostrevin {

namespace {

constexpr int exitWatch = 2;
constexpr std::uint64_t stopId = 0;
constexpr qsizetype readSize = 65'536;
// Reads per wake-up for one stream, so that one flooding tool cannot starve
// the others; level-triggered epoll brings us back for the rest.
constexpr int readsPerEvent = 16;

} // namespace

ChildProcessState::ChildProcessState(pid_t processId, int processFd, int outFd, int errFd, qsizetype byteLimit)
    : pid(processId), pidfd(processFd), fds{outFd, errFd}, output(byteLimit), error(byteLimit)
{
}

ProcessReactor& ProcessReactor::instance()
{
    // Never destroyed: children may outlive every other static object, and
    // the thread must keep reaping them until the process ends.
    static ProcessReactor* reactor = new ProcessReactor;
    return *reactor;
}

ProcessReactor::ProcessReactor()
    : m_epoll(epoll_create1(EPOLL_CLOEXEC)), m_wakeFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = stopId;
    epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_wakeFd, &event);
    m_thread = std::thread([this] { run(); });
}

ProcessReactor::~ProcessReactor()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = write(m_wakeFd, &one, sizeof one);
    m_thread.join();
    close(m_wakeFd);
    close(m_epoll);
}

void ProcessReactor::watch(const std::shared_ptr<ChildProcessState>& state)
{
    std::lock_guard stateGuard(state->mutex);
    std::lock_guard guard(m_mutex);
    const int fds[3] = {state->fds[0], state->fds[1], state->pidfd};
    for (int kind = 0; kind < 3; ++kind) {
        const std::uint64_t id = m_nextId++;
        state->watchIds[kind] = id;
        m_watches.emplace(id, std::make_pair(state, kind));
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.u64 = id;
        epoll_ctl(m_epoll, EPOLL_CTL_ADD, fds[kind], &event);
    }
}

void ProcessReactor::forget(std::uint64_t id)
{
    std::lock_guard guard(m_mutex);
    m_watches.erase(id);
}

void ProcessReactor::closeStreamLocked(ChildProcessState& state, int stream)
{
    int& fd = state.fds[stream];
    if (fd < 0)
        return;
    epoll_ctl(m_epoll, EPOLL_CTL_DEL, fd, nullptr);
    close(fd);
    fd = -1;
    forget(state.watchIds[stream]);
    state.changed.notify_all();
}

void ProcessReactor::reapLocked(ChildProcessState& state)
{
    if (state.reaped)
        return;
    siginfo_t info{};
    while (waitid(static_cast<idtype_t>(P_PIDFD), static_cast<id_t>(state.pidfd), &info, WEXITED) < 0 &&
           errno == EINTR) {
    }
    close(state.pidfd);
    state.pidfd = -1;
    state.reaped = true;
    state.changed.notify_all();
}

void ProcessReactor::run()
{
    epoll_event events[64];
    for (;;) {
        const int count = epoll_wait(m_epoll, events, 64, -1);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        for (int i = 0; i < count; ++i) {
            const std::uint64_t id = events[i].data.u64;
            if (id == stopId)
                return;
            std::shared_ptr<ChildProcessState> state;
            int kind = 0;
            {
                std::lock_guard guard(m_mutex);
                const auto found = m_watches.find(id);
                if (found == m_watches.end())
                    continue; // closed by its owner after epoll reported it
                state = found->second.first;
                kind = found->second.second;
            }
            if (kind == exitWatch)
                handleExit(state);
            else
                handleStream(state, kind);
        }
    }
}

void ProcessReactor::handleStream(const std::shared_ptr<ChildProcessState>& state, int stream)
{
    static char buffer[readSize];
    std::lock_guard guard(state->mutex);
    PipeAccumulator& accumulator = stream == 0 ? state->output : state->error;
    for (int i = 0; i < readsPerEvent; ++i) {
        const int fd = state->fds[stream];
        if (fd < 0)
            return;
        const ssize_t got = read(fd, buffer, readSize);
        if (got > 0) {
            accumulator.append(QByteArrayView(buffer, got));
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        // End of stream, or a read error, which ends the stream just the same.
        closeStreamLocked(*state, stream);
        return;
    }
}

void ProcessReactor::handleExit(const std::shared_ptr<ChildProcessState>& state)
{
    {
        std::lock_guard guard(state->mutex);
        if (state->exited || state->reaped)
            return;
        siginfo_t info{};
        // WNOWAIT: learn that the leader exited but keep it unreaped, so its
        // identifier (and its group's) stays ours until the owner is done.
        const int result =
            waitid(static_cast<idtype_t>(P_PIDFD), static_cast<id_t>(state->pidfd), &info, WEXITED | WNOWAIT | WNOHANG);
        if (result == 0 && info.si_pid == 0)
            return; // not yet
        state->exited = true;
        if (result == 0 && info.si_code == CLD_EXITED)
            state->exitCode = info.si_status;
        else if (result == 0)
            state->terminationSignal = info.si_status;
        epoll_ctl(m_epoll, EPOLL_CTL_DEL, state->pidfd, nullptr);
        forget(state->watchIds[exitWatch]);
        if (state->reapWhenExited)
            reapLocked(*state);
        state->changed.notify_all();
    }
    std::lock_guard handlerGuard(state->handlerMutex);
    if (state->onExit) {
        const auto handler = state->onExit;
        handler();
    }
}

} // namespace ostrevin
