#include "process/OwnedProcessLedger.h"

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

struct ProcessStat {
    char state = '?';
    quint64 startTime = 0;
};

std::optional<ProcessStat> statOf(pid_t pid)
{
    const QByteArray stat = readSmallFile("/proc/" + QByteArray::number(pid) + "/stat");
    // The command name in parentheses may itself hold blanks and parentheses.
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return std::nullopt;
    const QByteArrayList fields = stat.mid(close + 1).simplified().split(' ');
    // From the state (the third field) on; the start time is the 22nd.
    constexpr qsizetype startTimeIndex = 22 - 3;
    if (fields.size() <= startTimeIndex || fields.at(0).isEmpty())
        return std::nullopt;
    bool ok = false;
    const quint64 startTime = fields.at(startTimeIndex).toULongLong(&ok);
    if (!ok)
        return std::nullopt;
    return ProcessStat{fields.at(0).at(0), startTime};
}

bool hasExited(char state)
{
    return state == 'Z' || state == 'X';
}

/// The process listed, exited or not, and it runs as this user.
bool isListedProcessOfThisUser(const OwnedProcessLedger::Entry& entry)
{
    const std::optional<ProcessStat> stat = statOf(entry.processIdentifier);
    if (!stat || stat->startTime != entry.startTime)
        return false;
    // /proc/<pid> belongs to the process's effective user (to root for a set-user-ID program).
    struct stat info {};
    const QByteArray folder = "/proc/" + QByteArray::number(entry.processIdentifier);
    return ::stat(folder.constData(), &info) == 0 && info.st_uid == ::geteuid();
}

bool isRunning(const OwnedProcessLedger::Entry& entry)
{
    const std::optional<ProcessStat> stat = statOf(entry.processIdentifier);
    return stat && stat->startTime == entry.startTime && !hasExited(stat->state);
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

/// Waits until none of the leaders runs any more, or the deadline passes.
void waitForExits(const std::vector<OwnedProcessLedger::Entry>& leaders, std::chrono::milliseconds grace)
{
    const auto deadline = std::chrono::steady_clock::now() + grace;
    for (;;) {
        bool anyRunning = false;
        for (const OwnedProcessLedger::Entry& leader : leaders)
            anyRunning = anyRunning || isRunning(leader);
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
    const std::optional<ProcessStat> stat = statOf(processIdentifier);
    if (!stat)
        return std::nullopt;
    return stat->startTime;
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
    std::vector<Entry> leaders;
    if (!boot.isEmpty() && boot == currentBoot()) {
        for (const Entry& group : groups) {
            if (isListedProcessOfThisUser(group))
                leaders.push_back(group);
        }
    }
    for (const Entry& leader : leaders)
        ::killpg(leader.processIdentifier, SIGTERM);
    waitForExits(leaders, grace);
    // Always, as at quit: members that ignore SIGTERM go too. A leader that exited
    // stays in /proc until something reaps it, and until then its ID is the group's.
    for (const Entry& leader : leaders) {
        if (isListedProcessOfThisUser(leader))
            ::killpg(leader.processIdentifier, SIGKILL);
    }
    waitForExits(leaders, grace);
    ::unlink(path.constData());
    return static_cast<int>(leaders.size());
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
