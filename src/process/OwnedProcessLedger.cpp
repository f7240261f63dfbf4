#include "process/OwnedProcessLedger.h"

#include "process/ProcessGroupMembers.h"
#include "process/ProcessStatus.h"

#include <QByteArrayList>
#include <QFile>
#include <cerrno>
#include <csignal>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace ostrevin {

namespace {

constexpr std::chrono::milliseconds pollInterval{20};
const QByteArray bootKey = QByteArrayLiteral("boot");
const QByteArray ownerKey = QByteArrayLiteral("owner");
const QByteArray groupKey = QByteArrayLiteral("group");

QByteArray readSmallFile(const QByteArray& path)
{
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(64 * 1024);
}

QByteArray currentBoot()
{
    return readSmallFile("/proc/sys/kernel/random/boot_id").trimmed();
}

/// The process listed, exited or not, and it runs as this user.
bool isListedProcessOfThisUser(const OwnedProcessLedger::Entry& entry)
{
    const std::optional<ProcessStatus> status = ProcessStatus::of(entry.processIdentifier);
    if (!status || status->startTime != entry.startTime)
        return false;
    // /proc/<pid> belongs to the process's effective user (to root for a set-user-ID program).
    struct stat info {};
    const QByteArray folder = "/proc/" + QByteArray::number(entry.processIdentifier);
    return ::stat(folder.constData(), &info) == 0 && info.st_uid == ::geteuid();
}

bool isRunning(const OwnedProcessLedger::Entry& entry)
{
    const std::optional<ProcessStatus> status = ProcessStatus::of(entry.processIdentifier);
    return status && status->startTime == entry.startTime && !status->hasExited();
}

std::optional<OwnedProcessLedger::Entry> entryOf(const QByteArrayList& fields)
{
    bool pidOk = false;
    bool timeOk = false;
    OwnedProcessLedger::Entry entry;
    entry.processIdentifier = fields.value(1).toInt(&pidOk);
    entry.startTime = fields.value(2).toULongLong(&timeOk);
    if (fields.size() != 3 || !pidOk || !timeOk || entry.processIdentifier <= 1)
        return std::nullopt;
    return entry;
}

/// Waits until no process seen in the groups runs any more, or the deadline passes.
void waitForExits(const std::vector<ProcessGroupMembers>& groups, std::chrono::milliseconds grace)
{
    const auto deadline = std::chrono::steady_clock::now() + grace;
    for (;;) {
        bool anyRunning = false;
        for (const ProcessGroupMembers& group : groups)
            anyRunning = anyRunning || group.anyRunning();
        if (!anyRunning || std::chrono::steady_clock::now() >= deadline)
            return;
        std::this_thread::sleep_for(pollInterval);
    }
}

} // namespace

OwnedProcessLedger::OwnedProcessLedger(QString filePath) : m_filePath(std::move(filePath))
{
}

std::optional<quint64> OwnedProcessLedger::startTimeOf(pid_t processIdentifier)
{
    const std::optional<ProcessStatus> status = ProcessStatus::of(processIdentifier);
    if (!status)
        return std::nullopt;
    return status->startTime;
}

int OwnedProcessLedger::endLeftovers(std::chrono::milliseconds grace) const
{
    const QByteArray path = QFile::encodeName(m_filePath);
    const QByteArray text = readSmallFile(path);
    if (text.isEmpty())
        return 0;
    QByteArray boot;
    std::optional<Entry> owner;
    std::vector<Entry> groups;
    for (const QByteArray& line : text.split('\n')) {
        const QByteArrayList fields = line.simplified().split(' ');
        if (fields.first() == bootKey && fields.size() == 2)
            boot = fields.at(1);
        else if (fields.first() == ownerKey)
            owner = entryOf(fields);
        else if (const std::optional<Entry> group = entryOf(fields); group && fields.first() == groupKey)
            groups.push_back(*group);
    }
    if (owner && isRunning(*owner))
        return 0;
    std::vector<ProcessGroupMembers> ending;
    if (!boot.isEmpty() && boot == currentBoot()) {
        for (const Entry& group : groups) {
            if (!isListedProcessOfThisUser(group))
                continue;
            ProcessGroupMembers members = ProcessGroupMembers::of(group.processIdentifier);
            // The leader, unreaped, kept the ID its group's all the while the members were looked up.
            if (isListedProcessOfThisUser(group))
                ending.push_back(std::move(members));
        }
    }
    for (const ProcessGroupMembers& group : ending)
        group.signalIfStillTheGroupSeen(SIGTERM);
    waitForExits(ending, grace);
    // Always, as at quit: members that ignore SIGTERM go too, also after a leader
    // that obeyed it has been reaped (the user manager that adopted it does so at once).
    for (const ProcessGroupMembers& group : ending)
        group.signalIfStillTheGroupSeen(SIGKILL);
    waitForExits(ending, grace);
    ::unlink(path.constData());
    return static_cast<int>(ending.size());
}

bool OwnedProcessLedger::write(const std::vector<Entry>& groups) const
{
    const QByteArray path = QFile::encodeName(m_filePath);
    if (groups.empty())
        return ::unlink(path.constData()) == 0 || errno == ENOENT;

    const pid_t self = ::getpid();
    QByteArray text = bootKey + ' ' + currentBoot() + '\n';
    text += ownerKey + ' ' + QByteArray::number(self) + ' ' + QByteArray::number(startTimeOf(self).value_or(0)) + '\n';
    for (const Entry& group : groups) {
        text += groupKey + ' ' + QByteArray::number(group.processIdentifier) + ' ' +
                QByteArray::number(group.startTime) + '\n';
    }
    QFile partial(m_filePath + u".part");
    const bool written = partial.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                         partial.write(text) == text.size() && partial.flush();
    partial.close();
    if (!written || ::rename(QFile::encodeName(partial.fileName()).constData(), path.constData()) != 0) {
        partial.remove();
        return false;
    }
    return true;
}

} // namespace ostrevin
