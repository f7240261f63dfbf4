#include "routedata/RouteStore.h"

#include "support/Eventually.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <limits>
#include <numeric>

using namespace ostrevin;
using namespace Qt::StringLiterals;

namespace {

const QDateTime when(QDate(2025, 12, 1), QTime(8, 0, 0), Qt::UTC);

QStringList backupsIn(const QString& folder, const QString& base)
{
    return QDir(folder).entryList({base + u".corrupt-*"_s}, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
}

const QRegularExpression backupPattern(
    u"^(history|saved-locations|saved-routes)\\.corrupt-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\.json$"_s);

} // namespace

TEST(RouteStore, FreshFolderIsCreatedAndEveryListStartsEmpty)
{
    test::TempDir dir;
    RouteStore store(dir.file(u"data/Ostrevin"_s));
    EXPECT_TRUE(QFileInfo(store.appDirectory()).isDir());
    const RouteStore::Lists lists = store.loadAll();
    EXPECT_TRUE(lists.history.isEmpty());
    EXPECT_TRUE(lists.savedLocations.isEmpty());
    EXPECT_TRUE(lists.savedRoutes.isEmpty());
    EXPECT_TRUE(store.recoveryMessages().isEmpty());
}

TEST(RouteStore, SavedListsReadBackInOrder)
{
    test::TempDir dir;
    RouteStore store(dir.file(u"Ostrevin"_s));
    const RoutePoint a{.name = u"A"_s, .latitude = 50.0755, .longitude = 14.4378};
    const RoutePoint b{.name = u"B"_s, .latitude = 49.7384, .longitude = 13.3736};
    const QList<RouteHistoryItem> history{{.title = u"new"_s, .createdAt = when, .speedKmh = 5, .points = {a}},
                                          {.title = u"old"_s, .createdAt = when.addDays(-1), .points = {a, b}}};
    const QList<SavedLocation> locations{{.name = u"Home"_s, .createdAt = when, .point = a}};
    const QList<SavedRoute> routes{{.name = u"Trip"_s,
                                    .createdAt = when,
                                    .speedKmh = 60,
                                    .speedProfile = RouteSpeedProfile::fast,
                                    .transportMode = RouteTransportMode::transit,
                                    .points = {a, b}}};
    store.save(history, store.historyPath());
    store.save(locations, store.savedLocationsPath());
    store.save(routes, store.savedRoutesPath());

    RouteStore reopened(dir.file(u"Ostrevin"_s));
    const RouteStore::Lists lists = reopened.loadAll();
    EXPECT_EQ(lists.history, history);
    EXPECT_EQ(lists.savedLocations, locations);
    EXPECT_EQ(lists.savedRoutes, routes);
    EXPECT_TRUE(reopened.recoveryMessages().isEmpty());

    store.save(QList<SavedRoute>{}, store.savedRoutesPath());
    EXPECT_EQ(test::readFile(store.savedRoutesPath()).trimmed(), QByteArray("[]"));
    EXPECT_TRUE(reopened.load<SavedRoute>(store.savedRoutesPath()).isEmpty());
    EXPECT_TRUE(reopened.recoveryMessages().isEmpty());
}

TEST(RouteStore, EachUnreadableFileIsMovedAsideByteForByte)
{
    const QByteArray goodPoint =
        R"({"id":"11111111-2222-3333-4444-555555555555","latitude":1,"longitude":2,"name":"x"})";
    struct Case {
        const char* name;
        QString file;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"object instead of array", u"saved-routes.json"_s, "{}"},
        {"not JSON at all", u"history.json"_s, QByteArray("\x00\xff garbage", 10)},
        {"empty file", u"saved-locations.json"_s, ""},
        {"fractional seconds", u"history.json"_s,
         R"([{"createdAt":"2025-12-01T08:00:00.123Z","id":"6F1C2D0E-8B3A-4C55-9E21-0A1B2C3D4E5F","points":[],"speedKmh":1,"title":"t"}])"},
        {"unknown profile", u"history.json"_s,
         R"([{"createdAt":"2025-12-01T08:00:00Z","id":"6F1C2D0E-8B3A-4C55-9E21-0A1B2C3D4E5F","points":[],"speedKmh":1,"title":"t","speedProfile":"warp"}])"},
        {"location without createdAt", u"saved-locations.json"_s,
         R"([{"id":"6F1C2D0E-8B3A-4C55-9E21-0A1B2C3D4E5F","name":"n","point":)" + goodPoint + "}]"},
        {"latitude as text", u"saved-locations.json"_s,
         R"([{"createdAt":"2025-12-01T08:00:00Z","id":"6F1C2D0E-8B3A-4C55-9E21-0A1B2C3D4E5F","name":"n","point":{"id":"11111111-2222-3333-4444-555555555555","latitude":"50.1","longitude":2,"name":"x"}}])"},
        {"braced UUID", u"saved-routes.json"_s,
         R"([{"createdAt":"2025-12-01T08:00:00Z","id":"{6F1C2D0E-8B3A-4C55-9E21-0A1B2C3D4E5F}","points":[],"speedKmh":1,"name":"t"}])"},
        {"date with offset", u"saved-routes.json"_s,
         R"([{"createdAt":"2025-12-01T08:00:00+00:00","id":"6F1C2D0E-8B3A-4C55-9E21-0A1B2C3D4E5F","points":[],"speedKmh":1,"name":"t"}])"},
        {"NaN spelt by hand", u"saved-routes.json"_s,
         R"([{"createdAt":"2025-12-01T08:00:00Z","id":"6F1C2D0E-8B3A-4C55-9E21-0A1B2C3D4E5F","points":[],"speedKmh":NaN,"name":"t"}])"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const QString folder = dir.file(u"Ostrevin"_s);
        ASSERT_TRUE(test::writeFile(folder + u'/' + c.file, c.bytes));
        RouteStore store(folder);
        const RouteStore::Lists lists = store.loadAll();
        EXPECT_TRUE(lists.history.isEmpty() && lists.savedLocations.isEmpty() && lists.savedRoutes.isEmpty());

        EXPECT_FALSE(QFileInfo::exists(folder + u'/' + c.file));
        const QString base = c.file.chopped(5);
        const QStringList backups = backupsIn(folder, base);
        ASSERT_EQ(backups.size(), 1);
        EXPECT_TRUE(backupPattern.match(backups[0]).hasMatch()) << backups[0].toStdString();
        EXPECT_EQ(test::readFile(folder + u'/' + backups[0]), c.bytes);

        ASSERT_EQ(store.recoveryMessages().size(), 1);
        const QString message = store.recoveryMessages()[0];
        EXPECT_TRUE(message.startsWith(u"The file "_s + c.file + u" is damaged. The original data was moved to "_s +
                                       backups[0] + u". Details: "_s))
            << message.toStdString();
        EXPECT_GT(message.size(), message.indexOf(u"Details: "_s) + 9);

        // The next save starts a fresh file and leaves the backup alone.
        store.save(QList<SavedRoute>{}, folder + u'/' + c.file);
        EXPECT_EQ(test::readFile(folder + u'/' + backups[0]), c.bytes);
    }
}

TEST(RouteStore, TwoDamagedFilesGiveTwoMessagesInFileOrder)
{
    test::TempDir dir;
    const QString folder = dir.file(u"Ostrevin"_s);
    ASSERT_TRUE(test::writeFile(folder + u"/saved-routes.json"_s, "{}"));
    ASSERT_TRUE(test::writeFile(folder + u"/saved-locations.json"_s, "[]"));
    ASSERT_TRUE(test::writeFile(folder + u"/history.json"_s, "[1]"));
    RouteStore store(folder);
    store.loadAll();
    const QStringList messages = store.recoveryMessages();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[0].startsWith(u"The file history.json is damaged."_s));
    EXPECT_TRUE(messages[1].startsWith(u"The file saved-routes.json is damaged."_s));
}

