#pragma once

#include "devicebridge/LocationHelperStatus.h"
#include "routedata/RoutePoint.h"

#include <QCoreApplication>
#include <QLocale>
#include <QString>
#include <QTime>
#include <exception>
#include <optional>

namespace ostrevin {

/// The view model's texts that depend on nothing but their arguments. They are
/// translated under the view model's context, where they have always been.
class PlannerTexts {
    Q_DECLARE_TR_FUNCTIONS(ostrevin::LocationPlannerViewModel)

public:
    /// Coordinates for the default names (start, destination, selected place), else the name.
    static QString displayName(const RoutePoint& point);
    static QString pointCountText(qint64 count);
    /// Whole minutes, rounded up.
    static QString durationText(double seconds);
    /// The travel mode of a directions step from its PlannedRouteStep transport bits.
    static QString transportStepTitle(unsigned transportTypeBits);
    static QString nextDeviceActionMessage(const LocationHelperStatus& status);
    /// The status text after a stop, naming the held point when there is one.
    static QString routeStoppedMessage(const std::optional<RoutePoint>& holding);
    /// An error's description up to its first blank line, trimmed.
    static QString summary(const QString& description);
    /// The user-facing text of any error a device or Telegram operation throws.
    static QString errorDescription(const std::exception_ptr& error);
    /// The suggested export file name (without ".gpx") for a route name.
    static QString sanitizedFileName(const QString& routeName);
    /// A time in the locale's short form with the seconds added: the event log's
    /// entries are often seconds apart.
    static QString timeWithSeconds(const QTime& time, const QLocale& locale);
};

} // namespace ostrevin
