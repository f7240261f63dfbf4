#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <chrono>
#include <functional>

namespace ostrevin {

/// Splits text at every line-break character (LF, VT, FF, CR, NEL, LS, PS) and
/// drops the empty pieces.
QStringList splitAtLineBreaks(const QString& text);

/// One run of an installer tool (tar, pip, the installed helper): standard output
/// and standard error in one stream, no time-out, no bound on the output.
///
/// The tool starts in a process group of its own, so ending it reaches whatever
/// it started too (pip runs compilers and build back-ends). Standard input is
/// /dev/null: a tool that asks a question gets end of file instead of waiting.
/// The group is in the list of the run's tools while the tool runs, so that the
/// next start ends it after a run killed outright.
class InstallerTool : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InstallerTool)

public:
    /// environment: entries added to (or replacing those of) this program's own,
    /// after every variable whose name begins with one of removedVariablePrefixes
    /// was taken out.
    InstallerTool(QString executable, QStringList arguments, const QHash<QString, QString>& environment,
                  const QStringList& removedVariablePrefixes = {}, QObject* parent = nullptr);
    ~InstallerTool() override;

    /// Receives the lines of each piece of output as it arrives. A piece that is not
    /// valid UTF-8 is kept for output() but not handed on; a line cut between two
    /// pieces arrives as two lines.
    void setLineHandler(std::function<void(const QStringList&)> handler);
    /// The folder the tool starts in; this program's own when unset.
    void setWorkingDirectory(const QString& folder);

    void start();
    /// Asks the tool's process group to end (SIGTERM) and, after grace, ends what is
    /// left of it (SIGKILL), even once the tool has exited and this object is gone;
    /// returns at once. pip running a build back-end may ignore the request, and a
    /// cancelled installation must not wait for it.
    void terminate(std::chrono::milliseconds grace);
    /// Ends at once (SIGKILL) what is left of every group asked to end whose grace
    /// has not run out yet: for a quit, after which no timer would fire.
    static void endGroupsStillEnding();
    /// Ends the tool's process group at once (SIGKILL): for a tool that stopped answering.
    void kill();
    /// Ends the tool's process group without the event loop, blocking: SIGTERM, up to
    /// grace for the tool to exit, then SIGKILL to whatever of the group is left,
    /// and the tool is reaped. For a quit, after which nothing would wait for it.
    void endWithin(std::chrono::milliseconds grace);

    bool hasEnded() const { return m_ended; }
    bool failedToStart() const { return m_failedToStart; }
    /// Exited by itself with status 0.
    bool succeeded() const;
    /// The file name of the executable, as error texts name the tool.
    QString toolName() const;
    /// Why the tool could not be started.
    QString startError() const { return m_process.errorString(); }
    /// Everything the tool printed, invalid UTF-8 replaced.
    QString output() const;

signals:
    /// The tool exited, was ended by a signal, or could not be started. Emitted once.
    void ended();

private:
    /// Whether new output also goes to the line handler, or is only kept.
    enum class Lines { toHandler, keepOnly };
    void readOutput(Lines delivery);
    void markEnded();
    void signalGroup(int signal);
    /// Whether the tool has exited; it is left unreaped, so its group stays ours to signal.
    bool leaderHasExited() const;
    void unlistGroup();

    QProcess m_process;
    QString m_executable;
    QByteArray m_output;
    std::function<void(const QStringList&)> m_lineHandler;
    qint64 m_pid = 0;
    bool m_ended = false;
    bool m_failedToStart = false;
    bool m_listed = false;
};

} // namespace ostrevin
