// GPX export of the route draft.

#include "planner/LocationPlannerViewModel.h"
#include "planner/LocationPlannerViewModel_Private.h"
#include "planner/PlannerTexts.h"
#include "platform/AtomicFile.h"
#include "platform/FileDialogs.h"
#include "routedata/GPXGenerator.h"
#include "routedata/LocationValidationError.h"

#include <QCoro/QCoroFuture>
#include <QDir>
#include <QFileInfo>

namespace ostrevin {

bool LocationPlannerViewModel::Private::refusesSecondExport(DialogOwner owner)
{
    // A second save dialog would cancel the first one's export behind the user's back.
    if (!m_gpxExportTask.isRunning() && !m_exportTask.isRunning())
        return false;
    //: Alert message when an export is asked for while another export's save dialog is still open.
    q.setNotice(tr("Another export is still open. Finish or cancel it first."), NoticeKind::problem, owner);
    return true;
}

QFuture<void> LocationPlannerViewModel::exportGPX(DialogOwner owner)
{
    if (d->refusesSecondExport(owner))
        return QtFuture::makeReadyFuture();
    const CancelToken token = d->m_gpxExportTask.replace();
    d->m_gpxExportTask.adopt(Private::exportGPXFlow(QPointer(this), m_deps.fileDialogs, owner, token));
    return d->m_gpxExportTask.whenFinished();
}

QCoro::Task<> LocationPlannerViewModel::Private::exportGPXFlow(QPointer<LocationPlannerViewModel> self,
                                                               FileDialogs* dialogs, DialogOwner owner,
                                                               CancelToken token)
{
    // What is written and recorded is the draft as it was when the user asked: the
    // dialog does not block, and the draft may change while it is open.
    const QList<RoutePoint> points = self->d->m_draft->points();
    const double speedKmh = self->d->m_draft->speedKmh();
    const QString routeName = self->d->m_draft->routeName();
    const RouteSpeedProfile speedProfile = self->d->m_draft->selectedSpeedProfile();
    const RouteTransportMode transportMode = self->d->m_draft->selectedTransportMode();
    QString text;
    try {
        text = GPXGenerator::generate(points, speedKmh, routeName, self->m_deps.clock->wallNow().toUTC());
    } catch (const LocationValidationError& error) {
        self->setNotice(error.description(), NoticeKind::problem, owner);
        co_return;
    }

    FileDialogs::SaveRequest request;
    //: Title of the save panel for exporting a GPX file.
    request.title = tr("Export GPX");
    request.suggestedName = PlannerTexts::sanitizedFileName(routeName) + QStringLiteral(".gpx");
    //: File type filter of the save panel for GPX files.
    request.nameFilter = tr("GPX files (*.gpx)");
    request.defaultSuffix = QStringLiteral("gpx");
    request.owner = owner;
    const std::optional<QString> path = co_await dialogs->chooseSaveLocation(request);
    if (!self || token.isCancelled() || !path || path->isEmpty())
        co_return;

    // Atomic: a failed write keeps an earlier file at that path as it was.
    if (const std::optional<QString> reason = AtomicFile::write(*path, text.toUtf8())) {
        //: Alert message when exporting the route as GPX failed. %1 is the file name, %2 the system's reason.
        self->setNotice(tr("Couldn’t export the route to “%1”: %2").arg(QFileInfo(*path).fileName(), *reason),
                        NoticeKind::problem, owner);
        co_return;
    }
    //: Alert message; the file path follows on a separate line.
    const QString saved = tr("The GPX file is saved.") + QStringLiteral("\n\n") + QDir::toNativeSeparators(*path);
    // The file is there whatever becomes of the history: a failed history write is
    // said after this, not instead of it.
    self->d->recordInHistory(points, routeName, speedKmh, speedProfile, transportMode, saved, owner);
    self->setNotice(saved, NoticeKind::information, owner);
}

} // namespace ostrevin
