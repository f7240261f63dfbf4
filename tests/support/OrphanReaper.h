#pragma once

#include <QString>
#include <QStringList>
#include <sys/types.h>

namespace ostrevin::test {

/// Stands in for a desktop's user manager (systemd --user): a process that starts
/// a command and, as the subreaper of everything below it, reaps every process
/// that ends there at once, the command's orphans included. A process group whose
/// leader exits is then left without it, while a member that ignores SIGTERM lives
/// on. The reaper is killed with the object; what still runs under it goes to init.
class OrphanReaper {
public:
    /// ownGroup: the command leads a process group of its own.
    OrphanReaper(const QString& program, const QStringList& arguments, bool ownGroup);
    ~OrphanReaper();
    OrphanReaper(const OrphanReaper&) = delete;
    OrphanReaper& operator=(const OrphanReaper&) = delete;

    /// The command's process identifier; 0 when the reaper could not be started.
    pid_t commandPid() const { return m_command; }

private:
    pid_t m_reaper = 0;
    pid_t m_command = 0;
};

} // namespace ostrevin::test
