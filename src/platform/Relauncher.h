#pragma once

#include <QString>
#include <QStringList>

namespace ostrevin {

/// Starts the application again once the running process has ended, through a
/// small shell that outlives it. The executable's path reaches the shell as its
/// `$0`, never as part of the script, so no path (spaces, quotes, `$`) can
/// change what the script does.
class Relauncher {
public:
    struct Command {
        QString program;
        QStringList arguments;
        bool operator==(const Command&) const = default;
    };

    /// `shell -c SCRIPT EXECUTABLE`: the script probes `pid` every 0.2 s with a null
    /// signal and, once it is gone, replaces itself with the executable.
    static Command command(qint64 pid, const QString& executable, const QString& shell = QStringLiteral("/bin/sh"));
    /// Starts the command detached from this process (it is not one of the
    /// application's owned children and survives the quit). False when it could
    /// not start; nothing else is reported.
    static bool start(const Command& command);
    /// Starts the relauncher for this process and its executable. The caller
    /// then quits in order; the new instance starts once this one has ended.
    static bool startForThisProcess();
};

} // namespace ostrevin
