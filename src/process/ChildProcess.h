#pragma once

#include "process/PipeAccumulator.h"

#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <sys/types.h>

namespace ostrevin {

struct ChildProcessState;

/// One external tool started as a child process in its own process group, with
/// standard input from /dev/null and its standard output and standard error
/// drained into bounded accumulators by the shared reactor thread.
///
/// The leader stays unreaped until finish() (or the destructor), so that signals
/// sent to the group can never reach a stranger who got a reused identifier.
/// Nothing here blocks without a deadline.
class ChildProcess {
public:
    using Clock = std::chrono::steady_clock;
    enum class Stream { standardOutput, standardError };

    /// Starts the executable (an absolute path) with the arguments. onExit runs
    /// once on the reactor thread when the leader has exited (before it is reaped).
    /// Throws ProcessLaunchError.
    static std::shared_ptr<ChildProcess> launch(const QString& executablePath, const QStringList& arguments,
                                                std::function<void()> onExit = {},
                                                qsizetype byteLimit = PipeAccumulator::defaultByteLimit);

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    /// Runs finish().
    ~ChildProcess();

    pid_t processIdentifier() const { return m_pid; }
    const QString& executablePath() const { return m_executablePath; }
    const QStringList& arguments() const { return m_arguments; }

    /// True until the leader has exited.
    bool isRunning() const;
    /// The exit code of a leader that exited on its own; none while it runs or
    /// when a signal ended it.
    std::optional<int> exitCode() const;
    /// The signal that ended the leader, or 0.
    int terminationSignal() const;
    /// True when the leader exited with status 0.
    bool exitedSuccessfully() const;

    /// Sends sig to the whole process group, but only while the leader is not
    /// yet reaped. Returns false when nothing was sent.
    bool signalGroup(int sig) const;

    /// Waits until the leader has exited or the deadline passes; true when it exited.
    bool waitForExit(Clock::time_point deadline) const;
    /// Like waitForExit, but also returns (false) once wake() was called.
    bool waitForExitOrWake(Clock::time_point deadline) const;
    /// Makes waitForExitOrWake return; sticky, so a wake before the wait counts.
    void wake();

    /// Waits until the stream reached its end (every writer closed it).
    bool waitForStreamEnd(Stream stream, Clock::time_point deadline) const;

    /// Ends the process and its claim on resources: the group gets SIGKILL (the
    /// leader's other members never outlive it), then the pipes are closed; an
    /// exited leader is reaped at once, a running one is reaped by the reactor when
    /// it dies. The exit handler no longer runs after this.
    void finish();

    /// Removes the exit handler; once this returns it is not running and never will.
    void clearExitHandler();

    const PipeAccumulator& standardOutput() const;
    const PipeAccumulator& standardError() const;

private:
    struct Token {};

public:
    ChildProcess(Token, pid_t pid, QString executablePath, QStringList arguments,
                 std::shared_ptr<ChildProcessState> state);

private:
    const pid_t m_pid;
    const QString m_executablePath;
    const QStringList m_arguments;
    const std::shared_ptr<ChildProcessState> m_state;
};

} // namespace ostrevin
