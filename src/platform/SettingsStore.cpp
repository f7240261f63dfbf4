#include "platform/SettingsStore.h"

#include "platform/PlatformLog.h"
#include "platform/WriteQueue.h"

#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QSettings>
#include <mutex>
#include <optional>
#include <vector>

namespace ostrevin {

namespace {

/// A value to set, or none to remove the key.
struct Change {
    QString key;
    std::optional<QVariant> value;
};

} // namespace

/// The values of one file and the changes on their way to it. The writes hold
/// it too: a store opened while a hung disk holds writes left by the last one
/// reads them, and never waits on the disk to read the file.
class SettingsStore::SharedFile : public std::enable_shared_from_this<SharedFile> {
public:
    explicit SharedFile(QString path) : m_path(std::move(path))
    {
        const QSettings file(m_path, QSettings::IniFormat);
        for (const QString& key : file.allKeys())
            m_values.insert(key, file.value(key));
    }

    /// The one for that file in this process, opened when none is.
    static std::shared_ptr<SharedFile> open(const QString& path)
    {
        // Never destroyed: stores may outlive static destruction's order.
        static auto* const registry = new Registry;
        std::lock_guard lock(registry->mutex);
        std::weak_ptr<SharedFile>& slot = registry->files[path];
        std::shared_ptr<SharedFile> file = slot.lock();
        if (!file) {
            file = std::make_shared<SharedFile>(path);
            slot = file;
        }
        return file;
    }

    QString path() const { return m_path; }
    const QMap<QString, QVariant>& values() const { return m_values; }

    void change(const QString& key, std::optional<QVariant> value)
    {
        if (value)
            m_values.insert(key, *value);
        else
            m_values.remove(key);
        std::lock_guard lock(m_outboxMutex);
        m_outbox.push_back({key, std::move(value)});
        // Changes made while the writer syncs go together in its next round.
        if (!m_flushPosted) {
            m_flushPosted = true;
            m_writer.post([self = shared_from_this()] { self->flush(); });
        }
    }

    bool waitForWrites(std::chrono::milliseconds timeout) { return m_writer.waitForDone(timeout); }

private:
    struct Registry {
        std::mutex mutex;
        QHash<QString, std::weak_ptr<SharedFile>> files;
    };

    /// On the writer thread. The only QSettings of the file while the process
    /// runs (the one that loaded it is gone), so the thread that made the
    /// changes never waits on the lock QSettings holds through its sync.
    /// QSettings writes only the keys it was given on top of the file as it is.
    void flush()
    {
        std::vector<Change> changes;
        {
            std::lock_guard lock(m_outboxMutex);
            changes.swap(m_outbox);
            m_flushPosted = false;
        }
        QSettings file(m_path, QSettings::IniFormat);
        for (const Change& change : changes) {
            if (change.value)
                file.setValue(change.key, *change.value);
            else
                file.remove(change.key);
        }
        file.sync();
        if (file.status() != QSettings::NoError)
            qCWarning(lcPlatform) << "settings could not be written to" << m_path;
    }

    const QString m_path;
    /// Read and changed on the stores' thread only.
    QMap<QString, QVariant> m_values;
    std::mutex m_outboxMutex;
    /// Not taken by the writer yet, in the order they were made.
    std::vector<Change> m_outbox;
    bool m_flushPosted = false;
    WriteQueue m_writer;
};

SettingsStore::SettingsStore(const QString& filePath, QObject* parent)
    : QObject(parent), m_file(SharedFile::open(QFileInfo(filePath).absoluteFilePath()))
{
}

SettingsStore::~SettingsStore()
{
    if (!m_file->waitForWrites(WriteQueue::ownerBound))
        qCWarning(lcPlatform) << "settings still being written to" << m_file->path();
}

QString SettingsStore::filePath() const
{
    return m_file->path();
}

bool SettingsStore::contains(const QString& key) const
{
    return m_file->values().contains(key);
}

QVariant SettingsStore::value(const QString& key) const
{
    return m_file->values().value(key);
}

void SettingsStore::setValue(const QString& key, const QVariant& value)
{
    m_file->change(key, value);
    emit valueChanged(key);
}

void SettingsStore::remove(const QString& key)
{
    if (!contains(key))
        return;
    m_file->change(key, std::nullopt);
    emit valueChanged(key);
}

QStringList SettingsStore::keys() const
{
    return m_file->values().keys();
}

void SettingsStore::sync()
{
    m_file->waitForWrites(std::chrono::milliseconds::max());
}

} // namespace ostrevin
