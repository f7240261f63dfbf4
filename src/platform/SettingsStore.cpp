#include "platform/SettingsStore.h"

#include <QSettings>

namespace ostrevin {

SettingsStore::SettingsStore(const QString& filePath, QObject* parent)
    : QObject(parent), m_settings(std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::filePath() const
{
    return m_settings->fileName();
}

bool SettingsStore::contains(const QString& key) const
{
    return m_settings->contains(key);
}

QVariant SettingsStore::value(const QString& key) const
{
    return m_settings->value(key);
}

void SettingsStore::setValue(const QString& key, const QVariant& value)
{
    m_settings->setValue(key, value);
    emit valueChanged(key);
}

void SettingsStore::remove(const QString& key)
{
    if (!m_settings->contains(key))
        return;
    m_settings->remove(key);
    emit valueChanged(key);
}

QStringList SettingsStore::keys() const
{
    return m_settings->allKeys();
}

void SettingsStore::sync()
{
    m_settings->sync();
}

} // namespace ostrevin
