#include "routedata/AppSettings.h"

#include "platform/SettingsStore.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <limits>

using namespace ostrevin;
using namespace Qt::StringLiterals;

namespace {

using Key = AppSettings::Key;

// Writes raw values the way a hand-edited or older settings file holds them, then
// returns the file so a fresh store reads them back through INI.
QString fileWith(const test::TempDir& dir, const QList<std::pair<Key, QVariant>>& values)
{
    const QString file = dir.file(u"Ostrevin/com.ostrevin.mac.conf"_s);
    SettingsStore writer(file);
    for (const auto& [key, value] : values)
        writer.setValue(AppSettings::name(key), value);
    writer.sync();
    return file;
}

} // namespace

TEST(AppSettings, AFreshStoreGivesEveryDefault)
{
    test::TempDir dir;
    const SettingsStore store(dir.file(u"Ostrevin/com.ostrevin.mac.conf"_s));
    EXPECT_EQ(AppSettings::units(store), MeasurementUnits::automatic);
    EXPECT_EQ(AppSettings::mapStyle(store), MapStylePreference::standard);
    EXPECT_EQ(AppSettings::defaultTravelMode(store), RouteTransportMode::automobile);
    EXPECT_EQ(AppSettings::defaultSpeedProfile(store), RouteSpeedProfile::normal);
    EXPECT_EQ(AppSettings::storedLockRefreshInterval(store), std::nullopt);
    EXPECT_TRUE(AppSettings::isAlarmSoundEnabled(store));
    EXPECT_FALSE(AppSettings::isLegacyDefaultsMigrated(store));
    EXPECT_EQ(AppSettings::lockedPoint(store), std::nullopt);
    EXPECT_FALSE(AppSettings::isResetPending(store));
    EXPECT_FALSE(AppSettings::isTelegramEnabled(store));
    EXPECT_TRUE(AppSettings::telegramChatID(store).isEmpty());
    EXPECT_TRUE(AppSettings::preferredLanguages(store).isEmpty());
}

