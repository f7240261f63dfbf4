#pragma once

#include "platform/PrivilegedRunner.h"

namespace ostrevin {

/// polkit's pkexec: "pkexec /bin/sh -c LINE", the line as one argument, so no
/// second layer of quoting is involved. pkexec exits 126 when the user dismisses
/// the dialog and 127 when permission is refused, printing why; both reach the
/// caller as a failed command with that text.
class PkexecPrivilegedRunner final : public PrivilegedRunner {
public:
    explicit PkexecPrivilegedRunner(QString pkexecPath = QStringLiteral("/usr/bin/pkexec"));

    Invocation invocation(const QString& shellLine) const override;
    QString failureReason(std::optional<int> exitCode) const override;
    bool stoppedAtPassword(std::optional<int> exitCode) const override;

private:
    QString m_pkexecPath;
};

} // namespace ostrevin
