#pragma once

#include "process/PipeAccumulator.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <sys/types.h>
#include <thread>
#include <unordered_map>

namespace ostrevin {

/// What the reactor thread and the owner of one child share. Fields other than
/// the accumulators and the exit handler are guarded by mutex.
struct ChildProcessState {
    ChildProcessState(pid_t pid, int pidfd, int outFd, int errFd, qsizetype byteLimit);

    std::mutex mutex;
    std::condition_variable changed;
    const pid_t pid;
    int pidfd;
    int fds[2];                            // standard output, standard error; -1 once closed
    std::uint64_t watchIds[3] = {0, 0, 0}; // the two streams and the exit
    bool exited = false;
    bool reaped = false;
    bool woken = false;
    bool reapWhenExited = false; // the owner is gone: the reactor reaps
    int exitCode = -1;
    int terminationSignal = 0;

    PipeAccumulator output;
    PipeAccumulator error;

    std::recursive_mutex handlerMutex; // held while the exit handler runs (which may drop the last owner)
    std::function<void()> onExit;
};

/// The one thread that drains every child's pipes and learns of every child's
/// exit: an epoll set over the pipes, the pidfds and an eventfd (to stop it).
/// It never reaps a leader whose owner still lives (see ChildProcess).
class ProcessReactor {
public:
    static ProcessReactor& instance();

    ProcessReactor(const ProcessReactor&) = delete;
    ProcessReactor& operator=(const ProcessReactor&) = delete;
    ~ProcessReactor();

    /// Starts watching the child's pipes and its exit.
    void watch(const std::shared_ptr<ChildProcessState>& state);
    /// With state.mutex held: stops watching the stream and closes it.
    void closeStreamLocked(ChildProcessState& state, int stream);
    /// With state.mutex held: reaps the exited leader and closes its pidfd.
    void reapLocked(ChildProcessState& state);

private:
    ProcessReactor();
    void run();
    void handleStream(const std::shared_ptr<ChildProcessState>& state, int stream);
    void handleExit(const std::shared_ptr<ChildProcessState>& state);
    void forget(std::uint64_t id);

    int m_epoll = -1;
    int m_wakeFd = -1;
    std::mutex m_mutex; // guards m_watches and m_nextId
    std::unordered_map<std::uint64_t, std::pair<std::shared_ptr<ChildProcessState>, int>> m_watches;
    std::uint64_t m_nextId = 1;
    std::thread m_thread;
};

} // namespace ostrevin