TEST(AppSettings, StoredValuesReadBackTypedAndClamped)
{
    struct Case {
        const char* name;
        QList<std::pair<Key, QVariant>> stored;
        std::function<void(const SettingsStore&)> check;
    };
    const Case cases[] = {
        {"walking",
         {{Key::defaultTravelMode, u"walking"_s}},
         [](auto& s) { EXPECT_EQ(AppSettings::defaultTravelMode(s), RouteTransportMode::walking); }},
        {"transit",
         {{Key::defaultTravelMode, u"transit"_s}},
         [](auto& s) { EXPECT_EQ(AppSettings::defaultTravelMode(s), RouteTransportMode::transit); }},
        {"tram is no planning mode",
         {{Key::defaultTravelMode, u"tram"_s}},
         [](auto& s) { EXPECT_EQ(AppSettings::defaultTravelMode(s), RouteTransportMode::automobile); }},
        {"any is no planning mode",
         {{Key::defaultTravelMode, u"any"_s}},
         [](auto& s) { EXPECT_EQ(AppSettings::defaultTravelMode(s), RouteTransportMode::automobile); }},
        {"units miles",
         {{Key::units, u"miles"_s}},
         [](auto& s) { EXPECT_EQ(AppSettings::units(s), MeasurementUnits::miles); }},
        {"units Miles",
         {{Key::units, u"Miles"_s}},
         [](auto& s) { EXPECT_EQ(AppSettings::units(s), MeasurementUnits::automatic); }},
        {"map hybrid",
         {{Key::mapStyle, u"hybrid"_s}},
         [](auto& s) { EXPECT_EQ(AppSettings::mapStyle(s), MapStylePreference::hybrid); }},
        {"map unknown",
         {{Key::mapStyle, u"terrain"_s}},
         [](auto& s) { EXPECT_EQ(AppSettings::mapStyle(s), MapStylePreference::standard); }},
        {"profile extreme",
         {{Key::defaultSpeedProfile, u"extreme"_s}},
         [](auto& s) { EXPECT_EQ(AppSettings::defaultSpeedProfile(s), RouteSpeedProfile::extreme); }},
        {"profile unknown",
         {{Key::defaultSpeedProfile, u"ludicrous"_s}},
         [](auto& s) { EXPECT_EQ(AppSettings::defaultSpeedProfile(s), RouteSpeedProfile::normal); }},
        {"interval 2",
         {{Key::lockRefreshInterval, 2}},
         [](auto& s) { EXPECT_EQ(AppSettings::storedLockRefreshInterval(s), 5.0); }},
        {"interval 5",
         {{Key::lockRefreshInterval, 5}},
         [](auto& s) { EXPECT_EQ(AppSettings::storedLockRefreshInterval(s), 5.0); }},
        {"interval 30",
         {{Key::lockRefreshInterval, 30}},
         [](auto& s) { EXPECT_EQ(AppSettings::storedLockRefreshInterval(s), 30.0); }},
        {"interval 12.5",
         {{Key::lockRefreshInterval, 12.5}},
         [](auto& s) { EXPECT_EQ(AppSettings::storedLockRefreshInterval(s), 12.5); }},
        {"interval 61",
         {{Key::lockRefreshInterval, 61}},
         [](auto& s) { EXPECT_EQ(AppSettings::storedLockRefreshInterval(s), 60.0); }},
        {"interval not a number",
         {{Key::lockRefreshInterval, u"soon"_s}},
         [](auto& s) { EXPECT_EQ(AppSettings::storedLockRefreshInterval(s), 5.0); }},
        {"interval NaN",
         {{Key::lockRefreshInterval, u"nan"_s}},
         [](auto& s) { EXPECT_EQ(AppSettings::storedLockRefreshInterval(s), std::nullopt); }},
        {"interval infinite",
         {{Key::lockRefreshInterval, std::numeric_limits<double>::infinity()}},
         [](auto& s) { EXPECT_EQ(AppSettings::storedLockRefreshInterval(s), std::nullopt); }},
        {"alarm off",
         {{Key::alarmSoundEnabled, false}},
         [](auto& s) { EXPECT_FALSE(AppSettings::isAlarmSoundEnabled(s)); }},
        {"alarm unreadable",
         {{Key::alarmSoundEnabled, u"perhaps"_s}},
         [](auto& s) { EXPECT_TRUE(AppSettings::isAlarmSoundEnabled(s)); }},
        {"reset pending", {{Key::resetPending, true}}, [](auto& s) { EXPECT_TRUE(AppSettings::isResetPending(s)); }},
        {"chat id",
         {{Key::telegramChatID, u"-100123"_s}},
         [](auto& s) { EXPECT_EQ(AppSettings::telegramChatID(s), u"-100123"_s); }},
        {"language",
         {{Key::appleLanguages, QStringList{u"cs"_s}}},
         [](auto& s) { EXPECT_EQ(AppSettings::preferredLanguages(s), QStringList{u"cs"_s}); }},
        {"held point out of range",
         {{Key::lockedPoint,
           QByteArray(R"({"id":"11111111-2222-3333-4444-555555555555","latitude":91,"longitude":0,"name":"x"})")}},
         [](auto& s) { EXPECT_EQ(AppSettings::lockedPoint(s), std::nullopt); }},
        {"held point not JSON",
         {{Key::lockedPoint, QByteArray("{")}},
         [](auto& s) { EXPECT_EQ(AppSettings::lockedPoint(s), std::nullopt); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const SettingsStore fresh(fileWith(dir, c.stored));
        c.check(fresh);
    }
}

TEST(AppSettings, TypedWritesSurviveAFreshStore)
{
    test::TempDir dir;
    const QString file = dir.file(u"Ostrevin/com.ostrevin.mac.conf"_s);
    const RoutePoint held{.name = u"Prague"_s, .latitude = 50.0755, .longitude = 14.4378};
    {
        SettingsStore store(file);
        AppSettings::setUnits(MeasurementUnits::kilometers, store);
        AppSettings::setDefaultTravelMode(RouteTransportMode::walking, store);
        AppSettings::setLockRefreshInterval(3, store);
        AppSettings::setAlarmSoundEnabled(false, store);
        AppSettings::setLockedPoint(held, store);
        AppSettings::setTelegramEnabled(true, store);
        RoutePoint nan = held;
        nan.latitude = std::numeric_limits<double>::quiet_NaN();
        EXPECT_ANY_THROW(AppSettings::setLockedPoint(nan, store));
        store.sync();
    }
    SettingsStore fresh(file);
    EXPECT_EQ(AppSettings::units(fresh), MeasurementUnits::kilometers);
    EXPECT_EQ(AppSettings::defaultTravelMode(fresh), RouteTransportMode::walking);
    EXPECT_EQ(fresh.value(AppSettings::name(Key::lockRefreshInterval)).toDouble(), 3.0); // written unclamped
    EXPECT_EQ(AppSettings::storedLockRefreshInterval(fresh), 5.0);
    EXPECT_FALSE(AppSettings::isAlarmSoundEnabled(fresh));
    EXPECT_EQ(AppSettings::lockedPoint(fresh), held);
    EXPECT_TRUE(AppSettings::isTelegramEnabled(fresh));
    AppSettings::setLockedPoint(std::nullopt, fresh);
    EXPECT_FALSE(fresh.contains(AppSettings::name(Key::lockedPoint)));
}

TEST(AppSettings, ResetRemovesOnlyTheSixPreferences)
{
    test::TempDir dir;
    SettingsStore store(fileWith(dir, {{Key::units, u"miles"_s},
                                       {Key::mapStyle, u"hybrid"_s},
                                       {Key::defaultTravelMode, u"walking"_s},
                                       {Key::defaultSpeedProfile, u"fast"_s},
                                       {Key::lockRefreshInterval, 30},
                                       {Key::alarmSoundEnabled, false},
                                       {Key::legacyDefaultsMigrated, true},
                                       {Key::resetPending, true},
                                       {Key::telegramChatID, u"42"_s}}));
    store.setValue(u"Unrelated.key"_s, 1);
    AppSettings::resetToDefaults(store);
    EXPECT_EQ(store.keys().size(), 4);
    EXPECT_EQ(AppSettings::units(store), MeasurementUnits::automatic);
    EXPECT_EQ(AppSettings::storedLockRefreshInterval(store), std::nullopt);
    EXPECT_TRUE(AppSettings::isAlarmSoundEnabled(store));
    EXPECT_TRUE(AppSettings::isLegacyDefaultsMigrated(store));
    EXPECT_TRUE(AppSettings::isResetPending(store));
    EXPECT_EQ(AppSettings::telegramChatID(store), u"42"_s);
    EXPECT_TRUE(store.contains(u"Unrelated.key"_s));
}

TEST(AppSettings, KeyNamesMapBothWays)
{
    for (Key key : allCases<Key>())
        EXPECT_EQ(AppSettings::keyNamed(AppSettings::name(key)), key);
    EXPECT_EQ(AppSettings::keyNamed(u"pellwick.units"), std::nullopt);
}
