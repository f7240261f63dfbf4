#include "routedata/TovrelFormat.h"

#include "platform/SettingsStore.h"
#include "routedata/AppSettings.h"
#include "routedata/RouteSpeedCalculator.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <limits>

using namespace ostrevin;

namespace {

const QLocale us(QLocale::English, QLocale::UnitedStates);
const QLocale britain(QLocale::English, QLocale::UnitedKingdom);
const QLocale germany(QLocale::German, QLocale::Germany);

constexpr auto automatic = MeasurementUnits::automatic;
constexpr auto kilometers = MeasurementUnits::kilometers;
constexpr auto miles = MeasurementUnits::miles;

} // namespace

TEST(TovrelFormat, DistancesFollowTheUnitsSettingAndLocale)
{
    struct Case {
        double meters;
        MeasurementUnits units;
        QLocale locale;
        QString expected;
    } cases[] = {
        // Metric: whole metres below 1,000 m (compared before rounding), then kilometres with one decimal.
        {999.4, kilometers, us, QStringLiteral("999 m")},
        {999.6, kilometers, us, QStringLiteral("1,000 m")},
        {1000, kilometers, us, QStringLiteral("1.0 km")},
        {1234, kilometers, us, QStringLiteral("1.2 km")},
        {0.5, kilometers, us, QStringLiteral("1 m")},
        {0, kilometers, us, QStringLiteral("0 m")},
        {-25, kilometers, us, QStringLiteral("0 m")},
        {std::numeric_limits<double>::quiet_NaN(), kilometers, us, QStringLiteral("0 m")},
        {1234, automatic, germany, QStringLiteral("1,2 km")},
        {999.6, automatic, germany, QStringLiteral("1.000 m")},
        {1'234'567, automatic, germany, QStringLiteral("1.234,6 km")},
        // US: miles from 0.1 mi, feet below.
        {150, automatic, us, QStringLiteral("492 ft")},
        {160, automatic, us, QStringLiteral("525 ft")},
        {161, automatic, us, QStringLiteral("0.1 mi")},
        {1609.344, automatic, us, QStringLiteral("1.0 mi")},
        {0, automatic, us, QStringLiteral("0 ft")},
        {-3, miles, us, QStringLiteral("0 ft")},
        {150, miles, germany, QStringLiteral("492 ft")}, // miles outside Britain means the US system
        // Britain: yards below 0.1 mi.
        {150, automatic, britain, QStringLiteral("164 yd")},
        {150, miles, britain, QStringLiteral("164 yd")},
        {160, miles, britain, QStringLiteral("175 yd")},
        {5000, miles, britain, QStringLiteral("3.1 mi")},
        {150, kilometers, britain, QStringLiteral("150 m")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TovrelFormat::distance(c.meters, c.units, c.locale), c.expected)
            << c.meters << " m, " << toRaw(c.units).toStdString() << ", " << c.locale.name().toStdString();
    }
}

TEST(TovrelFormat, SpeedsInTheDisplayUnitWithoutFraction)
{
    using W = TovrelFormat::UnitWidth;
    struct Case {
        double kmh;
        W width;
        MeasurementUnits units;
        QLocale locale;
        QString speed;
        QString number;
    } cases[] = {
        {25, W::Abbreviated, kilometers, us, QStringLiteral("25 km/h"), QStringLiteral("25")},
        {25, W::Abbreviated, automatic, us, QStringLiteral("16 mph"), QStringLiteral("16")},
        {90, W::Abbreviated, miles, britain, QStringLiteral("56 mph"), QStringLiteral("56")},
        {90, W::Abbreviated, automatic, britain, QStringLiteral("56 mph"), QStringLiteral("56")},
        {6.5, W::Abbreviated, automatic, germany, QStringLiteral("7 km/h"), QStringLiteral("7")},
        {1200, W::Abbreviated, automatic, germany, QStringLiteral("1.200 km/h"), QStringLiteral("1.200")},
        {-0.2, W::Abbreviated, kilometers, us, QStringLiteral("0 km/h"), QStringLiteral("0")},
        {90, W::Wide, kilometers, us, QStringLiteral("90 kilometers per hour"), QStringLiteral("90")},
        {1, W::Wide, kilometers, us, QStringLiteral("1 kilometer per hour"), QStringLiteral("1")},
        {50, W::Wide, miles, us, QStringLiteral("31 miles per hour"), QStringLiteral("31")},
        {1.609344, W::Wide, miles, us, QStringLiteral("1 mile per hour"), QStringLiteral("1")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TovrelFormat::speed(c.kmh, c.width, c.units, c.locale), c.speed) << c.kmh;
        EXPECT_EQ(TovrelFormat::speedNumber(c.kmh, c.units, c.locale), c.number) << c.kmh;
    }
}

TEST(TovrelFormat, DurationsInHoursAndMinutes)
{
    struct Case {
        qint64 minutes;
        QString expected;
    } cases[] = {
        {75, QStringLiteral("1 hr, 15 min")},  {60, QStringLiteral("1 hr")},   {5, QStringLiteral("5 min")},
        {0, QStringLiteral("0 min")},          {-20, QStringLiteral("0 min")}, {1501, QStringLiteral("25 hr, 1 min")},
        {120'000, QStringLiteral("2,000 hr")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TovrelFormat::duration(c.minutes, us), c.expected) << c.minutes;
    EXPECT_EQ(TovrelFormat::duration(120'000, germany), QStringLiteral("2.000 hr"));
}

TEST(TovrelFormat, ShortFormsReadTheStoredSettingOnEveryCall)
{
    test::TempDir dir;
    SettingsStore store(dir.file(QStringLiteral("settings.conf")));
    AppSettings::setStandardStore(&store);
    const QLocale previous;
    QLocale::setDefault(us);

    const auto texts = [] {
        return QStringList{TovrelFormat::distance(150), TovrelFormat::speed(90, TovrelFormat::UnitWidth::Abbreviated),
                           TovrelFormat::speedNumber(90),
                           summary(RouteSpeedProfile::normal, RouteTransportMode::walking, 30)};
    };
    // No setting: the US region's own system.
    EXPECT_EQ(texts(), (QStringList{QStringLiteral("492 ft"), QStringLiteral("56 mph"), QStringLiteral("56"),
                                    QStringLiteral("3 mph on foot")}));
    AppSettings::setUnits(MeasurementUnits::kilometers, store);
    EXPECT_EQ(texts(), (QStringList{QStringLiteral("150 m"), QStringLiteral("90 km/h"), QStringLiteral("90"),
                                    QStringLiteral("5 km/h on foot")}));
    AppSettings::setUnits(MeasurementUnits::miles, store);
    QLocale::setDefault(britain);
    EXPECT_EQ(texts(), (QStringList{QStringLiteral("164 yd"), QStringLiteral("56 mph"), QStringLiteral("56"),
                                    QStringLiteral("3 mph on foot")}));

    QLocale::setDefault(previous);
    AppSettings::setStandardStore(nullptr);
}

TEST(TovrelFormat, PercentagesAreCutWithoutBinaryError)
{
    struct Case {
        double fraction;
        int percent;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const Case c : {Case{0.29, 29}, Case{0.57, 57}, Case{0.58, 58}, Case{0.999, 99}, Case{0.2899, 28},
                         Case{1.0, 100}, Case{1.5, 100}, Case{-0.1, 0}, Case{nan, 0}}) {
        SCOPED_TRACE(c.fraction);
        EXPECT_EQ(TovrelFormat::wholePercent(c.fraction), c.percent);
    }
}
