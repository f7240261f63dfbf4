#include "runtime/InstallerTool.h"

#include "process/OwnedProcessRegistry.h"
#include "process/ProcessGroupMembers.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <memory>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace ostrevin {

namespace {

/// The groups asked to end whose SIGKILL is still to come; touched on the tools' thread only.
std::vector<std::shared_ptr<const ProcessGroupMembers>>& groupsStillEnding()
{
    // Never destroyed: a timer may still name an entry while static objects go at exit.
    static auto* const groups = new std::vector<std::shared_ptr<const ProcessGroupMembers>>;
    return *groups;
}

void endStillEnding(const std::shared_ptr<const ProcessGroupMembers>& group)
{
    std::vector<std::shared_ptr<const ProcessGroupMembers>>& groups = groupsStillEnding();
    const auto found = std::find(groups.begin(), groups.end(), group);
    if (found == groups.end())
        return; // already ended at a quit
    groups.erase(found);
    group->signalIfStillTheGroupSeen(SIGKILL);
}

} // namespace

QStringList splitAtLineBreaks(const QString& text)
{
    static const QRegularExpression breaks(QStringLiteral("[\\n\\v\\f\\r\\x{0085}\\x{2028}\\x{2029}]"));
    return text.split(breaks, Qt::SkipEmptyParts);
}

InstallerTool::InstallerTool(QString executable, QStringList arguments, const QHash<QString, QString>& environment,
                             const QStringList& removedVariablePrefixes, QObject* parent)
    : QObject(parent), m_executable(std::move(executable))
{
    m_process.setProgram(m_executable);
    m_process.setArguments(arguments);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& name : env.keys()) {
        for (const QString& prefix : removedVariablePrefixes) {
            if (name.startsWith(prefix))
                env.remove(name);
        }
    }
    for (auto it = environment.cbegin(); it != environment.cend(); ++it)
        env.insert(it.key(), it.value());
    m_process.setProcessEnvironment(env);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardInputFile(QProcess::nullDevice());
    // Runs in the child between fork and exec: only async-signal-safe calls.
    m_process.setChildProcessModifier([] { ::setpgid(0, 0); });

    connect(&m_process, &QProcess::readyReadStandardOutput, this, [this] { readOutput(Lines::toHandler); });
    connect(&m_process, &QProcess::finished, this, [this] {
        readOutput(Lines::keepOnly);
        markEnded();
    });
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        m_failedToStart = true;
        markEnded();
    });
}

InstallerTool::~InstallerTool()
{
    // Only reached with a running tool when its owner is torn down mid-run; the
    // group goes with it rather than running on unobserved.
    if (m_process.state() != QProcess::NotRunning && m_pid > 0) {
        if (::kill(-static_cast<pid_t>(m_pid), SIGKILL) != 0)
            ::kill(static_cast<pid_t>(m_pid), SIGKILL);
        m_process.waitForFinished(5000);
    }
    unlistGroup();
}

void InstallerTool::setLineHandler(std::function<void(const QStringList&)> handler)
{
    m_lineHandler = std::move(handler);
}

void InstallerTool::setWorkingDirectory(const QString& folder)
{
    m_process.setWorkingDirectory(folder);
}

void InstallerTool::start()
{
    m_process.start();
    m_pid = m_process.processId();
    // The child puts itself into its own group before exec; doing it here too
    // closes the window in which a terminate request could find no group yet.
    if (m_pid > 0) {
        ::setpgid(static_cast<pid_t>(m_pid), static_cast<pid_t>(m_pid));
        // A run killed outright never cancels: pip would go on writing into a
        // staging folder that the next start deletes.
        OwnedProcessRegistry::shared().listGroup(static_cast<pid_t>(m_pid));
        m_listed = true;
    }
}

void InstallerTool::terminate(std::chrono::milliseconds grace)
{
    if (m_pid <= 0 || m_process.state() == QProcess::NotRunning)
        return;
    // Seen while the tool is unreaped and the group ID surely its own: once the
    // tool has obeyed and been reaped, what it started and that ignores SIGTERM
    // (pip's build back-end) is still found through them.
    auto group = std::make_shared<const ProcessGroupMembers>(ProcessGroupMembers::of(static_cast<pid_t>(m_pid)));
    signalGroup(SIGTERM);
    // Not tied to this object: a cancelled installation drops the tool as soon as it has exited.
    groupsStillEnding().push_back(group);
    QTimer::singleShot(grace, QCoreApplication::instance(), [group] { endStillEnding(group); });
}

void InstallerTool::endGroupsStillEnding()
{
    std::vector<std::shared_ptr<const ProcessGroupMembers>> groups;
    groups.swap(groupsStillEnding());
    for (const std::shared_ptr<const ProcessGroupMembers>& group : groups)
        group->signalIfStillTheGroupSeen(SIGKILL);
}

void InstallerTool::kill()
{
    signalGroup(SIGKILL);
}

void InstallerTool::endWithin(std::chrono::milliseconds grace)
{
    if (m_pid <= 0 || m_process.state() == QProcess::NotRunning)
        return;
    signalGroup(SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + grace;
    while (!leaderHasExited() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    // Always: members that ignore SIGTERM, or outlive their leader, go too.
    signalGroup(SIGKILL);
    m_process.waitForFinished(5000);
}

bool InstallerTool::leaderHasExited() const
{
    siginfo_t info{};
    // __WALL: found however Qt started it (it may use clone()).
    if (::waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOHANG | WNOWAIT | __WALL) != 0)
        return true; // Already reaped elsewhere: nothing left to wait for.
    return info.si_pid != 0;
}

void InstallerTool::signalGroup(int signal)
{
    // While the state is not NotRunning the leader has not been reaped, so its
    // process ID (and group ID) cannot have been reused.
    if (m_pid <= 0 || m_process.state() == QProcess::NotRunning)
        return;
    if (::kill(-static_cast<pid_t>(m_pid), signal) != 0 && errno == ESRCH)
        ::kill(static_cast<pid_t>(m_pid), signal);
}

bool InstallerTool::succeeded() const
{
    return m_ended && !m_failedToStart && m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}

QString InstallerTool::toolName() const
{
    return QFileInfo(m_executable).fileName();
}

QString InstallerTool::output() const
{
    return QString::fromUtf8(m_output);
}

void InstallerTool::readOutput(Lines delivery)
{
    const QByteArray chunk = m_process.readAllStandardOutput();
    if (chunk.isEmpty())
        return;
    m_output += chunk;
    if (delivery == Lines::keepOnly || !m_lineHandler)
        return;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(chunk);
    if (decoder.hasError())
        return;
    const QStringList lines = splitAtLineBreaks(text);
    if (!lines.isEmpty())
        m_lineHandler(lines);
}

void InstallerTool::markEnded()
{
    if (m_ended)
        return;
    m_ended = true;
    unlistGroup();
    emit ended();
}

void InstallerTool::unlistGroup()
{
    if (!m_listed)
        return;
    m_listed = false;
    OwnedProcessRegistry::shared().unlistGroup(static_cast<pid_t>(m_pid));
}

} // namespace ostrevin
