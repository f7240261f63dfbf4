// Saved locations, saved routes and the history: the lists that outlive a run.
// Each change builds the whole new list, publishes it and writes it on the store's
// writer thread (a slow disk must not freeze the window). A write that fails says
// so, and the list on screen goes back to what its file holds.

#include "planner/LocationPlannerViewModel.h"
#include "planner/LocationPlannerViewModel_Private.h"
#include "routedata/JsonCodingError.h"
#include "routedata/LocationValidationError.h"
#include "routedata/RouteStore.h"
#include "routedata/RouteStoreError.h"

#include <QCollator>
#include <algorithm>
#include <cmath>

namespace ostrevin {

namespace {

bool isSameCourse(const QList<RoutePoint>& a, const QList<RoutePoint>& b)
{
    return std::equal(a.cbegin(), a.cend(), b.cbegin(), b.cend(), isSamePlace);
}

/// Home and home are one name, in the user's language.
bool isSameName(const QString& a, const QString& b)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator.compare(a, b) == 0;
}

/// Publishes the whole list and writes it in the background. A failed write becomes
/// the notice `failureText` (its %1 the reason), said after `saidBefore` (over `owner`) when
/// the same action already told the user something; once no later write of the file is
/// pending (a later one that succeeds decides what the file holds), the list goes
/// back to the file's and `undo` runs. `succeeded` runs once the file holds the list.
template <typename T, typename Publish>
void writeThenPublish(LocationPlannerViewModel& vm, RouteStore& store, const QList<T>& list, const QString& path,
                      const QString& failureText, Publish publish, std::function<void()> undo = {},
                      std::function<void()> succeeded = {}, const QString& saidBefore = {},
                      DialogOwner owner = DialogOwner::mainWindow)
{
    publish(list);
    store.saveInBackground(list, path,
                           [self = QPointer(&vm), &store, path, failureText, publish, undo = std::move(undo),
                            succeeded = std::move(succeeded), saidBefore,
                            owner](const std::optional<QString>& failure) {
                               if (!self)
                                   return;
                               if (!failure) {
                                   if (succeeded)
                                       succeeded();
                                   return;
                               }
                               const QString text = failureText.arg(*failure);
                               self->setNotice(saidBefore.isEmpty() ? text : saidBefore + QStringLiteral("\n\n") + text,
                                               LocationPlannerViewModel::NoticeKind::problem, owner);
                               if (store.isWriting(path))
                                   return;
                               if (const std::optional<QList<T>> onDisk = store.lastWritten<T>(path))
                                   publish(*onDisk);
                               if (undo)
                                   undo();
                           });
}

/// The list with the entry of that id renamed; none when no entry has the id.
template <typename T> std::optional<QList<T>> renamed(QList<T> list, const QUuid& id, const QString& name)
{
    const auto entry = std::find_if(list.begin(), list.end(), [&](const T& e) { return e.id == id; });
    if (entry == list.end())
        return std::nullopt;
    entry->name = name;
    return list;
}

template <typename T> QList<T> withoutID(QList<T> list, const QUuid& id)
{
    list.removeIf([&](const T& e) { return e.id == id; });
    return list;
}

template <typename T> QList<T> withoutName(QList<T> list, const QString& name)
{
    list.removeIf([&](const T& e) { return isSameName(e.name, name); });
    return list;
}

LocationLibrary::NameReplacement replacementQuestion(LocationLibrary::NameReplacement::Kind kind, const QString& name)
{
    LocationLibrary::NameReplacement request;
    request.kind = kind;
    request.name = name;
    //: Confirmation question before a save replaces a different saved item. %1 is its name.
    request.question = LocationPlannerViewModel::tr("Replace “%1”?").arg(name);
    return request;
}

QString missingNameText()
{
    return LocationValidationError(LocationValidationError::Kind::missingName).description();
}

} // namespace

void LocationPlannerViewModel::Private::writeSavedLocations(const QList<SavedLocation>& list,
                                                            const QString& failureText, std::function<void()> undo,
                                                            std::function<void()> succeeded)
{
    writeThenPublish(
        q, *q.m_deps.store, list, q.m_deps.store->savedLocationsPath(), failureText,
        [this](const auto& written) { m_library->setSavedLocations(written); }, std::move(undo), std::move(succeeded));
}

void LocationPlannerViewModel::Private::writeSavedRoutes(const QList<SavedRoute>& list, const QString& failureText,
                                                         std::function<void()> undo, std::function<void()> succeeded)
{
    writeThenPublish(
        q, *q.m_deps.store, list, q.m_deps.store->savedRoutesPath(), failureText,
        [this](const auto& written) { m_library->setSavedRoutes(written); }, std::move(undo), std::move(succeeded));
}

QString LocationPlannerViewModel::Private::locationSaveFailureText()
{
    //: Alert message. %1 is an error message.
    return tr("Couldn’t save the location: %1");
}

QString LocationPlannerViewModel::Private::routeSaveFailureText()
{
    //: Alert message. %1 is an error message.
    return tr("Couldn’t save the route: %1");
}