TEST(RouteStore, AFailedSaveKeepsTheOldFile)
{
    test::TempDir dir;
    RouteStore store(dir.file(u"Ostrevin"_s));
    const QList<SavedLocation> good{{.name = u"Home"_s, .createdAt = when, .point = {.name = u"p"_s}}};
    store.save(good, store.savedLocationsPath());
    const QByteArray before = test::readFile(store.savedLocationsPath());

    QList<SavedLocation> bad = good;
    bad[0].point.latitude = std::numeric_limits<double>::quiet_NaN();
    EXPECT_THROW(store.save(bad, store.savedLocationsPath()), JsonCodingError);
    bad[0].point.latitude = 0;
    bad[0].point.longitude = std::numeric_limits<double>::infinity();
    EXPECT_THROW(store.save(bad, store.savedLocationsPath()), JsonCodingError);
    EXPECT_EQ(test::readFile(store.savedLocationsPath()), before);
    EXPECT_EQ(QDir(store.appDirectory()).entryList(QDir::Files), QStringList{u"saved-locations.json"_s});

    // A folder where the file should be: the write fails and nothing changes.
    ASSERT_TRUE(QDir().mkpath(store.historyPath()));
    EXPECT_THROW(store.save(QList<RouteHistoryItem>{}, store.historyPath()), RouteStoreError);
    EXPECT_TRUE(QFileInfo(store.historyPath()).isDir());
}

