#pragma once

#include "routedata/RoutePoint.h"

#include <QDateTime>

namespace ostrevin {

/// One entry of the saved-locations file.
struct SavedLocation {
    QUuid id = QUuid::createUuid();
    QString name{};
    QDateTime createdAt = QDateTime::currentDateTimeUtc();
    RoutePoint point{};

    bool operator==(const SavedLocation&) const = default;

    void writeJson(JsonWriter& writer) const;
    /// Every key required. Throws JsonCodingError.
    static SavedLocation fromJson(const QJsonValue& value);
};

} // namespace ostrevin
