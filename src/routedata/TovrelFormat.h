#pragma once

#include "routedata/MeasurementUnits.h"

#include <QCoreApplication>
#include <QLocale>
#include <QString>

namespace ostrevin {

/// Writes distances, speeds and durations for display. Quantities are kept in
/// metres, km/h and minutes everywhere else; only this formatter converts them,
/// and it reads the units setting and the current locale on every call, so a
/// change of either shows in the next text without a restart.
///
/// The short forms read the stored units setting (AppSettings::units) and QLocale();
/// the long forms take both explicitly.
class TovrelFormat {
    Q_DECLARE_TR_FUNCTIONS(TovrelFormat)

public:
    /// How a unit is written: "km/h" or "kilometers per hour".
    enum class UnitWidth { Abbreviated, Wide };

    TovrelFormat() = delete;

    /// Metres as "999 m", "1.2 km", "492 ft", "0.1 mi" or "150 yd".
    static QString distance(double meters);
    static QString distance(double meters, MeasurementUnits units, const QLocale& locale);

    /// km/h with its unit, converted to mph outside the metric system, no fraction digits.
    static QString speed(double kmh, UnitWidth width);
    static QString speed(double kmh, UnitWidth width, MeasurementUnits units, const QLocale& locale);

    /// The value speed() writes, without its unit.
    static QString speedNumber(double kmh);
    static QString speedNumber(double kmh, MeasurementUnits units, const QLocale& locale);

    /// Whole minutes as "1 hr, 15 min"; a negative count counts as 0.
    static QString duration(qint64 minutes);
    static QString duration(qint64 minutes, const QLocale& locale);

    /// A fraction (0…1, clamped) as whole percent, cut rather than rounded so that
    /// "100" never shows before the end, and free of binary error: 0.29 is 29.
    static int wholePercent(double fraction);

private:
    enum class MeasurementSystem { Metric, UK, US };

    static MeasurementSystem measurementSystem(MeasurementUnits units, const QLocale& locale);
    static double speedValue(double kmh, MeasurementSystem system);
};

} // namespace ostrevin
