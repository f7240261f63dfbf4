#pragma once

#include "routedata/TrackerLogEntry.h"

#include <QList>
#include <QObject>

namespace ostrevin {

/// The event log the settings window lists, newest first. Only the view model
/// writes it: its logEvent() also passes each entry to the system log. GUI thread only.
class EventLog : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EventLog)
    friend class LocationPlannerViewModel;
    friend struct PlannerTestAccess;

public:
    explicit EventLog(QObject* parent = nullptr) : QObject(parent) {}

    const QList<TrackerLogEntry>& diagnosticEvents() const { return m_diagnosticEvents; }

signals:
    void diagnosticEventsChanged();

private:
    void setDiagnosticEvents(const QList<TrackerLogEntry>& value);

    QList<TrackerLogEntry> m_diagnosticEvents;
};

} // namespace ostrevin
