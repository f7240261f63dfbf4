#include "planner/EventLog.h"

#include "planner/ObservableField.h"

namespace ostrevin {

void EventLog::setDiagnosticEvents(const QList<TrackerLogEntry>& value)
{
    assignObservable(this, m_diagnosticEvents, value, &EventLog::diagnosticEventsChanged);
}

} // namespace ostrevin
