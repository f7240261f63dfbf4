#pragma once

#include "platform/SystemLog.h"

namespace ostrevin {

/// SystemLog over syslog(3) with the app's identifier; journald keeps the lines.
/// Info goes out at LOG_INFO, warnings and errors at LOG_ERR, each prefixed with
/// "tracker: " so the planner's lines stand apart from other parts of the app.
class SyslogSystemLog final : public SystemLog {
public:
    SyslogSystemLog();
    ~SyslogSystemLog() override;

    void write(Severity severity, const QString& message) override;
};

} // namespace ostrevin
