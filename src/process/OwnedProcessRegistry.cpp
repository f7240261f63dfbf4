#include "process/OwnedProcessRegistry.h"

#include <QFileInfo>
#include <chrono>
#include <csignal>

namespace ostrevin {

namespace {

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
    Record record{process, process->processIdentifier(), process->executablePath(), process->arguments(), purpose};
    std::lock_guard guard(m_lock);
    m_records.insert_or_assign(record.processIdentifier, std::move(record));
}

void OwnedProcessRegistry::unregister(const ChildProcess* process)
{
    std::shared_ptr<ChildProcess> removed; // released after the lock
    std::lock_guard guard(m_lock);
    const auto found = m_records.find(process->processIdentifier());
    if (found != m_records.end() && found->second.process.get() == process) {
        removed = std::move(found->second.process);
        m_records.erase(found);
    }
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
