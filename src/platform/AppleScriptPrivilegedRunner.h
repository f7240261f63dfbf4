#pragma once

#include "platform/PrivilegedRunner.h"

namespace ostrevin {

/// macOS: osascript -e 'do shell script "LINE" with administrator privileges'.
class AppleScriptPrivilegedRunner final : public PrivilegedRunner {
public:
    explicit AppleScriptPrivilegedRunner(QString osascriptPath = QStringLiteral("/usr/bin/osascript"));

    Invocation invocation(const QString& shellLine) const override;

    /// text as the inside of an AppleScript string literal: backslashes doubled
    /// first, then a backslash before every double quote.
    static QString escapedForStringLiteral(const QString& text);
    /// The whole script for a shell line.
    static QString script(const QString& shellLine);

private:
    QString m_osascriptPath;
};

} // namespace ostrevin
