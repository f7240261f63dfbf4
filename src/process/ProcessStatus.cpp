#include "process/ProcessStatus.h"

#include <QByteArrayList>
#include <QFile>

namespace ostrevin {

std::optional<ProcessStatus> ProcessStatus::of(pid_t processIdentifier)
{
    QFile file(u"/proc/" + QString::number(processIdentifier) + u"/stat");
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray stat = file.read(4096);
    // The command name in parentheses may itself hold blanks and parentheses.
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return std::nullopt;
    const QByteArrayList fields = stat.mid(close + 1).simplified().split(' ');
    // Counted from the state, the third field: the group is the fifth, the start time the 22nd.
    constexpr qsizetype groupIndex = 5 - 3;
    constexpr qsizetype startTimeIndex = 22 - 3;
    if (fields.size() <= startTimeIndex || fields.at(0).isEmpty())
        return std::nullopt;
    bool groupOk = false;
    bool startOk = false;
    ProcessStatus status;
    status.state = fields.at(0).at(0);
    status.processGroup = fields.at(groupIndex).toInt(&groupOk);
    status.startTime = fields.at(startTimeIndex).toULongLong(&startOk);
    if (!groupOk || !startOk)
        return std::nullopt;
    return status;
}

} // namespace ostrevin
