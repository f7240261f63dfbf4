#include "process/ProcessGroupMembers.h"

#include "process/ProcessStatus.h"

#include <csignal>
#include <cstdlib>
#include <dirent.h>

namespace ostrevin {

ProcessGroupMembers ProcessGroupMembers::of(pid_t group)
{
    ProcessGroupMembers members;
    members.m_group = group;
    if (group <= 1)
        return members;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return members;
    while (const dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0')
            continue;
        const std::optional<ProcessStatus> status = ProcessStatus::of(static_cast<pid_t>(pid));
        if (status && status->processGroup == group)
            members.m_members.push_back({static_cast<pid_t>(pid), status->startTime});
    }
    ::closedir(proc);
    return members;
}

bool ProcessGroupMembers::isStillTheGroupSeen() const
{
    for (const Member& member : m_members) {
        const std::optional<ProcessStatus> status = ProcessStatus::of(member.processIdentifier);
        if (status && status->startTime == member.startTime && status->processGroup == m_group)
            return true;
    }
    return false;
}

bool ProcessGroupMembers::anyRunning() const
{
    for (const Member& member : m_members) {
        const std::optional<ProcessStatus> status = ProcessStatus::of(member.processIdentifier);
        if (status && status->startTime == member.startTime && !status->hasExited())
            return true;
    }
    return false;
}

bool ProcessGroupMembers::signalIfStillTheGroupSeen(int signal) const
{
    return isStillTheGroupSeen() && ::killpg(m_group, signal) == 0;
}

} // namespace ostrevin
