#pragma once

#include "routedata/RoutePoint.h"
#include "routedata/RouteSpeedProfile.h"
#include "routedata/RouteTransportMode.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace ostrevin {

/// Writes a route as GPX 1.1 text, line by line with fixed indentation.
///
/// The export form is the file the user saves: every point as a waypoint, the route
/// as a GPX route and a track timed at the route's one speed. The playback form is
/// the track handed to pymobiledevice3: densely interpolated samples whose timing
/// follows the speed model, so the phone moves in small steps at the model's speeds.
///
/// Coordinates are written locale-free with six decimals. Both forms throw
/// LocationValidationError (noPoints) for an empty route. Safe to call from any thread.
class GPXGenerator {
public:
    GPXGenerator() = delete;

    /// The export form, timed from `now` at max(speedKmh, 1) km/h with at least one
    /// second per segment.
    static QString generate(const QList<RoutePoint>& points, double speedKmh, const QString& routeName,
                            const QDateTime& now = QDateTime::currentDateTimeUtc());

    /// The playback form. `updateInterval` is the preferred time between samples in
    /// seconds; the track never holds much more than 25,000 samples whatever the
    /// route's length.
    static QString generatePlayback(const QList<RoutePoint>& points, RouteSpeedProfile speedProfile,
                                    RouteTransportMode transportMode, double fallbackSpeedKmh, const QString& routeName,
                                    double updateInterval, const QDateTime& now = QDateTime::currentDateTimeUtc());

    /// Text made safe for an XML element or attribute. Control characters that XML
    /// 1.0 cannot carry at all (and the non-characters U+FFFE, U+FFFF) are dropped,
    /// so a pasted name can never make the file unreadable.
    static QString escaped(const QString& text);
};

} // namespace ostrevin