// Saved locations.

void LocationPlannerViewModel::saveLocation(const RoutePoint& point)
{
    const QString name = d->m_library->savedLocationName().trimmed();
    if (name.isEmpty()) {
        setNotice(missingNameText());
        return;
    }
    // A default name such as "Selected place" must not delete an earlier, different
    // place with one click: the user is asked first.
    const bool replacesAnotherPlace =
        std::any_of(d->m_library->savedLocations().cbegin(), d->m_library->savedLocations().cend(),
                    [&](const auto& e) { return isSameName(e.name, name) && !isSamePlace(e.point, point); });
    if (replacesAnotherPlace) {
        LocationLibrary::NameReplacement request =
            replacementQuestion(LocationLibrary::NameReplacement::Kind::location, name);
        request.point = point;
        d->m_library->setPendingNameReplacement(request);
        return;
    }
    d->storeSavedLocation(name, point);
}

void LocationPlannerViewModel::Private::storeSavedLocation(const QString& name, const RoutePoint& point)
{
    SavedLocation entry;
    entry.name = name;
    entry.createdAt = q.m_deps.clock->wallNow();
    // The stored point carries the saved name and an id of its own.
    entry.point.name = name;
    entry.point.latitude = point.latitude;
    entry.point.longitude = point.longitude;

    QList<SavedLocation> list = withoutName(m_library->savedLocations(), name);
    list.prepend(entry);
    // A failed write gives the name back to the field, as if it had never been saved;
    // "is saved" is said only once the file holds it.
    writeSavedLocations(
        list, Private::locationSaveFailureText(),
        [this, name] {
            if (m_library->savedLocationName().isEmpty())
                q.setSavedLocationName(name);
        },
        //: Alert message. %1 is the location name the user entered.
        [this, name] { q.setNotice(tr("Location “%1” is saved.").arg(name), NoticeKind::information); });
    q.setSavedLocationName(QString());
}

void LocationPlannerViewModel::saveSelectedPointAsLocation()
{
    const std::optional<RoutePoint> point = d->m_draft->selectedPoint();
    if (!point) {
        setNotice(LocationValidationError(LocationValidationError::Kind::noPoints).description());
        return;
    }
    setSavedLocationName(point->name);
    saveLocation(*point);
}

void LocationPlannerViewModel::renameSavedLocation(const SavedLocation& location, const QString& name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        setNotice(missingNameText());
        return;
    }
    std::optional<QList<SavedLocation>> list = renamed(d->m_library->savedLocations(), location.id, trimmed);
    if (!list)
        return;
    for (SavedLocation& entry : *list) {
        if (entry.id == location.id)
            entry.point.name = trimmed;
    }
    d->writeSavedLocations(*list, Private::locationSaveFailureText());
}

void LocationPlannerViewModel::deleteSavedLocation(const SavedLocation& location)
{
    //: Alert message. %1 is an error message.
    d->writeSavedLocations(withoutID(d->m_library->savedLocations(), location.id),
                           tr("Couldn’t delete the location: %1"));
}

// Saved routes.

void LocationPlannerViewModel::saveCurrentRouteAsNamed()
{
    if (d->m_draft->points().size() < 2) {
        setNotice(LocationValidationError(LocationValidationError::Kind::routeNeedsTwoPoints).description());
        return;
    }
    const QString name = d->m_library->savedRouteName().trimmed();
    if (name.isEmpty()) {
        setNotice(missingNameText());
        return;
    }
    SavedRoute route;
    route.name = name;
    route.speedKmh = d->m_draft->speedKmh();
    route.speedProfile = d->m_draft->selectedSpeedProfile();
    route.transportMode = d->m_draft->selectedTransportMode();
    route.points = d->m_draft->points();
    const bool replacesAnotherRoute =
        std::any_of(d->m_library->savedRoutes().cbegin(), d->m_library->savedRoutes().cend(),
                    [&](const auto& e) { return isSameName(e.name, name) && !isSameCourse(e.points, route.points); });
    if (replacesAnotherRoute) {
        LocationLibrary::NameReplacement request =
            replacementQuestion(LocationLibrary::NameReplacement::Kind::route, name);
        request.route = route;
        d->m_library->setPendingNameReplacement(request);
        return;
    }
    d->storeSavedRoute(route);
}

void LocationPlannerViewModel::Private::storeSavedRoute(SavedRoute route)
{
    route.id = QUuid::createUuid();
    route.createdAt = q.m_deps.clock->wallNow();
    QList<SavedRoute> list = withoutName(m_library->savedRoutes(), route.name);
    list.prepend(route);
    writeSavedRoutes(
        list, Private::routeSaveFailureText(),
        [this, name = route.name] {
            if (m_library->savedRouteName().isEmpty())
                q.setSavedRouteName(name);
        },
        //: Alert message. %1 is the route name the user entered.
        [this, name = route.name] { q.setNotice(tr("Route “%1” is saved.").arg(name), NoticeKind::information); });
    q.setSavedRouteName(QString());
}

