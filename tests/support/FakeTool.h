#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <sys/types.h>

namespace ostrevin::test {

/// Builds a stand-in for an external tool: a small /bin/sh script written into a
/// test's temporary folder. Every call records its arguments; the steps added
/// below then run in the order they were added, and the script exits with the
/// chosen code. Example:
///
///     FakeTool tool(dir.path(), QStringLiteral("idevice_id"));
///     tool.printsToStandardOutput("00008101-0001\n").exitsWith(0);
///     const QString path = tool.write();
///     ... run path ...
///     EXPECT_EQ(tool.lastArguments(), QStringList{QStringLiteral("-l")});
///
/// For behaviour that depends on the arguments, add raw shell with runs().
class FakeTool {
public:
    FakeTool(const QString& folder, const QString& name);

    FakeTool& printsToStandardOutput(const QByteArray& bytes);
    FakeTool& printsToStandardError(const QByteArray& bytes);
    /// Writes bytes to both streams at the same time (from two background jobs).
    FakeTool& floods(qint64 standardOutputBytes, qint64 standardErrorBytes);
    FakeTool& sleeps(double seconds);
    /// The script and what it starts ignore SIGTERM from its first line, wherever
    /// this is called: a test that signals once the pid file appears must never
    /// catch the script before its trap.
    FakeTool& ignoresSigterm();
    /// Starts a background sleep that inherits both output pipes and outlives the
    /// script; its process identifier goes to grandchildPidFile().
    FakeTool& leavesGrandchildHoldingOutput(double seconds);
    /// Starts a background sleep that holds none of our pipes (so nothing but the
    /// group kill ends it), optionally ignoring SIGTERM; its process identifier
    /// goes to grandchildPidFile().
    FakeTool& leavesDetachedGrandchild(double seconds, bool ignoringSigterm);
    /// Writes the script's own process identifier to pidFile().
    FakeTool& writesPidFile();
    /// Appends raw /bin/sh lines (the arguments are "$@").
    FakeTool& runs(const QString& shellLines);
    FakeTool& exitsWith(int code);

    /// Writes the executable script and returns its path.
    QString write();

    QString path() const { return m_path; }
    QString pidFile() const { return m_path + QStringLiteral(".pid"); }
    QString grandchildPidFile() const { return m_path + QStringLiteral(".grandchild"); }
    QString callsFile() const { return m_path + QStringLiteral(".calls"); }

    /// The arguments of every call so far, oldest first.
    QList<QStringList> recordedCalls() const;
    QStringList lastArguments() const;
    /// The identifier written by writesPidFile() / leavesGrandchildHoldingOutput().
    std::optional<pid_t> recordedPid() const;
    std::optional<pid_t> recordedGrandchildPid() const;

    /// A byte string quoted as one /bin/sh word.
    static QByteArray shellWord(const QByteArray& bytes);

private:
    /// A shell line that writes the identifier to the file by renaming.
    static QByteArray pidLine(const QByteArray& pid, const QString& file);

    QString m_path;
    QByteArray m_body;
    bool m_ignoresSigterm = false;
    int m_exitCode = 0;
};

/// Identifiers of live (not zombie) processes in the process group.
QList<pid_t> liveProcessesInGroup(pid_t group);
/// Identifiers of this process's children, zombies included.
QList<pid_t> childrenOfThisProcess();
/// The number of open descriptors of this process.
int openDescriptorCount();

} // namespace ostrevin::test
