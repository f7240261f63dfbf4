#include "platform/SyslogSystemLog.h"

#include <syslog.h>

namespace ostrevin {

SyslogSystemLog::SyslogSystemLog()
{
    // syslog keeps the ident pointer: it must outlive every call, as a literal does.
    openlog("com.ostrevin.mac", LOG_PID, LOG_USER);
}

SyslogSystemLog::~SyslogSystemLog()
{
    closelog();
}

void SyslogSystemLog::write(Severity severity, const QString& message)
{
    const int priority = severity == Severity::info ? LOG_INFO : LOG_ERR;
    // The message is an argument, never the format: it may contain '%'.
    syslog(priority, "tracker: %s", message.toUtf8().constData());
}

} // namespace ostrevin
