#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace ostrevin {

/// How a shell line runs with administrator rights on this platform: which
/// program to start, with which arguments, so that the system asks the user for
/// permission first. The caller runs it like any other tool (time-out,
/// cancellation, output capture); a refused request makes the program fail with
/// its own text.
class PrivilegedRunner {
    Q_DECLARE_TR_FUNCTIONS(PrivilegedRunner)

public:
    struct Invocation {
        QString executablePath;
        QStringList arguments;
        bool operator==(const Invocation&) const = default;
    };

    virtual ~PrivilegedRunner() = default;

    /// The program and arguments that run shellLine through /bin/sh as administrator.
    virtual Invocation invocation(const QString& shellLine) const = 0;
    /// Why a run that ended with exitCode failed, in plain words for the user: the
    /// program's own text names neither the dialog nor what to do.
    virtual QString failureReason(std::optional<int> exitCode) const;
    /// Whether a run that ended with exitCode stopped at the password dialog (closed,
    /// or the rights refused) before anything of the line ran: only asking again goes
    /// on from there, where any other failure came after the password was given.
    virtual bool stoppedAtPassword(std::optional<int> exitCode) const;

    /// The runner of the platform this build is for.
    static std::unique_ptr<PrivilegedRunner> create();
};

} // namespace ostrevin