void LocationPlannerViewModel::renameSavedRoute(const SavedRoute& route, const QString& name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        setNotice(missingNameText());
        return;
    }
    const std::optional<QList<SavedRoute>> list = renamed(d->m_library->savedRoutes(), route.id, trimmed);
    if (!list)
        return;
    d->writeSavedRoutes(*list, Private::routeSaveFailureText());
}

void LocationPlannerViewModel::deleteSavedRoute(const SavedRoute& route)
{
    //: Alert message. %1 is an error message.
    d->writeSavedRoutes(withoutID(d->m_library->savedRoutes(), route.id), tr("Couldn’t delete the route: %1"));
}

// Answering a save that would replace something else.

void LocationPlannerViewModel::confirmNameReplacement()
{
    const std::optional<LocationLibrary::NameReplacement> request = d->m_library->pendingNameReplacement();
    if (!request)
        return;
    d->m_library->setPendingNameReplacement(std::nullopt);
    if (request->kind == LocationLibrary::NameReplacement::Kind::location)
        d->storeSavedLocation(request->name, request->point);
    else
        d->storeSavedRoute(request->route);
}

void LocationPlannerViewModel::cancelNameReplacement()
{
    d->m_library->setPendingNameReplacement(std::nullopt);
}

// Loading into the draft.

void LocationPlannerViewModel::Private::applyToDraft(const QString& name, double speedKmh,
                                                     RouteSpeedProfile speedProfile, RouteTransportMode transportMode,
                                                     const QList<RoutePoint>& points, const QString& source)
{
    q.setRouteName(name);
    // The profile first: choosing extreme raises the speed, and the stored speed
    // must win over that raise, whatever profile the draft held before.
    q.setSelectedSpeedProfile(speedProfile);
    q.setSpeedKmh(speedKmh);
    q.setSelectedTransportMode(transportMode);
    setPoints(points);
    setRouteStartPoint(points.isEmpty() ? std::nullopt : std::optional(points.first()));
    setRouteDestinationPoint(points.isEmpty() ? std::nullopt : std::optional(points.last()));
    setRouteLivePoint(std::nullopt);
    m_draft->setRouteAlternatives({});
    m_draft->setSelectedRouteAlternativeID(std::nullopt);
    m_draft->setRoutePlanningSource(source);
    q.focusRoute();
}

void LocationPlannerViewModel::Private::applySavedRouteToDraft(const SavedRoute& route)
{
    //: Route planning status.
    const QString source = tr("The saved route is loaded.");
    applyToDraft(route.name, route.speedKmh, route.speedProfile, route.transportMode, route.points, source);
}

void LocationPlannerViewModel::loadSavedRoute(const SavedRoute& route)
{
    if (canEditRouteDraft())
        d->applySavedRouteToDraft(route);
}

void LocationPlannerViewModel::loadHistory(const RouteHistoryItem& item)
{
    if (!canEditRouteDraft())
        return;
    //: Route planning status.
    const QString source = tr("The route from history is loaded.");
    d->applyToDraft(item.title, item.speedKmh, item.speedProfile, item.transportMode, item.points, source);
}

void LocationPlannerViewModel::reuseHistory(const RouteHistoryItem& item)
{
    if (!canEditRouteDraft() || !canChangeIPhoneLocation())
        return;
    loadHistory(item);
    if (item.points.size() >= 2)
        startIPhoneRoute();
    else
        pushLastPointToIPhone();
}

// History.

void LocationPlannerViewModel::Private::recordInHistory(const QList<RoutePoint>& points, const QString& name,
                                                        double speedKmh, RouteSpeedProfile speedProfile,
                                                        RouteTransportMode transportMode, const QString& saidBefore,
                                                        DialogOwner owner)
{
    if (points.isEmpty())
        return;
    RouteHistoryItem item;
    //: Route (noun). Also the sidebar section and the fallback name of an unnamed route.
    item.title = name.trimmed().isEmpty() ? tr("Route") : name;
    item.createdAt = q.m_deps.clock->wallNow();
    item.speedKmh = speedKmh;
    item.speedProfile = speedProfile;
    item.transportMode = transportMode;
    item.points = points;

    QList<RouteHistoryItem> list = m_library->history();
    list.removeIf([&](const RouteHistoryItem& old) { return old.points == item.points && old.title == item.title; });
    list.prepend(item);
    if (list.size() > historyCapacity)
        list.resize(historyCapacity);
    //: Alert message. %1 is an error message.
    writeThenPublish(
        q, *q.m_deps.store, list, q.m_deps.store->historyPath(), tr("Couldn’t save the history: %1"),
        [this](const auto& written) { m_library->setHistory(written); }, {}, {}, saidBefore, owner);
}

void LocationPlannerViewModel::Private::recordPushedPointInHistory(const RoutePoint& point)
{
    const bool draftIsThePoint = m_draft->points().size() == 1 && m_draft->points().first() == point;
    recordInHistory({point}, draftIsThePoint ? m_draft->routeName() : point.name, m_draft->speedKmh(),
                    m_draft->selectedSpeedProfile(), m_draft->selectedTransportMode());
}

} // namespace ostrevin
