#pragma once

#include "routedata/JsonListCodec.h"
#include "routedata/RouteHistoryItem.h"
#include "routedata/RouteStoreError.h"
#include "routedata/SavedLocation.h"
#include "routedata/SavedRoute.h"

#include <QStringList>

namespace ostrevin {

/// The three lists that outlive a run: history, saved locations and saved routes,
/// each one JSON file in the data folder, always written whole and atomically.
/// The store keeps no copy of the lists and applies no limit: it writes exactly
/// the list it is given. A file that cannot be read is moved aside, byte for
/// byte, under a new name in the same folder, and a message says so.
/// Used on the GUI thread only.
class RouteStore {
public:
    /// dataDirectory: the folder that holds the files (AppPaths::dataDirectory()).
    /// Creates it; a failure becomes a recovery message, never an exception.
    explicit RouteStore(QString dataDirectory);

    QString appDirectory() const { return m_appDirectory; }
    QString historyPath() const { return m_historyPath; }
    QString savedLocationsPath() const { return m_savedLocationsPath; }
    QString savedRoutesPath() const { return m_savedRoutesPath; }

    /// Start-up problems with the folder and the files, in the order they happened.
    QStringList recoveryMessages() const { return m_recoveryMessages; }

    /// Creates the folder, encodes the whole list, then replaces the file
    /// atomically. Throws JsonCodingError (a value JSON cannot carry) or
    /// RouteStoreError; on any failure the file keeps its earlier content.
    template <typename T> void save(const QList<T>& records, const QString& path) const
    {
        prepareFolder();
        writeAtomically(path, JsonListCodec::encode(records));
    }

    /// The list in the file: empty when there is no file; empty, with the file
    /// moved aside and a recovery message, when it cannot be read or decoded.
    template <typename T> QList<T> load(const QString& path)
    {
        if (!exists(path))
            return {};
        try {
            return JsonListCodec::decode<T>(readAll(path));
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
    void prepareFolder() const;
    static bool exists(const QString& path);
    static QByteArray readAll(const QString& path);
    static void writeAtomically(const QString& path, const QByteArray& bytes);

    QString m_appDirectory;
    QString m_historyPath;
    QString m_savedLocationsPath;
    QString m_savedRoutesPath;
    QStringList m_recoveryMessages;
};

} // namespace ostrevin
