#include "platform/SettingsStore.h"

#include "platform/AppPaths.h"
#include "support/Eventually.h"
#include "support/QtPrinters.h"
#include "support/TempDir.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QRandomGenerator>
#include <QSettings>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <thread>

using namespace ostrevin;

TEST(AppPaths, FoldersSitUnderTheGivenRoots)
{
    AppPaths paths(QStringLiteral("/d"), QStringLiteral("/c"));
    EXPECT_EQ(paths.dataDirectory(), QStringLiteral("/d/Ostrevin"));
    EXPECT_EQ(paths.runtimeDirectory(), QStringLiteral("/d/Ostrevin/Runtime"));
    EXPECT_EQ(paths.settingsFile(QStringLiteral("com.pellwick.mac")),
              QStringLiteral("/c/Ostrevin/com.pellwick.mac.conf"));
}

TEST(SettingsStore, ValuesSurviveReopeningAndSignalEachWrite)
{
    test::TempDir dir;
    const QString file = dir.file(QStringLiteral("Ostrevin/com.ostrevin.mac.conf"));
    {
        SettingsStore store(file);
        QSignalSpy spy(&store, &SettingsStore::valueChanged);
        store.setValue(QStringLiteral("Tovrel.telegram.enabled"), true);
        store.setValue(QStringLiteral("Pellwick.lockRefreshInterval"), 12.5);
        store.setValue(QStringLiteral("Pellwick.lockRefreshInterval"), 12.5);
        store.remove(QStringLiteral("Absent.key"));
        store.remove(QStringLiteral("Tovrel.telegram.enabled"));
        ASSERT_EQ(spy.count(), 4);
        EXPECT_EQ(spy.at(3).at(0).toString(), QStringLiteral("Tovrel.telegram.enabled"));
        store.setValue(QStringLiteral("Tovrel.lockedPoint"), QByteArray("{\"a\":1}"));
    }
    SettingsStore reopened(file);
    bool ok = false;
    EXPECT_DOUBLE_EQ(reopened.value(QStringLiteral("Pellwick.lockRefreshInterval")).toDouble(&ok), 12.5);
    EXPECT_TRUE(ok);
    EXPECT_FALSE(reopened.contains(QStringLiteral("Tovrel.telegram.enabled")));
    EXPECT_EQ(reopened.value(QStringLiteral("Tovrel.lockedPoint")).toByteArray(), QByteArray("{\"a\":1}"));
    EXPECT_FALSE(reopened.value(QStringLiteral("Nothing")).isValid());
}

namespace {

/// A disk that does not answer: QSettings' writer waits on the file's lock,
/// which this holds until release() or, from another thread as the caller
/// will be blocked, the delay given to releaseAfter().
class HeldLock {
public:
    explicit HeldLock(const QString& settingsFile) : m_lock(settingsFile + u".lock") { EXPECT_TRUE(m_lock.tryLock(0)); }
    ~HeldLock()
    {
        if (m_releaser.joinable())
            m_releaser.join();
        m_lock.unlock();
    }
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;

    void releaseAfter(std::chrono::milliseconds delay)
    {
        m_releaser = std::thread([this, delay] {
            std::this_thread::sleep_for(delay);
            m_lock.unlock();
        });
    }
    void release() { m_lock.unlock(); }

private:
    QLockFile m_lock;
    std::thread m_releaser;
};

/// What the file on disk holds, read by a QSettings that shares nothing with
/// the ones in this process (they cache a file by its name).
QMap<QString, QString> onDisk(const test::TempDir& dir, const QString& file)
{
    if (!QFile::exists(file))
        return {};
    const QString copy = dir.file(QStringLiteral("copy-%1.conf").arg(QRandomGenerator::global()->generate()));
    EXPECT_TRUE(QFile::copy(file, copy));
    const QSettings settings(copy, QSettings::IniFormat);
    QMap<QString, QString> values;
    for (const QString& key : settings.allKeys())
        values.insert(key, settings.value(key).toString());
    return values;
}

} // namespace

