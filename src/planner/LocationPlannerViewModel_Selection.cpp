#include "planner/LocationPlannerViewModel.h"
#include "planner/LocationPlannerViewModel_Private.h"
#include "platform/ReverseGeocoder.h"

#include <QCoro/QCoroFuture>
#include <utility>

namespace ostrevin {

void LocationPlannerViewModel::selectPlaceAt(double latitude, double longitude)
{
    if (!canEditRouteDraft())
        return;
    //: Default name of a point chosen by clicking the map or entering coordinates in Place mode.
    const std::optional<RoutePoint> point = Private::clickedPoint(tr("Selected place"), latitude, longitude);
    if (!point)
        return;
    selectPlace(*point, MapFraming::keepCamera);
    if (d->m_autoSendOnAdd || !d->m_device->isOnline())
        return;
    const CancelToken token = d->m_placeNameTask.replace();
    d->m_placeNameTask.adopt(Private::lookUpPlaceName(QPointer(this), m_deps.reverseGeocoder, *point, token));
}

QCoro::Task<> LocationPlannerViewModel::Private::lookUpPlaceName(QPointer<LocationPlannerViewModel> self,
                                                                 ReverseGeocoder* geocoder, RoutePoint point,
                                                                 CancelToken token)
{
    const std::optional<Placemark> placemark = co_await geocoder->reverseGeocode(point.latitude, point.longitude);
    if (!self || token.isCancelled())
        co_return;
    const std::optional<QString> name = Private::shortName(placemark);
    if (!name)
        co_return;
    // Only the point the user still looks at, under the name it was created with
    // (a name the user typed meanwhile wins), and never the held point.
    const bool stillShown = self->canEditRouteDraft() && self->d->m_draft->points().size() == 1 &&
                            self->d->m_draft->points().first().id == point.id &&
                            self->d->m_draft->points().first().name == point.name &&
                            !(self->d->m_hold->lockedPoint() && self->d->m_hold->lockedPoint()->id == point.id);
    if (stillShown)
        self->renameSelectedPoint(*name);
}

std::optional<QString> LocationPlannerViewModel::Private::shortName(const std::optional<Placemark>& placemark)
{
    if (!placemark)
        return std::nullopt;
    for (const std::optional<QString>& part : {placemark->name, placemark->thoroughfare, placemark->locality}) {
        if (!part)
            continue;
        const QString trimmed = part->trimmed();
        if (!trimmed.isEmpty())
            return trimmed;
    }
    return std::nullopt;
}

void LocationPlannerViewModel::sendPointIfNeeded(const RoutePoint& point)
{
    if (!d->m_autoSendOnAdd)
        return;
    if (d->m_device->helperStatus().isAvailable()) {
        // A background verification of the held point only delays the send: the
        // point goes out when the verification ends.
        if (d->m_hold->isLocationLockRefreshing() && canEditRouteDraft()) {
            d->m_pointToSendAfterVerification = point.id;
            //: Status message. %1 is a point name.
            d->m_device->setDeviceActionMessage(
                tr("Point %1 is added. It’s set on iPhone when the check of the held location ends.").arg(point.name));
            return;
        }
        pushPointToIPhone(point);
        return;
    }
    //: Status message. %1 is a point name.
    d->m_device->setDeviceActionMessage(
        tr("Point %1 is added. You can set the location once iPhone is ready.").arg(point.name));
}

void LocationPlannerViewModel::Private::sendPointChosenDuringVerification()
{
    const std::optional<QUuid> id = std::exchange(m_pointToSendAfterVerification, std::nullopt);
    // Only the point still newest in the draft (the place chosen, or the point added
    // to a route), and only while automatic sending is still wanted.
    if (!id || m_draft->points().isEmpty() || m_draft->points().last().id != *id || m_hold->isLocationLockRefreshing())
        return;
    q.sendPointIfNeeded(m_draft->points().last());
}

} // namespace ostrevin
