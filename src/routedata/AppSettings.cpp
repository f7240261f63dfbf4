#include "routedata/AppSettings.h"

#include "platform/AppPaths.h"
#include "platform/SettingsStore.h"
#include "routedata/JsonCodingError.h"

#include <QMetaType>
#include <algorithm>
#include <cmath>
#include <memory>

namespace ostrevin {

namespace {

using Key = AppSettings::Key;

SettingsStore* installedStore = nullptr;

QVariant stored(const SettingsStore& store, Key key)
{
    return store.value(AppSettings::name(key));
}

template <RawEnum E> std::optional<E> storedEnum(const SettingsStore& store, Key key)
{
    const QVariant v = stored(store, key);
    if (v.metaType().id() != QMetaType::QString)
        return std::nullopt;
    return fromRaw<E>(v.toString());
}

// INI keeps no types: a boolean comes back as the text "true" or "false" after a
// restart, and as a bool before. Anything else counts as unreadable.
bool storedBool(const SettingsStore& store, Key key, bool fallback)
{
    const QVariant v = stored(store, key);
    switch (v.metaType().id()) {
    case QMetaType::Bool:
        return v.toBool();
    case QMetaType::Int:
    case QMetaType::LongLong:
        return v.toLongLong() != 0;
    case QMetaType::QString: {
        const QString text = v.toString();
        if (text == u"true" || text == u"1")
            return true;
        if (text == u"false" || text == u"0")
            return false;
        return fallback;
    }
    default:
        return fallback;
    }
}

void write(SettingsStore& store, Key key, const QVariant& value)
{
    store.setValue(AppSettings::name(key), value);
}

template <RawEnum E> void writeEnum(SettingsStore& store, Key key, E value)
{
    write(store, key, toRaw(value));
}

bool isUsableCoordinate(const RoutePoint& p)
{
    return std::isfinite(p.latitude) && std::isfinite(p.longitude) && std::abs(p.latitude) <= 90 &&
           std::abs(p.longitude) <= 180;
}

} // namespace

QString AppSettings::name(Key key)
{
    return toRaw(key);
}

std::optional<AppSettings::Key> AppSettings::keyNamed(QStringView name)
{
    return fromRaw<Key>(name);
}

void AppSettings::setStandardStore(SettingsStore* store)
{
    installedStore = store;
}

SettingsStore& AppSettings::standardStore()
{
    if (installedStore)
        return *installedStore;
    static const std::unique_ptr<SettingsStore> fallback = std::make_unique<SettingsStore>(
        AppPaths::fromEnvironment().settingsFile(QString::fromUtf16(SettingsStore::appDomain)));
    return *fallback;
}

MeasurementUnits AppSettings::units(const SettingsStore& store)
{
    return storedEnum<MeasurementUnits>(store, Key::units).value_or(MeasurementUnits::automatic);
}

void AppSettings::setUnits(MeasurementUnits units, SettingsStore& store)
{
    writeEnum(store, Key::units, units);
}

MapStylePreference AppSettings::mapStyle(const SettingsStore& store)
{
    return storedEnum<MapStylePreference>(store, Key::mapStyle).value_or(MapStylePreference::standard);
}

void AppSettings::setMapStyle(MapStylePreference style, SettingsStore& store)
{
    writeEnum(store, Key::mapStyle, style);
}

RouteTransportMode AppSettings::defaultTravelMode(const SettingsStore& store)
{
    const std::optional<RouteTransportMode> mode = storedEnum<RouteTransportMode>(store, Key::defaultTravelMode);
    if (mode && std::find(planningModes.begin(), planningModes.end(), *mode) != planningModes.end())
        return *mode;
    return RouteTransportMode::automobile;
}

void AppSettings::setDefaultTravelMode(RouteTransportMode mode, SettingsStore& store)
{
    writeEnum(store, Key::defaultTravelMode, mode);
}

RouteSpeedProfile AppSettings::defaultSpeedProfile(const SettingsStore& store)
{
    return storedEnum<RouteSpeedProfile>(store, Key::defaultSpeedProfile).value_or(RouteSpeedProfile::normal);
}

void AppSettings::setDefaultSpeedProfile(RouteSpeedProfile profile, SettingsStore& store)
{
    writeEnum(store, Key::defaultSpeedProfile, profile);
}

std::optional<double> AppSettings::storedLockRefreshInterval(const SettingsStore& store)
{
    const QVariant v = stored(store, Key::lockRefreshInterval);
    if (!v.isValid())
        return std::nullopt;
    bool ok = false;
    double seconds = v.toDouble(&ok);
    if (!ok)
        seconds = 0;
    if (!std::isfinite(seconds))
        return std::nullopt;
    return std::clamp(seconds, 5.0, 60.0);
}

void AppSettings::setLockRefreshInterval(double seconds, SettingsStore& store)
{
    write(store, Key::lockRefreshInterval, seconds);
}

bool AppSettings::isAlarmSoundEnabled(const SettingsStore& store)
{
    return storedBool(store, Key::alarmSoundEnabled, true);
}

void AppSettings::setAlarmSoundEnabled(bool enabled, SettingsStore& store)
{
    write(store, Key::alarmSoundEnabled, enabled);
}

void AppSettings::resetToDefaults(SettingsStore& store)
{
    for (Key key : {Key::units, Key::mapStyle, Key::defaultTravelMode, Key::defaultSpeedProfile,
                    Key::lockRefreshInterval, Key::alarmSoundEnabled})
        store.remove(name(key));
}

bool AppSettings::isLegacyDefaultsMigrated(const SettingsStore& store)
{
    return storedBool(store, Key::legacyDefaultsMigrated, false);
}

void AppSettings::setLegacyDefaultsMigrated(bool migrated, SettingsStore& store)
{
    write(store, Key::legacyDefaultsMigrated, migrated);
}

std::optional<RoutePoint> AppSettings::lockedPoint(const SettingsStore& store)
{
    const QVariant v = stored(store, Key::lockedPoint);
    if (!v.isValid())
        return std::nullopt;
    try {
        const RoutePoint point = RoutePoint::fromJsonBytes(v.toByteArray());
        if (isUsableCoordinate(point))
            return point;
    } catch (const JsonCodingError&) {
        // A point that does not decode is dropped without a message.
    }
    return std::nullopt;
}

void AppSettings::setLockedPoint(const std::optional<RoutePoint>& point, SettingsStore& store)
{
    if (!point) {
        store.remove(name(Key::lockedPoint));
        return;
    }
    write(store, Key::lockedPoint, point->toJsonBytes());
}

bool AppSettings::isResetPending(const SettingsStore& store)
{
    return storedBool(store, Key::resetPending, false);
}

void AppSettings::setResetPending(bool pending, SettingsStore& store)
{
    write(store, Key::resetPending, pending);
}

bool AppSettings::isTelegramEnabled(const SettingsStore& store)
{
    return storedBool(store, Key::telegramEnabled, false);
}

void AppSettings::setTelegramEnabled(bool enabled, SettingsStore& store)
{
    write(store, Key::telegramEnabled, enabled);
}

QString AppSettings::telegramChatID(const SettingsStore& store)
{
    const QVariant v = stored(store, Key::telegramChatID);
    return v.metaType().id() == QMetaType::QString ? v.toString() : QString();
}

void AppSettings::setTelegramChatID(const QString& chatID, SettingsStore& store)
{
    write(store, Key::telegramChatID, chatID);
}

QStringList AppSettings::preferredLanguages(const SettingsStore& store)
{
    const QVariant v = stored(store, Key::appleLanguages);
    if (v.metaType().id() == QMetaType::QStringList)
        return v.toStringList();
    // INI reads a one-element list back as plain text.
    if (v.metaType().id() == QMetaType::QString && !v.toString().isEmpty())
        return {v.toString()};
    return {};
}

void AppSettings::setPreferredLanguages(const QStringList& languages, SettingsStore& store)
{
    if (languages.isEmpty()) {
        store.remove(name(Key::appleLanguages));
        return;
    }
    write(store, Key::appleLanguages, languages);
}

} // namespace ostrevin
