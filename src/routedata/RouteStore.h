#pragma once

#include "platform/WriteQueue.h"
#include "routedata/JsonCodingError.h"
#include "routedata/JsonListCodec.h"
#include "routedata/RouteHistoryItem.h"
#include "routedata/RouteStoreError.h"
#include "routedata/SavedLocation.h"
#include "routedata/SavedRoute.h"

#include <QHash>
#include <QObject>
#include <QStringList>
#include <any>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace ostrevin {

/// The three lists that outlive a run: history, saved locations and saved routes,
/// each one JSON file in the data folder, always written whole and atomically.
/// The store keeps no copy of the lists and applies no limit: it writes exactly
/// the list it is given. A file that cannot be read is moved aside, byte for
/// byte, under a new name in the same folder, and a message says so.
/// Used on the GUI thread only; its writes run on a thread of its own, one at a
/// time in the order they were asked for, so the last one asked for is the one
/// the file keeps.
class RouteStore {
public:
    /// dataDirectory: the folder that holds the files (AppPaths::dataDirectory()).
    /// Creates it; a failure becomes a recovery message, never an exception.
    explicit RouteStore(QString dataDirectory);
    /// Waits for every write asked for: a write the user was told of is not lost.
    /// Within a bound: a hung disk does not hold the quit forever; the writes
    /// then finish on their own and report to no one.
    ~RouteStore();
    RouteStore(const RouteStore&) = delete;
    RouteStore& operator=(const RouteStore&) = delete;

    QString appDirectory() const { return m_appDirectory; }
    QString historyPath() const { return m_historyPath; }
    QString savedLocationsPath() const { return m_savedLocationsPath; }
    QString savedRoutesPath() const { return m_savedRoutesPath; }

    /// Start-up problems with the folder and the files, in the order they happened.
    QStringList recoveryMessages() const { return m_recoveryMessages; }

    /// Creates the folder, encodes the whole list, then replaces the file
    /// atomically. Throws JsonCodingError (a value JSON cannot carry) or
    /// RouteStoreError; on any failure the file keeps its earlier content.
    /// Runs after the background writes asked for earlier, so it never overtakes them.
    template <typename T> void save(const QList<T>& records, const QString& path)
    {
        waitForWrites(std::chrono::milliseconds::max());
        prepareFolder();
        writeAtomically(path, JsonListCodec::encode(records));
        m_written.insert(path, records);
    }

    /// The reason a background write failed, in words.
    using WriteDone = std::function<void(const std::optional<QString>& failure)>;
    /// Encodes and writes the list as save() does, on the store's writer thread
    /// after the writes asked for before it; then calls done on the GUI thread
    /// (unless the store is gone by then).
    template <typename T> void saveInBackground(const QList<T>& records, const QString& path, WriteDone done)
    {
        enqueue(
            path, records,
            [directory = m_appDirectory, records, path] { writeFile(directory, path, JsonListCodec::encode(records)); },
            std::move(done));
    }
    /// Whether writes of that file are queued or running.
    bool isWriting(const QString& path) const { return m_pending.value(path) > 0; }
    /// The list the file held after its last successful write or load, if the
    /// store knows it (none before either).
    template <typename T> std::optional<QList<T>> lastWritten(const QString& path) const
    {
        const auto found = m_written.constFind(path);
        if (found == m_written.cend())
            return std::nullopt;
        const auto* list = std::any_cast<QList<T>>(&found.value());
        return list ? std::optional<QList<T>>(*list) : std::nullopt;
    }
    /// Blocks until the writes asked for so far have finished, at most timeout
    /// (quit's bound); false when some still run.
    bool waitForWrites(std::chrono::milliseconds timeout);

    /// The list in the file: empty when there is no file; empty, with the file
    /// moved aside and a recovery message, when it cannot be read or decoded.
    /// Reads after the background writes asked for earlier.
    template <typename T> QList<T> load(const QString& path)
    {
        waitForWrites(std::chrono::milliseconds::max());
        if (!exists(path)) {
            m_written.insert(path, QList<T>());
            return {};
        }
        try {
            QList<T> list = JsonListCodec::decode<T>(readAll(path));
            m_written.insert(path, list);
            return list;
        } catch (const JsonCodingError& e) {
            preserveCorruptedFile(path, e.description());
        } catch (const RouteStoreError& e) {
            preserveCorruptedFile(path, e.description());
        }
        return {};
    }

    struct Lists {
        QList<RouteHistoryItem> history;
        QList<SavedLocation> savedLocations;
        QList<SavedRoute> savedRoutes;
    };
    /// The three lists, read in the order history, saved locations, saved routes
    /// (so their recovery messages come in that order).
    Lists loadAll();

    /// Moves an unreadable file to "<name>.corrupt-<UUID>.json" beside it and
    /// records a message naming both files and the reading error. When the move
    /// fails the file stays, and the message says no backup was made.
    void preserveCorruptedFile(const QString& path, const QString& underlyingError);

private:
    void enqueue(const QString& path, std::any records, std::function<void()> write, WriteDone done);
    void finishWrite(const QString& path, const std::any& records, const std::optional<QString>& failure,
                     const WriteDone& done);
    /// The writer thread's part of a save: throws as save() does.
    static void writeFile(const QString& directory, const QString& path, const QByteArray& bytes);
    void prepareFolder() const { prepareFolder(m_appDirectory); }
    static void prepareFolder(const QString& directory);
    static bool exists(const QString& path);
    static QByteArray readAll(const QString& path);
    static void writeAtomically(const QString& path, const QByteArray& bytes);

    QString m_appDirectory;
    QString m_historyPath;
    QString m_savedLocationsPath;
    QString m_savedRoutesPath;
    QStringList m_recoveryMessages;
    /// Per file: writes queued or running.
    QHash<QString, int> m_pending;
    /// Per file: the list it holds, as far as this store knows.
    QHash<QString, std::any> m_written;
    /// Where finished writes report back: the thread the store lives on.
    QObject m_home;
    /// The way to m_home, shared with the writes; closed when the store goes.
    struct Reports {
        std::mutex mutex;
        QObject* home = nullptr;
    };
    std::shared_ptr<Reports> m_reports;
    /// One thread, so writes keep their order.
    WriteQueue m_writer;
};

} // namespace ostrevin
