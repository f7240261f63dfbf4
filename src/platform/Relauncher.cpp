#include "platform/Relauncher.h"

#include <QCoreApplication>
#include <QProcess>

namespace ostrevin {

Relauncher::Command Relauncher::command(qint64 pid, const QString& executable, const QString& shell)
{
    // `kill` is the shell's builtin: no path to find, and the probe sends nothing.
    const QString script = QStringLiteral("while kill -0 ") + QString::number(pid) +
                           QStringLiteral(" 2>/dev/null; do sleep 0.2; done; exec \"$0\"");
    return {shell, {QStringLiteral("-c"), script, executable}};
}

bool Relauncher::start(const Command& command)
{
    QProcess process;
    process.setProgram(command.program);
    process.setArguments(command.arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached();
}

bool Relauncher::startForThisProcess()
{
    return start(command(QCoreApplication::applicationPid(), QCoreApplication::applicationFilePath()));
}

} // namespace ostrevin
