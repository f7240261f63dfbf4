#pragma once

#include <QtGlobal>
#include <sys/types.h>
#include <vector>

namespace ostrevin {

/// The processes of one process group, seen while its ID surely named the group
/// meant, so that the group can still be ended after its leader has exited and
/// been reaped: a desktop's user manager reaps at once the tools a killed run
/// left, and QProcess its own child. A member that ignores SIGTERM lives on, but
/// the ID alone no longer proves whose group it is.
///
/// Linux hands out no process ID that still names a process group, and a process
/// leaves its group only by asking to. So while one of the processes seen is still
/// in the group, the group has not run empty since, its ID cannot have gone to a
/// group started later, and a signal to it reaches the group meant, also what its
/// members started since. (Between the check and the signal every process of the
/// group would have to end and the whole range of IDs be handed out again.)
class ProcessGroupMembers {
public:
    ProcessGroupMembers() = default;

    /// The processes in the group now. Only while the caller knows that the ID
    /// names the group meant: its leader is an unreaped child, or the very process
    /// listed, before and after this call.
    static ProcessGroupMembers of(pid_t group);

    /// One of the processes seen has not exited yet.
    bool anyRunning() const;
    /// Sends the signal to the group while it is still the one seen; whether it was sent.
    bool signalIfStillTheGroupSeen(int signal) const;

private:
    /// One of the processes seen is still in the group (exited and unreaped counts).
    bool isStillTheGroupSeen() const;

    struct Member {
        pid_t processIdentifier = 0;
        quint64 startTime = 0;
    };

    pid_t m_group = 0;
    std::vector<Member> m_members;
};

} // namespace ostrevin
