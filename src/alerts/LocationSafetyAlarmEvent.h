#pragma once

#include <QDateTime>
#include <QString>
#include <QUuid>
#include <optional>

namespace ostrevin {

/// One interruption of the held location, as the alarm shows it. The alarm tells
/// a new incident from an update of the shown one by its id.
struct LocationSafetyAlarmEvent {
    QUuid id = QUuid::createUuid();
    QDateTime detectedAt;
    QDateTime lastUpdatedAt;
    /// "Unknown location" when no point is known.
    QString pointName;
    std::optional<double> latitude;
    std::optional<double> longitude;
    QString reason;
    bool isRecoveryConfirmed = false;
    /// What the recovery waits for, in words, while it can't go on without the user;
    /// empty while Ostrevin restores the location by itself.
    QString recoveryWait;

    bool operator==(const LocationSafetyAlarmEvent&) const = default;
};

} // namespace ostrevin
