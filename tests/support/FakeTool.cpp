#include "support/FakeTool.h"

#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <unistd.h>

namespace ostrevin::test {

namespace {

std::optional<pid_t> readPid(const QString& file)
{
    bool ok = false;
    const int pid = readFile(file).trimmed().toInt(&ok);
    return ok && pid > 0 ? std::optional<pid_t>(pid) : std::nullopt;
}

/// Fields of /proc/PID/stat after the command name: state, parent, group.
struct ProcStat {
    char state = '?';
    pid_t parent = 0;
    pid_t group = 0;
};

std::optional<ProcStat> procStat(const QString& pidName)
{
    const QByteArray stat = readFile(QStringLiteral("/proc/") + pidName + QStringLiteral("/stat"));
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return std::nullopt;
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    if (fields.size() < 3)
        return std::nullopt;
    return ProcStat{fields[0].isEmpty() ? '?' : fields[0][0], fields[1].toInt(), fields[2].toInt()};
}

template <typename Predicate> QList<pid_t> processesWhere(Predicate predicate)
{
    QList<pid_t> found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool ok = false;
        const pid_t pid = entry.toInt(&ok);
        if (!ok)
            continue;
        if (const auto stat = procStat(entry); stat && predicate(*stat))
            found << pid;
    }
    return found;
}

} // namespace

FakeTool::FakeTool(const QString& folder, const QString& name) : m_path(QDir(folder).filePath(name))
{
}

QByteArray FakeTool::shellWord(const QByteArray& bytes)
{
    QByteArray quoted = bytes;
    quoted.replace('\'', "'\\''");
    return '\'' + quoted + '\'';
}

FakeTool& FakeTool::printsToStandardOutput(const QByteArray& bytes)
{
    m_body += "printf '%s' " + shellWord(bytes) + '\n';
    return *this;
}

FakeTool& FakeTool::printsToStandardError(const QByteArray& bytes)
{
    m_body += "printf '%s' " + shellWord(bytes) + " >&2\n";
    return *this;
}

FakeTool& FakeTool::floods(qint64 standardOutputBytes, qint64 standardErrorBytes)
{
    m_body += "head -c " + QByteArray::number(standardOutputBytes) + " /dev/zero | tr '\\000' o &\n";
    m_body += "head -c " + QByteArray::number(standardErrorBytes) + " /dev/zero | tr '\\000' e >&2 &\n";
    m_body += "wait\n";
    return *this;
}

FakeTool& FakeTool::sleeps(double seconds)
{
    m_body += "sleep " + QByteArray::number(seconds, 'f', 3) + '\n';
    return *this;
}

FakeTool& FakeTool::ignoresSigterm()
{
    m_ignoresSigterm = true;
    return *this;
}

FakeTool& FakeTool::leavesGrandchildHoldingOutput(double seconds)
{
    m_body += "sleep " + QByteArray::number(seconds, 'f', 3) + " &\n";
    m_body += pidLine("$!", grandchildPidFile());
    return *this;
}

FakeTool& FakeTool::leavesDetachedGrandchild(double seconds, bool ignoringSigterm)
{
    const QByteArray trap = ignoringSigterm ? "trap '' TERM; " : "";
    m_body += "(" + trap + "exec sleep " + QByteArray::number(seconds, 'f', 3) + ") </dev/null >/dev/null 2>&1 &\n";
    m_body += pidLine("$!", grandchildPidFile());
    return *this;
}

FakeTool& FakeTool::writesPidFile()
{
    m_body += pidLine("$$", pidFile());
    return *this;
}

QByteArray FakeTool::pidLine(const QByteArray& pid, const QString& file)
{
    // Written beside and renamed: a reader never sees an empty or half file.
    const QByteArray target = shellWord(QFile::encodeName(file));
    const QByteArray partial = shellWord(QFile::encodeName(file + QStringLiteral(".partial")));
    return "echo " + pid + " > " + partial + " && mv -f " + partial + ' ' + target + '\n';
}

FakeTool& FakeTool::runs(const QString& shellLines)
{
    m_body += shellLines.toUtf8() + '\n';
    return *this;
}

FakeTool& FakeTool::exitsWith(int code)
{
    m_exitCode = code;
    return *this;
}

QString FakeTool::write()
{
    QByteArray script = "#!/bin/sh\n";
    if (m_ignoresSigterm)
        script += "trap '' TERM\n";
    // One record per call: the arguments, each ended by NUL, then a record separator.
    script += "{ for a in \"$@\"; do printf '%s\\0' \"$a\"; done; printf '\\036'; } >> " +
              shellWord(QFile::encodeName(callsFile())) + '\n';
    script += m_body;
    script += "exit " + QByteArray::number(m_exitCode) + '\n';
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(script) != script.size())
        return {};
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup);
    return m_path;
}

QList<QStringList> FakeTool::recordedCalls() const
{
    QList<QStringList> calls;
    const QList<QByteArray> records = readFile(callsFile()).split('\036');
    for (qsizetype i = 0; i + 1 < records.size(); ++i) {
        QStringList arguments;
        QList<QByteArray> parts = records[i].split('\0');
        parts.removeLast(); // after the last NUL
        for (const QByteArray& part : parts)
            arguments << QString::fromUtf8(part);
        calls << arguments;
    }
    return calls;
}

QStringList FakeTool::lastArguments() const
{
    const QList<QStringList> calls = recordedCalls();
    return calls.isEmpty() ? QStringList() : calls.last();
}

std::optional<pid_t> FakeTool::recordedPid() const
{
    return readPid(pidFile());
}

std::optional<pid_t> FakeTool::recordedGrandchildPid() const
{
    return readPid(grandchildPidFile());
}

QList<pid_t> liveProcessesInGroup(pid_t group)
{
    return processesWhere([group](const ProcStat& stat) { return stat.group == group && stat.state != 'Z'; });
}

QList<pid_t> childrenOfThisProcess()
{
    const pid_t self = getpid();
    return processesWhere([self](const ProcStat& stat) { return stat.parent == self; });
}

int openDescriptorCount()
{
    return static_cast<int>(
        QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
}

} // namespace ostrevin::test