TEST(RouteStore, TheFolderIsRecreatedForEverySave)
{
    test::TempDir dir;
    RouteStore store(dir.file(u"Ostrevin"_s));
    ASSERT_TRUE(QDir(store.appDirectory()).removeRecursively());
    store.save(QList<SavedRoute>{}, store.savedRoutesPath());
    EXPECT_TRUE(QFileInfo::exists(store.savedRoutesPath()));
}

TEST(RouteStore, AnUnpreparableFolderIsReportedAndSavesThrow)
{
    test::TempDir dir;
    // A regular file where the folder must go (permissions do not stop root).
    ASSERT_TRUE(test::writeFile(dir.file(u"Ostrevin"_s), "file"));
    RouteStore store(dir.file(u"Ostrevin"_s));
    ASSERT_EQ(store.recoveryMessages().size(), 1);
    EXPECT_TRUE(store.recoveryMessages()[0].startsWith(u"The data folder couldn’t be prepared: "_s));
    EXPECT_TRUE(store.loadAll().history.isEmpty());
    EXPECT_THROW(store.save(QList<SavedRoute>{}, store.savedRoutesPath()), RouteStoreError);
    EXPECT_EQ(test::readFile(dir.file(u"Ostrevin"_s)), QByteArray("file"));
}

namespace {

QList<SavedLocation> placesUpTo(int count)
{
    QList<SavedLocation> list;
    for (int i = 0; i < count; ++i)
        list.append(
            {.name = u"Place %1"_s.arg(i), .createdAt = when, .point = {.latitude = 50, .longitude = 14.0 + i}});
    return list;
}

/// The names in order: records get ids of their own, so names tell the lists apart.
QStringList namesOf(const std::optional<QList<SavedLocation>>& list)
{
    QStringList names;
    for (const SavedLocation& location : list.value_or(QList<SavedLocation>{}))
        names.append(location.name);
    return names;
}

/// Runs the GUI thread's queue until the condition holds, at most ten seconds.
bool processUntil(const std::function<bool()>& done)
{
    QDeadlineTimer deadline(10000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

} // namespace

TEST(RouteStore, BackgroundWritesReportInTheOrderAskedAndTheLastOneStays)
{
    test::TempDir dir;
    RouteStore store(dir.file(u"Ostrevin"_s));
    QList<int> reported;
    constexpr int writes = 40;
    for (int i = 1; i <= writes; ++i) {
        // Two files interleaved: their writes share one queue.
        store.saveInBackground(placesUpTo(i), store.savedLocationsPath(), [&reported, i](const auto& failure) {
            EXPECT_FALSE(failure.has_value());
            reported.append(i);
        });
        store.saveInBackground(QList<RouteHistoryItem>{{.title = u"%1"_s.arg(i), .createdAt = when}},
                               store.historyPath(), {});
    }
    EXPECT_TRUE(store.isWriting(store.savedLocationsPath()));
    ASSERT_TRUE(processUntil([&] { return reported.size() == writes; }));
    QList<int> expected(writes);
    std::iota(expected.begin(), expected.end(), 1);
    EXPECT_EQ(reported, expected);
    EXPECT_FALSE(store.isWriting(store.savedLocationsPath()));
    EXPECT_EQ(namesOf(store.lastWritten<SavedLocation>(store.savedLocationsPath())), namesOf(placesUpTo(writes)));

    ASSERT_TRUE(store.waitForWrites(std::chrono::seconds(10)));
    RouteStore reopened(dir.file(u"Ostrevin"_s));
    EXPECT_EQ(namesOf(reopened.load<SavedLocation>(reopened.savedLocationsPath())), namesOf(placesUpTo(writes)));
    EXPECT_EQ(reopened.load<RouteHistoryItem>(reopened.historyPath()).value(0).title, u"%1"_s.arg(writes));
    EXPECT_EQ(QDir(store.appDirectory()).entryList(QDir::Files),
              (QStringList{u"history.json"_s, u"saved-locations.json"_s}))
        << "no temporary file left behind";
}

TEST(RouteStore, AFailedBackgroundWriteIsReportedAndTheFileKeepsTheLastGoodList)
{
    struct Case {
        const char* name;
        std::function<void(RouteStore&)> breakIt;
        QList<SavedLocation> list;
    };
    QList<SavedLocation> notANumber = placesUpTo(1);
    notANumber[0].point.latitude = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {"a folder where the file goes",
         [](RouteStore& s) {
             ASSERT_TRUE(QFile::remove(s.savedLocationsPath()));
             ASSERT_TRUE(QDir().mkpath(s.savedLocationsPath()));
         },
         placesUpTo(3)},
        {"a value JSON cannot carry", [](RouteStore&) {}, notANumber},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        RouteStore store(dir.file(u"Ostrevin"_s));
        store.save(placesUpTo(2), store.savedLocationsPath());
        c.breakIt(store);
        std::optional<std::optional<QString>> outcome;
        store.saveInBackground(c.list, store.savedLocationsPath(), [&](const auto& failure) { outcome = failure; });
        ASSERT_TRUE(processUntil([&] { return outcome.has_value(); }));
        ASSERT_TRUE(outcome->has_value()) << "the failure reaches the caller";
        EXPECT_FALSE(outcome->value().isEmpty());
        EXPECT_EQ(namesOf(store.lastWritten<SavedLocation>(store.savedLocationsPath())), namesOf(placesUpTo(2)));
    }
}

TEST(RouteStore, WaitingForWritesLeavesThemOnDiskAndReportedAndASaveNeverOvertakesThem)
{
    test::TempDir dir;
    auto store = std::make_unique<RouteStore>(dir.file(u"Ostrevin"_s));
    const QString path = store->savedLocationsPath();
    int reported = 0;
    for (int i = 1; i <= 20; ++i)
        store->saveInBackground(placesUpTo(i * 50), path, [&reported](const auto&) { ++reported; });
    // Quit's wait: everything on disk and reported when it returns.
    ASSERT_TRUE(store->waitForWrites(std::chrono::seconds(30)));
    EXPECT_EQ(reported, 20);
    EXPECT_EQ(namesOf(RouteStore(dir.file(u"Ostrevin"_s)).load<SavedLocation>(path)), namesOf(placesUpTo(1000)));

    // A plain save after queued ones is the last word.
    for (int i = 1; i <= 5; ++i)
        store->saveInBackground(placesUpTo(i * 100), path, {});
    store->save(placesUpTo(1), path);
    EXPECT_EQ(namesOf(RouteStore(dir.file(u"Ostrevin"_s)).load<SavedLocation>(path)), namesOf(placesUpTo(1)));

    // The store going away waits too.
    store->saveInBackground(placesUpTo(7), path, {});
    store.reset();
    EXPECT_EQ(namesOf(RouteStore(dir.file(u"Ostrevin"_s)).load<SavedLocation>(path)), namesOf(placesUpTo(7)));
}

TEST(RouteStore, GoingAwayWhileTheDiskHangsEndsWithinABoundAndTheLateWriteReportsToNoOne)
{
#ifndef OSTREVIN_SLOW_DISK
    GTEST_SKIP() << "built without the slow disk";
#endif
    test::TempDir dir;
    qputenv("OSTREVIN_SLOW_DISK_FOLDER", QFile::encodeName(dir.path()));
    qputenv("OSTREVIN_SLOW_DISK_MS", "2500");
    auto store = std::make_unique<RouteStore>(dir.file(u"Ostrevin"_s));
    const QString path = store->savedLocationsPath();
    bool reported = false;
    store->saveInBackground(placesUpTo(3), path, [&reported](const auto&) { reported = true; });
    QElapsedTimer elapsed;
    elapsed.start();
    store.reset();
    EXPECT_LT(elapsed.elapsed(), 4500);
    // The write still lands, after its store, which hears nothing of it.
    EXPECT_TRUE(test::eventually([&] { return QFile::exists(path); }));
    QCoreApplication::processEvents();
    EXPECT_FALSE(reported);
    qunsetenv("OSTREVIN_SLOW_DISK_FOLDER");
}
