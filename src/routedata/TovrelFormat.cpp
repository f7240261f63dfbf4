#include "routedata/TovrelFormat.h"

#include "routedata/AppSettings.h"

#include <algorithm>
#include <cmath>

namespace ostrevin {

namespace {

constexpr double metersPerMile = 1609.344;
constexpr double metersPerYard = 0.9144;
constexpr double metersPerFoot = 0.3048;
constexpr double kmhPerMph = metersPerMile / 1000.0;

// Rounds halves away from zero and never yields "-0".
double wholeNumber(double value)
{
    const double rounded = std::round(value);
    return rounded == 0 ? 0.0 : rounded;
}

QString number(const QLocale& locale, double value, int fractionDigits)
{
    return locale.toString(value, 'f', fractionDigits);
}

} // namespace

TovrelFormat::MeasurementSystem TovrelFormat::measurementSystem(MeasurementUnits units, const QLocale& locale)
{
    const QLocale::MeasurementSystem localeSystem = locale.measurementSystem();
    switch (units) {
    case MeasurementUnits::kilometers:
        return MeasurementSystem::Metric;
    case MeasurementUnits::miles:
        return localeSystem == QLocale::ImperialUKSystem ? MeasurementSystem::UK : MeasurementSystem::US;
    case MeasurementUnits::automatic:
        break;
    }
    switch (localeSystem) {
    case QLocale::ImperialUKSystem:
        return MeasurementSystem::UK;
    case QLocale::ImperialUSSystem:
        return MeasurementSystem::US;
    case QLocale::MetricSystem:
        break;
    }
    return MeasurementSystem::Metric;
}

double TovrelFormat::speedValue(double kmh, MeasurementSystem system)
{
    return system == MeasurementSystem::Metric ? kmh : kmh / kmhPerMph;
}

QString TovrelFormat::distance(double meters)
{
    return distance(meters, AppSettings::units(), QLocale());
}

QString TovrelFormat::distance(double meters, MeasurementUnits units, const QLocale& locale)
{
    // NaN, negative values and 0 all read as 0.
    const double value = meters > 0 ? meters : 0.0;
    const MeasurementSystem system = measurementSystem(units, locale);
    if (system == MeasurementSystem::Metric) {
        if (value < 1000) {
            //: Distance in metres, abbreviated unit, e.g. “250 m”.
            return tr("%1 m").arg(number(locale, wholeNumber(value), 0));
        }
        //: Distance in kilometres, abbreviated unit, e.g. “1.2 km”.
        return tr("%1 km").arg(number(locale, value / 1000.0, 1));
    }
    const double miles = value / metersPerMile;
    if (miles >= 0.1) {
        //: Distance in miles, abbreviated unit, e.g. “2.4 mi”.
        return tr("%1 mi").arg(number(locale, miles, 1));
    }
    if (system == MeasurementSystem::UK) {
        //: Short distance in yards, abbreviated unit, e.g. “150 yd”.
        return tr("%1 yd").arg(number(locale, wholeNumber(value / metersPerYard), 0));
    }
    //: Short distance in feet, abbreviated unit, e.g. “492 ft”.
    return tr("%1 ft").arg(number(locale, wholeNumber(value / metersPerFoot), 0));
}

QString TovrelFormat::speed(double kmh, UnitWidth width)
{
    return speed(kmh, width, AppSettings::units(), QLocale());
}

QString TovrelFormat::speed(double kmh, UnitWidth width, MeasurementUnits units, const QLocale& locale)
{
    const MeasurementSystem system = measurementSystem(units, locale);
    const double value = std::isfinite(kmh) ? wholeNumber(speedValue(kmh, system)) : 0.0;
    const QString text = number(locale, value, 0);
    const bool metric = system == MeasurementSystem::Metric;
    if (width == UnitWidth::Abbreviated) {
        if (metric) {
            //: Speed in kilometres per hour, abbreviated unit, e.g. “50 km/h”.
            return tr("%1 km/h").arg(text);
        }
        //: Speed in miles per hour, abbreviated unit, e.g. “31 mph”.
        return tr("%1 mph").arg(text);
    }
    const bool one = std::abs(value) == 1;
    if (metric && one) {
        //: Speed of exactly one kilometre per hour, unit written out.
        return tr("%1 kilometer per hour").arg(text);
    }
    if (metric) {
        //: Speed in kilometres per hour, unit written out, e.g. “50 kilometers per hour”.
        return tr("%1 kilometers per hour").arg(text);
    }
    if (one) {
        //: Speed of exactly one mile per hour, unit written out.
        return tr("%1 mile per hour").arg(text);
    }
    //: Speed in miles per hour, unit written out, e.g. “31 miles per hour”.
    return tr("%1 miles per hour").arg(text);
}

QString TovrelFormat::speedNumber(double kmh)
{
    return speedNumber(kmh, AppSettings::units(), QLocale());
}

QString TovrelFormat::speedNumber(double kmh, MeasurementUnits units, const QLocale& locale)
{
    const double value = std::isfinite(kmh) ? wholeNumber(speedValue(kmh, measurementSystem(units, locale))) : 0.0;
    return number(locale, value, 0);
}

QString TovrelFormat::duration(qint64 minutes)
{
    return duration(minutes, QLocale());
}

QString TovrelFormat::duration(qint64 minutes, const QLocale& locale)
{
    const qint64 total = std::max<qint64>(minutes, 0);
    const qint64 hours = total / 60;
    const qint64 rest = total % 60;
    //: Hours of a duration, abbreviated unit, e.g. “2 hr”.
    const QString hoursText = tr("%1 hr").arg(locale.toString(hours));
    //: Minutes of a duration, abbreviated unit, e.g. “15 min”.
    const QString minutesText = tr("%1 min").arg(locale.toString(rest));
    if (hours == 0)
        return minutesText; // also "0 min" for an empty duration
    if (rest == 0)
        return hoursText;
    //: Hours and minutes of a duration joined, e.g. “1 hr, 15 min”.
    return tr("%1, %2").arg(hoursText, minutesText);
}

int TovrelFormat::wholePercent(double fraction)
{
    if (!(fraction > 0))
        return 0;
    // 0.29 * 100 is 28.999999999999996 in binary: a hair of slack, far below what
    // any real progress step can be, keeps it at 29.
    return static_cast<int>(std::floor(std::min(fraction, 1.0) * 100.0 + 1e-9));
}

} // namespace ostrevin
