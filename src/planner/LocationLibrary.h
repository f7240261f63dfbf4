#pragma once

#include "routedata/RouteHistoryItem.h"
#include "routedata/RoutePoint.h"
#include "routedata/SavedLocation.h"
#include "routedata/SavedRoute.h"

#include <QList>
#include <QObject>
#include <QString>
#include <optional>

namespace ostrevin {

/// What the user keeps: the saved locations and routes, the history of what was
/// really set or played, the names typed for the next save, and a save that waits
/// for the answer to "Replace?". Only the view model writes it: its operations
/// store each change first and publish it here once the write succeeded.
/// GUI thread only.
class LocationLibrary : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LocationLibrary)
    friend class LocationPlannerViewModel;

public:
    /// A save under a name that already holds something else, waiting for the user's answer.
    struct NameReplacement {
        enum class Kind { location, route };
        Kind kind = Kind::location;
        /// The trimmed name both entries carry.
        QString name;
        /// The question for the user, “Replace “name”?”.
        QString question;
        /// What the save would store: the place for a location, the whole route for a route.
        RoutePoint point;
        SavedRoute route;

        bool operator==(const NameReplacement&) const = default;
    };

    explicit LocationLibrary(QObject* parent = nullptr) : QObject(parent) {}

    const QList<RouteHistoryItem>& history() const { return m_history; }
    const QList<SavedLocation>& savedLocations() const { return m_savedLocations; }
    const QList<SavedRoute>& savedRoutes() const { return m_savedRoutes; }
    const QString& savedLocationName() const { return m_savedLocationName; }
    const QString& savedRouteName() const { return m_savedRouteName; }
    const std::optional<NameReplacement>& pendingNameReplacement() const { return m_pendingNameReplacement; }
    /// A saved location lies at the point's place.
    bool isSavedLocation(const RoutePoint& point) const;

signals:
    void historyChanged();
    void savedLocationsChanged();
    void savedRoutesChanged();
    void savedLocationNameChanged();
    void savedRouteNameChanged();
    void pendingNameReplacementChanged();

private:
    void setHistory(const QList<RouteHistoryItem>& value);
    void setSavedLocations(const QList<SavedLocation>& value);
    void setSavedRoutes(const QList<SavedRoute>& value);
    void setSavedLocationName(const QString& value);
    void setSavedRouteName(const QString& value);
    void setPendingNameReplacement(const std::optional<NameReplacement>& value);

    QList<RouteHistoryItem> m_history;
    QList<SavedLocation> m_savedLocations;
    QList<SavedRoute> m_savedRoutes;
    QString m_savedLocationName;
    QString m_savedRouteName;
    std::optional<NameReplacement> m_pendingNameReplacement;
};

} // namespace ostrevin
