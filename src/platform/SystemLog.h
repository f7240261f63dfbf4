#pragma once

#include <QString>

namespace ostrevin {

/// The system's log, which mirrors the event log so that what happened while
/// nobody watched can be read afterwards (journalctl). Safe to call from any thread.
class SystemLog {
public:
    enum class Severity { info, warning, error };

    SystemLog() = default;
    SystemLog(const SystemLog&) = delete;
    SystemLog& operator=(const SystemLog&) = delete;
    virtual ~SystemLog() = default;

    virtual void write(Severity severity, const QString& message) = 0;
};

} // namespace ostrevin