TEST(SettingsStore, SyncReturnsOnceEveryChangeIsOnDiskInOrder)
{
    test::TempDir dir;
    const QString file = dir.file(QStringLiteral("com.ostrevin.mac.conf"));
    QMap<QString, QString> expected;
    SettingsStore store(file);
    HeldLock slowDisk(file);
    // Sets and removes of a few keys, so that a change applied out of order or
    // lost shows as a wrong last value.
    QRandomGenerator random(31);
    for (int i = 0; i < 400; ++i) {
        const QString key = QStringLiteral("Tovrel.key%1").arg(random.bounded(8));
        if (random.bounded(4) == 0) {
            store.remove(key);
            expected.remove(key);
        } else {
            store.setValue(key, QString::number(i));
            expected.insert(key, QString::number(i));
        }
    }
    slowDisk.releaseAfter(std::chrono::milliseconds(150));
    store.sync();
    EXPECT_EQ(onDisk(dir, file), expected);
}

TEST(SettingsStore, AnotherProgramsChangesToTheFileSurviveOurWrites)
{
    test::TempDir dir;
    const QString file = dir.file(QStringLiteral("com.ostrevin.mac.conf"));
    ASSERT_TRUE(test::writeFile(file, "[General]\nTovrel.ours=1\nTovrel.dropped=1\n"));
    SettingsStore store(file);
    ASSERT_TRUE(store.contains(QStringLiteral("Tovrel.dropped")));
    // The other copy of the app adds a key and removes one after we read the file.
    ASSERT_TRUE(test::writeFile(file, "[General]\nTovrel.ours=1\nTovrel.theirs=2\n"));
    store.setValue(QStringLiteral("Tovrel.ours"), QStringLiteral("3"));
    store.sync();
    const QMap<QString, QString> expected{{QStringLiteral("Tovrel.ours"), QStringLiteral("3")},
                                          {QStringLiteral("Tovrel.theirs"), QStringLiteral("2")}};
    EXPECT_EQ(onDisk(dir, file), expected);
}

TEST(SettingsStore, GoingAwayWaitsForTheWritesWithinABoundAndTheNextStoreOfTheFileReadsThem)
{
    test::TempDir dir;
    const QString file = dir.file(QStringLiteral("com.ostrevin.mac.conf"));
    {
        HeldLock slowDisk(file);
        {
            SettingsStore store(file);
            store.setValue(QStringLiteral("Tovrel.slow"), 1);
            slowDisk.releaseAfter(std::chrono::milliseconds(150));
        }
        EXPECT_EQ(onDisk(dir, file).value(QStringLiteral("Tovrel.slow")), QStringLiteral("1"));
    }
    HeldLock hungDisk(file);
    QElapsedTimer elapsed;
    elapsed.start();
    {
        SettingsStore first(file);
        first.setValue(QStringLiteral("Tovrel.a"), 1);
        // Named another way, as a reread through filePath() may be.
        SettingsStore second(dir.path() + u"/./com.ostrevin.mac.conf");
        EXPECT_EQ(second.value(QStringLiteral("Tovrel.a")).toInt(), 1);
        QSignalSpy firstChanges(&first, &SettingsStore::valueChanged);
        second.remove(QStringLiteral("Tovrel.slow"));
        EXPECT_FALSE(first.contains(QStringLiteral("Tovrel.slow")));
        EXPECT_EQ(firstChanges.count(), 0);
    }
    EXPECT_LT(elapsed.elapsed(), 10000);
    // Opened while the writes left behind still wait for the disk.
    SettingsStore reopened(file);
    EXPECT_EQ(reopened.keys(), QStringList{QStringLiteral("Tovrel.a")});
    hungDisk.release();
    reopened.sync();
    EXPECT_EQ(onDisk(dir, file), (QMap<QString, QString>{{QStringLiteral("Tovrel.a"), QStringLiteral("1")}}));
}
