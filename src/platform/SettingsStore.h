#pragma once

#include <QObject>
#include <QStringList>
#include <QVariant>
#include <memory>

class QSettings;

namespace ostrevin {

/// A user-defaults domain kept as an INI file. INI keeps no types: read numbers
/// with toDouble(&ok) and treat anything that does not convert as absent.
/// Keys are flat strings such as "Tovrel.lockedPoint"; "/" is not used in keys.
class SettingsStore : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsStore)

public:
    /// The app's own domain identifier.
    static constexpr const char16_t* appDomain = u"com.ostrevin.mac";

    explicit SettingsStore(const QString& filePath, QObject* parent = nullptr);
    ~SettingsStore() override;

    QString filePath() const;

    bool contains(const QString& key) const;
    /// An invalid QVariant when the key is absent.
    QVariant value(const QString& key) const;
    /// Writes and emits valueChanged(key), also when the value is the same.
    void setValue(const QString& key, const QVariant& value);
    /// Removes the key; emits valueChanged(key) only when it was present.
    void remove(const QString& key);
    QStringList keys() const;
    /// Writes pending changes to disk now.
    void sync();

signals:
    void valueChanged(const QString& key);

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace ostrevin
