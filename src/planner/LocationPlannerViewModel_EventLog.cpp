#include "async/WorkerPool.h"
#include "planner/LocationPlannerViewModel.h"
#include "planner/LocationPlannerViewModel_Private.h"
#include "planner/PlannerTexts.h"
#include "platform/AtomicFile.h"
#include "platform/FileDialogs.h"
#include "platform/SystemLog.h"

#include <QCoro/QCoroFuture>
#include <QFileInfo>
#include <QLocale>

namespace ostrevin {

namespace {

SystemLog::Severity severity(TrackerLogLevel level)
{
    switch (level) {
    case TrackerLogLevel::info:
        return SystemLog::Severity::info;
    case TrackerLogLevel::warning:
        return SystemLog::Severity::warning;
    case TrackerLogLevel::error:
        return SystemLog::Severity::error;
    }
    return SystemLog::Severity::error;
}

/// The locale's short date and its time with seconds.
QString logLineDate(const QDateTime& date, const QLocale& locale)
{
    const QDateTime local = date.toLocalTime();
    return locale.toString(local.date(), QLocale::ShortFormat) + u", " +
           PlannerTexts::timeWithSeconds(local.time(), locale);
}

QFuture<std::optional<QString>> writeInBackground(WorkerPool& pool, const QString& path, const QString& text)
{
    return pool.run([path, bytes = text.toUtf8()](std::stop_token) { return AtomicFile::write(path, bytes); });
}

} // namespace

void LocationPlannerViewModel::logEvent(const QString& message, TrackerLogLevel level)
{
    TrackerLogEntry entry;
    entry.date = m_deps.clock->wallNow();
    entry.level = level;
    entry.message = message;
    QList<TrackerLogEntry> events = d->m_eventLog->diagnosticEvents();
    events.prepend(entry);
    if (events.size() > eventLogCapacity)
        events.resize(eventLogCapacity);
    d->m_eventLog->setDiagnosticEvents(events);
    m_deps.systemLog->write(severity(level), message);
}

QString LocationPlannerViewModel::eventLogText() const
{
    const QLocale locale;
    QStringList lines;
    lines.reserve(d->m_eventLog->diagnosticEvents().size());
    for (const TrackerLogEntry& entry : d->m_eventLog->diagnosticEvents())
        lines.append(logLineDate(entry.date, locale) + u"  [" + toRaw(entry.level) + u"]  " + entry.message);
    return lines.join(u'\n');
}

QFuture<void> LocationPlannerViewModel::exportEventLog()
{
    // Only the settings window offers it.
    if (d->refusesSecondExport(DialogOwner::settingsWindow))
        return QtFuture::makeReadyFuture();
    const CancelToken token = d->m_exportTask.replace();
    d->m_exportTask.adopt(Private::exportEventLogFlow(QPointer(this), m_deps.fileDialogs, token));
    return d->m_exportTask.whenFinished();
}

QCoro::Task<> LocationPlannerViewModel::Private::exportEventLogFlow(QPointer<LocationPlannerViewModel> self,
                                                                    FileDialogs* dialogs, CancelToken token)
{
    FileDialogs::SaveRequest request;
    //: Title of the save panel for exporting the event log as a text file.
    request.title = tr("Export event log");
    request.suggestedName = QStringLiteral("Ostrevin-log.txt");
    //: File type filter of the save panel for the event log.
    request.nameFilter = tr("Text files (*.txt)");
    request.defaultSuffix = QStringLiteral("txt");
    request.owner = DialogOwner::settingsWindow;
    const std::optional<QString> path = co_await dialogs->chooseSaveLocation(request);
    if (!self || token.isCancelled() || !path || path->isEmpty())
        co_return;

    // Atomic: a failed write leaves an earlier file as it was. Off the GUI thread: a
    // full log is large, and the disk may be slow.
    // The future first: a temporary of the co_await's own expression would live
    // across the suspension.
    QFuture<std::optional<QString>> written = writeInBackground(*self->m_deps.workerPool, *path, self->eventLogText());
    const std::optional<QString> reason = co_await written;
    if (self && !token.isCancelled() && reason) {
        //: Alert message when exporting the event log failed. %1 is the file name, %2 the system's reason.
        self->setNotice(tr("Couldn’t export the event log to “%1”: %2").arg(QFileInfo(*path).fileName(), *reason),
                        NoticeKind::problem, DialogOwner::settingsWindow);
    }
}

} // namespace ostrevin
