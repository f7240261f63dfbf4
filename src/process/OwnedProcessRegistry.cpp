#include "process/OwnedProcessRegistry.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <chrono>
#include <csignal>

namespace ostrevin {

namespace {

Q_LOGGING_CATEGORY(lcProcess, "ostrevin.process")

constexpr std::chrono::milliseconds quitGrace{800};

QString standardizedPath(const QString& path)
{
    return QFileInfo(path).absoluteFilePath();
}

} // namespace

bool OwnedProcessRegistry::Record::stillMatchesConfiguredCommand() const
{
    if (!process || process->processIdentifier() != processIdentifier)
        return false;
    if (process->executablePath().isEmpty() ||
        standardizedPath(process->executablePath()) != standardizedPath(executableURL))
        return false;
    return process->arguments() == arguments;
}

OwnedProcessRegistry& OwnedProcessRegistry::shared()
{
    // Never destroyed, like the reactor whose thread calls it when a child
    // ends: that may happen while static objects are destroyed at exit.
    static OwnedProcessRegistry* const registry = new OwnedProcessRegistry;
    return *registry;
}

void OwnedProcessRegistry::registerProcess(const std::shared_ptr<ChildProcess>& process, OwnedProcessPurpose purpose)
{
    const pid_t pid = process->processIdentifier();
    Record record{process,
                  pid,
                  process->executablePath(),
                  process->arguments(),
                  purpose,
                  OwnedProcessLedger::startTimeOf(pid).value_or(0)};
    {
        std::lock_guard guard(m_lock);
        m_records.insert_or_assign(pid, std::move(record));
    }
    updateLedger();
}

void OwnedProcessRegistry::unregister(const ChildProcess* process)
{
    std::shared_ptr<ChildProcess> removed; // released after the lock
    {
        std::lock_guard guard(m_lock);
        const auto found = m_records.find(process->processIdentifier());
        if (found != m_records.end() && found->second.process.get() == process) {
            removed = std::move(found->second.process);
            m_records.erase(found);
        }
    }
    if (removed)
        updateLedger();
}

void OwnedProcessRegistry::listGroup(pid_t leader)
{
    const quint64 startTime = OwnedProcessLedger::startTimeOf(leader).value_or(0);
    {
        std::lock_guard guard(m_lock);
        m_listedGroups.insert_or_assign(leader, startTime);
    }
    updateLedger();
}

void OwnedProcessRegistry::unlistGroup(pid_t leader)
{
    {
        std::lock_guard guard(m_lock);
        if (m_listedGroups.erase(leader) == 0)
            return;
    }
    updateLedger();
}

void OwnedProcessRegistry::terminateAllOwnedProcesses()
{
    std::map<pid_t, Record> taken;
    {
        std::lock_guard guard(m_lock);
        taken.swap(m_records);
    }
    for (const auto& [pid, record] : taken) {
        if (!record.stillMatchesConfiguredCommand())
            continue;
        if (record.process->isRunning()) {
            record.process->signalGroup(SIGTERM);
            if (!record.process->waitForExit(ChildProcess::Clock::now() + quitGrace)) {
                record.process->signalGroup(SIGKILL);
                record.process->waitForExit(ChildProcess::Clock::now() + quitGrace);
            }
        }
        // A member that ignored the SIGTERM outlives a leader that obeyed it (or
        // one that ended by itself); the leader is still unreaped, so the group is
        // still this tool's.
        record.process->signalGroup(SIGKILL);
    }
    // Only now: a run that crashes while it ends its tools still finds them at the next start.
    updateLedger();
}

int OwnedProcessRegistry::takeOverLedger(const QString& filePath)
{
    OwnedProcessLedger ledger(filePath);
    const int ended = ledger.endLeftovers(quitGrace);
    {
        std::lock_guard guard(m_ledgerLock);
        m_ledger = std::move(ledger);
        m_ledgerFailed = false;
    }
    updateLedger();
    return ended;
}

void OwnedProcessRegistry::releaseLedger()
{
    std::lock_guard guard(m_ledgerLock);
    m_ledger.reset();
}

void OwnedProcessRegistry::updateLedger()
{
    std::lock_guard ledgerGuard(m_ledgerLock);
    if (!m_ledger)
        return;
    std::vector<OwnedProcessLedger::Entry> groups;
    {
        std::lock_guard guard(m_lock);
        for (const auto& [pid, record] : m_records)
            groups.push_back({pid, record.startTime});
        for (const auto& [pid, startTime] : m_listedGroups)
            groups.push_back({pid, startTime});
    }
    // Taken after the change it follows: whichever write comes last lists the table as it ends up.
    const bool written = m_ledger->write(groups);
    if (!written && !m_ledgerFailed)
        qCWarning(lcProcess) << "cannot keep the list of running tools in" << m_ledger->filePath();
    m_ledgerFailed = !written;
}

std::vector<OwnedProcessRegistry::Record> OwnedProcessRegistry::records() const
{
    std::lock_guard guard(m_lock);
    std::vector<Record> list;
    for (const auto& [pid, record] : m_records)
        list.push_back(record);
    return list;
}

std::optional<OwnedProcessRegistry::Record> OwnedProcessRegistry::record(pid_t processIdentifier) const
{
    std::lock_guard guard(m_lock);
    const auto found = m_records.find(processIdentifier);
    if (found == m_records.end())
        return std::nullopt;
    return found->second;
}

} // namespace ostrevin
