#pragma once

#include "routedata/TrackerLogLevel.h"

#include <QDateTime>
#include <QUuid>

namespace ostrevin {

/// One event-log entry; kept in memory only.
struct TrackerLogEntry {
    QUuid id = QUuid::createUuid();
    QDateTime date = QDateTime::currentDateTimeUtc();
    TrackerLogLevel level = TrackerLogLevel::info;
    QString message{};

    bool operator==(const TrackerLogEntry&) const = default;
};

} // namespace ostrevin
