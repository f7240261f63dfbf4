#include "routedata/RouteStore.h"

#include "platform/AtomicFile.h"
#include "platform/PlatformLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ostrevin {

namespace {

QString translate(const char* text)
{
    return QCoreApplication::translate("RouteStore", text);
}

} // namespace

RouteStore::RouteStore(QString dataDirectory)
    : m_appDirectory(std::move(dataDirectory)), m_historyPath(m_appDirectory + u"/history.json"),
      m_savedLocationsPath(m_appDirectory + u"/saved-locations.json"),
      m_savedRoutesPath(m_appDirectory + u"/saved-routes.json"), m_reports(std::make_shared<Reports>())
{
    m_reports->home = &m_home;
    try {
        prepareFolder();
    } catch (const RouteStoreError& e) {
        //: Start-up notice. Followed by the reason.
        m_recoveryMessages << translate("The data folder couldn’t be prepared: ") + e.description();
    }
}

RouteStore::~RouteStore()
{
    if (!m_writer.waitForDone(WriteQueue::ownerBound))
        qCWarning(lcPlatform) << "data files still being written in" << m_appDirectory;
    std::lock_guard lock(m_reports->mutex);
    m_reports->home = nullptr;
}

void RouteStore::enqueue(const QString& path, std::any records, std::function<void()> write, WriteDone done)
{
    ++m_pending[path];
    m_writer.post([this, reports = m_reports, path, records = std::move(records), write = std::move(write),
                   done = std::move(done)] {
        std::optional<QString> failure;
        try {
            write();
        } catch (const RouteStoreError& error) {
            failure = error.description();
        } catch (const JsonCodingError& error) {
            failure = error.description();
        }
        // Only m_home's events reach this store, and they go with it.
        std::lock_guard lock(reports->mutex);
        if (reports->home)
            QMetaObject::invokeMethod(
                reports->home, [this, path, records, failure, done] { finishWrite(path, records, failure, done); },
                Qt::QueuedConnection);
    });
}

void RouteStore::finishWrite(const QString& path, const std::any& records, const std::optional<QString>& failure,
                             const WriteDone& done)
{
    if (--m_pending[path] <= 0)
        m_pending.remove(path);
    if (!failure)
        m_written.insert(path, records);
    if (done)
        done(failure);
}

bool RouteStore::waitForWrites(std::chrono::milliseconds timeout)
{
    const bool finished = m_writer.waitForDone(timeout);
    // The reports of the writes that finished, before anything that follows.
    QCoreApplication::sendPostedEvents(&m_home);
    return finished;
}

void RouteStore::writeFile(const QString& directory, const QString& path, const QByteArray& bytes)
{
    prepareFolder(directory);
    writeAtomically(path, bytes);
}

void RouteStore::prepareFolder(const QString& directory)
{
    if (QFileInfo(directory).isDir() || QDir().mkpath(directory))
        return;
    //: Reason a data folder is unusable. %1 is a folder path.
    throw RouteStoreError(translate("The folder “%1” couldn’t be created.").arg(QDir::toNativeSeparators(directory)));
}

bool RouteStore::exists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

QByteArray RouteStore::readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        //: Reason a data file is unreadable. %1 is the system's reason.
        throw RouteStoreError(translate("The file couldn’t be read: %1").arg(file.errorString()));
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw RouteStoreError(translate("The file couldn’t be read: %1").arg(file.errorString()));
    }
    return bytes;
}

void RouteStore::writeAtomically(const QString& path, const QByteArray& bytes)
{
    // A reader never sees half a file, and a failure (a full disk included)
    // leaves the old file as it was.
    const std::optional<QString> reason = AtomicFile::write(path, bytes);
    if (!reason)
        return;
    //: Error when saving a data file. %1 is the file name, %2 the system's reason.
    throw RouteStoreError(translate("The file “%1” couldn’t be saved: %2").arg(QFileInfo(path).fileName(), *reason));
}

RouteStore::Lists RouteStore::loadAll()
{
    Lists lists;
    lists.history = load<RouteHistoryItem>(m_historyPath);
    lists.savedLocations = load<SavedLocation>(m_savedLocationsPath);
    lists.savedRoutes = load<SavedRoute>(m_savedRoutesPath);
    return lists;
}

void RouteStore::preserveCorruptedFile(const QString& path, const QString& underlyingError)
{
    const QFileInfo info(path);
    const QString backupName = info.completeBaseName() + u".corrupt-" +
                               QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + u".json";
    const QString backupPath = info.dir().filePath(backupName);
    // A rename, not a copy: the backup is the damaged file itself, byte for byte,
    // and the old path is left free for the next save.
    if (!exists(backupPath) && QDir().rename(path, backupPath)) {
        //: Start-up notice. %1 is the damaged file's name, %2 the backup's name, %3 the reason.
        m_recoveryMessages << translate("The file %1 is damaged. The original data was moved to %2. Details: %3")
                                  .arg(info.fileName(), backupName, underlyingError);
        return;
    }
    //: Start-up notice. %1 is the damaged file's name, %2 the reason.
    m_recoveryMessages << translate("The file %1 is damaged, and a backup couldn’t be created. Details: %2")
                              .arg(info.fileName(), underlyingError);
}

} // namespace ostrevin
