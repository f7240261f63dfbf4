#pragma once

#include "routedata/MapStylePreference.h"
#include "routedata/MeasurementUnits.h"
#include "routedata/RawEnum.h"
#include "routedata/RoutePoint.h"
#include "routedata/RouteSpeedProfile.h"
#include "routedata/RouteTransportMode.h"

#include <QStringList>
#include <optional>

namespace ostrevin {

class SettingsStore;

/// The named settings of the app's own domain, read as typed values with a default
/// for every missing or unusable stored value. This is the one place that spells
/// the keys; everything else names them through AppSettings::Key.
///
/// Each accessor reads the store at the moment it is called. Without a store
/// argument it uses the standard store: the one the application installs at
/// start-up with setStandardStore() (tests pass their own store instead).
class AppSettings {
public:
    enum class Key {
        units,
        mapStyle,
        defaultTravelMode,
        defaultSpeedProfile,
        lockRefreshInterval,
        alarmSoundEnabled,
        legacyDefaultsMigrated,
        lockedPoint,
        resetPending,
        telegramEnabled,
        telegramChatID,
        appleLanguages,
    };

    /// The stored key, e.g. "Pellwick.units".
    static QString name(Key key);
    /// The key a SettingsStore::valueChanged name stands for, if it is one of ours.
    static std::optional<Key> keyNamed(QStringView name);

    /// The application's own domain; not owned. Null restores the built-in fallback
    /// (the domain file found from the environment).
    static void setStandardStore(SettingsStore* store);
    static SettingsStore& standardStore();

    /// "automatic" when absent or not one of the three raw values (case-sensitive).
    static MeasurementUnits units(const SettingsStore& store = standardStore());
    static void setUnits(MeasurementUnits units, SettingsStore& store = standardStore());

    /// "standard" when absent or unknown.
    static MapStylePreference mapStyle(const SettingsStore& store = standardStore());
    static void setMapStyle(MapStylePreference style, SettingsStore& store = standardStore());

    /// Only the planning modes (automobile, walking, transit) count; anything else,
    /// "bus" and "any" included, gives automobile.
    static RouteTransportMode defaultTravelMode(const SettingsStore& store = standardStore());
    static void setDefaultTravelMode(RouteTransportMode mode, SettingsStore& store = standardStore());

    /// normal when absent or unknown.
    static RouteSpeedProfile defaultSpeedProfile(const SettingsStore& store = standardStore());
    static void setDefaultSpeedProfile(RouteSpeedProfile profile, SettingsStore& store = standardStore());

    /// No value when absent. Otherwise clamped to 5...60 s; a value that is not a
    /// number reads as 0 and so gives 5. NaN and infinity (a hand-edited file) give
    /// no value, so the caller falls back to its own default instead of clamping
    /// garbage into a plausible interval.
    static std::optional<double> storedLockRefreshInterval(const SettingsStore& store = standardStore());
    /// Written as given; reading clamps.
    static void setLockRefreshInterval(double seconds, SettingsStore& store = standardStore());

    /// true when absent or unreadable.
    static bool isAlarmSoundEnabled(const SettingsStore& store = standardStore());
    static void setAlarmSoundEnabled(bool enabled, SettingsStore& store = standardStore());

    /// Removes the six preference keys above, in their table order, and nothing else.
    static void resetToDefaults(SettingsStore& store = standardStore());

    /// Whether the settings of the earlier product names were copied over.
    static bool isLegacyDefaultsMigrated(const SettingsStore& store = standardStore());
    static void setLegacyDefaultsMigrated(bool migrated, SettingsStore& store = standardStore());

    /// The held point kept for the next launch, as JSON. No value when absent, when
    /// it does not decode, or when its coordinates are out of range, so a
    /// hand-edited file never sends an impossible point to a tool.
    static std::optional<RoutePoint> lockedPoint(const SettingsStore& store = standardStore());
    /// No value removes the key. Throws JsonCodingError for a non-finite coordinate
    /// (and then keeps the stored value).
    static void setLockedPoint(const std::optional<RoutePoint>& point, SettingsStore& store = standardStore());

    /// An unfinished location reset; false when absent.
    static bool isResetPending(const SettingsStore& store = standardStore());
    static void setResetPending(bool pending, SettingsStore& store = standardStore());

    /// The Telegram alerts switch; false when absent.
    static bool isTelegramEnabled(const SettingsStore& store = standardStore());
    static void setTelegramEnabled(bool enabled, SettingsStore& store = standardStore());

    /// The Telegram chat identifier; empty when absent.
    static QString telegramChatID(const SettingsStore& store = standardStore());
    static void setTelegramChatID(const QString& chatID, SettingsStore& store = standardStore());

    /// The preferred language as a one-element list; empty for the system default.
    static QStringList preferredLanguages(const SettingsStore& store = standardStore());
    /// An empty list removes the key.
    static void setPreferredLanguages(const QStringList& languages, SettingsStore& store = standardStore());
};

template <> struct RawEnumTraits<AppSettings::Key> {
    using K = AppSettings::Key;
    static constexpr std::array<std::pair<K, QStringView>, 12> cases{{
        {K::units, u"Pellwick.units"},
        {K::mapStyle, u"Pellwick.mapStyle"},
        {K::defaultTravelMode, u"Pellwick.defaultTravelMode"},
        {K::defaultSpeedProfile, u"Pellwick.defaultSpeedProfile"},
        {K::lockRefreshInterval, u"Pellwick.lockRefreshInterval"},
        {K::alarmSoundEnabled, u"Pellwick.alarmSoundEnabled"},
        {K::legacyDefaultsMigrated, u"Ostrevin.legacyDefaultsMigrated"},
        {K::lockedPoint, u"Tovrel.lockedPoint"},
        {K::resetPending, u"Tovrel.resetPending"},
        {K::telegramEnabled, u"Tovrel.telegram.enabled"},
        {K::telegramChatID, u"Tovrel.telegram.chatID"},
        {K::appleLanguages, u"AppleLanguages"},
    }};
};

} // namespace ostrevin
