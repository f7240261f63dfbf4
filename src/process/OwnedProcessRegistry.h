#pragma once

#include "process/ChildProcess.h"
#include "process/OwnedProcessLedger.h"

#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/types.h>
#include <vector>

namespace ostrevin {

/// Why a child process was started; recorded, not otherwise consulted.
enum class OwnedProcessPurpose { command, simulation };

/// The process-wide record of the device tools this application started and
/// that still live, so that quitting can end them. Its lock is a leaf lock,
/// never held while waiting for a process.
class OwnedProcessRegistry {
public:
    struct Record {
        std::shared_ptr<ChildProcess> process;
        pid_t processIdentifier = 0;
        QString executableURL; // the configured executable path
        QStringList arguments;
        OwnedProcessPurpose purpose = OwnedProcessPurpose::command;
        /// The leader's start time, which tells it from a later process with its identifier.
        quint64 startTime = 0;

        /// True while the process object still describes the command recorded.
        bool stillMatchesConfiguredCommand() const;
    };

    /// The one registry of the application.
    static OwnedProcessRegistry& shared();

    OwnedProcessRegistry() = default;
    OwnedProcessRegistry(const OwnedProcessRegistry&) = delete;
    OwnedProcessRegistry& operator=(const OwnedProcessRegistry&) = delete;

    /// Records a just-launched process; replaces a record under the same identifier.
    void registerProcess(const std::shared_ptr<ChildProcess>& process, OwnedProcessPurpose purpose);
    /// Removes the record of exactly this process object; a record of another
    /// process that reused the identifier stays.
    void unregister(const ChildProcess* process);

    /// Lists a process group whose owner ends it itself (the installer's tools) beside
    /// the recorded ones, so that after a run killed outright the next start ends
    /// it too. Quitting leaves it to its owner.
    void listGroup(pid_t leader);
    /// Takes a group listed with listGroup() off the list.
    void unlistGroup(pid_t leader);

    /// Ends every recorded process that still matches and runs: SIGTERM to its
    /// group, up to 0.8 s, then SIGKILL and up to 0.8 s more; one after another.
    /// Every group gets SIGKILL at the end, so members that ignore SIGTERM go too.
    /// Empties the table first; it stays usable afterwards.
    void terminateAllOwnedProcesses();

    /// Ends the process groups that an earlier run listed in filePath and left
    /// running (it crashed or was killed), then keeps this run's list there, up to
    /// date with every change. Returns how many groups were ended. Only for the one
    /// copy of the program that runs: the list of another copy would be overwritten.
    int takeOverLedger(const QString& filePath);
    /// Stops keeping the list; the file stays as it is.
    void releaseLedger();

    std::vector<Record> records() const;
    std::optional<Record> record(pid_t processIdentifier) const;

private:
    /// Writes the table as it is now to the ledger, if one is kept.
    void updateLedger();

    mutable std::mutex m_lock;
    std::map<pid_t, Record> m_records;
    /// The groups of listGroup(): the leader's start time by its identifier.
    std::map<pid_t, quint64> m_listedGroups;
    /// Guards the ledger and orders its writes; taken before m_lock, never inside it.
    std::mutex m_ledgerLock;
    std::optional<OwnedProcessLedger> m_ledger;
    bool m_ledgerFailed = false;
};

} // namespace ostrevin
