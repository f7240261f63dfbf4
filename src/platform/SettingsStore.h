#pragma once

#include <QObject>
#include <QStringList>
#include <QVariant>
#include <memory>

namespace ostrevin {

/// A user-defaults domain kept as an INI file. INI keeps no types: read numbers
/// with toDouble(&ok) and treat anything that does not convert as absent.
/// Keys are flat strings such as "Tovrel.lockedPoint"; "/" is not used in keys.
///
/// The file is read once; values are then kept in memory and changes go to the
/// file on a writer thread, in order, so a slow disk never stalls the caller.
/// Every store of one file in the process shares those values: a store opened
/// while another has writes pending reads what the other set. The writer puts
/// only the keys that changed on top of what the file holds, so another program
/// writing the same file keeps its keys. Used on one thread.
class SettingsStore : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsStore)

public:
    /// The app's own domain identifier.
    static constexpr const char16_t* appDomain = u"com.ostrevin.mac";

    explicit SettingsStore(const QString& filePath, QObject* parent = nullptr);
    /// Waits for the file's pending writes, within a bound: a hung disk must
    /// not hold the quit forever (the writes then finish on their own).
    ~SettingsStore() override;

    /// Absolute.
    QString filePath() const;

    bool contains(const QString& key) const;
    /// An invalid QVariant when the key is absent.
    QVariant value(const QString& key) const;
    /// Writes and emits valueChanged(key), also when the value is the same.
    void setValue(const QString& key, const QVariant& value);
    /// Removes the key; emits valueChanged(key) only when it was present.
    void remove(const QString& key);
    QStringList keys() const;
    /// Blocks until every change made so far is on disk.
    void sync();

signals:
    void valueChanged(const QString& key);

private:
    class SharedFile;
    std::shared_ptr<SharedFile> m_file;
};

} // namespace ostrevin
