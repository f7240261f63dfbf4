#pragma once

#include <QString>
#include <QStringList>
#include <memory>

namespace ostrevin {

/// How a shell line runs with administrator rights on this platform: which
/// program to start, with which arguments, so that the system asks the user for
/// permission first. The caller runs it like any other tool (time-out,
/// cancellation, output capture); a refused request makes the program fail with
/// its own text.
class PrivilegedRunner {
public:
    struct Invocation {
        QString executablePath;
        QStringList arguments;
        bool operator==(const Invocation&) const = default;
    };

    virtual ~PrivilegedRunner() = default;

    /// The program and arguments that run shellLine through /bin/sh as administrator.
    virtual Invocation invocation(const QString& shellLine) const = 0;

    /// The runner of the platform this build is for.
    static std::unique_ptr<PrivilegedRunner> create();
};

} // namespace ostrevin
