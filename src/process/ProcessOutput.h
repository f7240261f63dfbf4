#pragma once

#include <QString>

namespace ostrevin {

/// What one tool run printed. Parsers read standardOutput only (tools log to
/// standard error); errors and the error-marker test use text.
struct ProcessOutput {
    QString standardOutput;
    QString standardError;
    /// The non-empty ones of standard output and standard error, in that order,
    /// joined by one line feed.
    QString text;

    friend bool operator==(const ProcessOutput&, const ProcessOutput&) = default;
};

} // namespace ostrevin
