#pragma once

#include <QString>
#include <QtGlobal>
#include <chrono>
#include <optional>
#include <sys/types.h>
#include <vector>

namespace ostrevin {

/// A file that lists the process groups a run owns, so that the tools of a run
/// that ended without its quit order (a crash, kill -9) can be found and ended at
/// the next start: a held location process left behind would go on driving the
/// iPhone beside the new run's.
///
/// A group is named by its leader's process ID and the leader's start time, so a
/// reused ID never matches. The file also names the boot and the run that wrote
/// it: IDs of an earlier boot mean nothing, and a run that still lives keeps its
/// tools. Groups whose leader runs as another user (what was started with
/// administrator rights) are not this user's to end.
class OwnedProcessLedger {
public:
    struct Entry {
        pid_t processIdentifier = 0;
        /// Clock ticks after boot, as the kernel reports it.
        quint64 startTime = 0;
    };

    explicit OwnedProcessLedger(QString filePath);

    /// The start time of a process that exists, also of one that has exited and
    /// is not yet reaped; none when there is no such process.
    static std::optional<quint64> startTimeOf(pid_t processIdentifier);

    /// Ends the groups listed by a run that is gone: SIGTERM to each group whose
    /// leader still is the process listed, up to grace for their processes to exit,
    /// then SIGKILL to what is left of those groups (also of one whose leader has
    /// exited and been reaped meanwhile) and up to grace more. Removes the file. Returns
    /// how many groups it ended; 0 when the file is missing, of another boot, or
    /// of a run that still lives (which keeps its file).
    int endLeftovers(std::chrono::milliseconds grace) const;

    /// Lists these groups as this run's, replacing the file at once (a run killed
    /// mid-write leaves the earlier list); an empty list removes the file. Not
    /// synced to disk: only a crash of this process needs the file, and a crash of
    /// the machine ends the tools too. False when the file cannot be written.
    bool write(const std::vector<Entry>& groups) const;

    const QString& filePath() const { return m_filePath; }

private:
    QString m_filePath;
};

} // namespace ostrevin
