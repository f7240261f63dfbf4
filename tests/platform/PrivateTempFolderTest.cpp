#include "platform/PrivateTempFolder.h"

#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ostrevin;

namespace {

unsigned modeOf(const QString& path)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return 0;
    return info.st_mode & 07777;
}

} // namespace

TEST(PrivateTempFolder, CreatesOrTightensTheFolderAndRefusesLinksAndFiles)
{
    test::TempDir dir;
    PrivateTempFolder fresh(dir.file(QStringLiteral("fresh")));
    EXPECT_FALSE(fresh.prepare());
    EXPECT_EQ(modeOf(fresh.path()), 0700u);

    const QString loose = dir.file(QStringLiteral("loose"));
    ASSERT_TRUE(QDir().mkdir(loose));
    ::chmod(QFile::encodeName(loose).constData(), 0777);
    EXPECT_FALSE(PrivateTempFolder(loose).prepare());
    EXPECT_EQ(modeOf(loose), 0700u);

    const QString file = dir.file(QStringLiteral("file"));
    ASSERT_TRUE(test::writeFile(file, "x"));
    EXPECT_TRUE(PrivateTempFolder(file).prepare());

    const QString link = dir.file(QStringLiteral("link"));
    ASSERT_TRUE(QFile::link(fresh.path(), link));
    EXPECT_TRUE(PrivateTempFolder(link).prepare());
    EXPECT_FALSE(PrivateTempFolder(link).newFilePath(QStringLiteral("tovrel-route-"), QStringLiteral(".gpx")));

    const auto path = fresh.newFilePath(QStringLiteral("tovrel-devicectl-"), QStringLiteral(".json"));
    ASSERT_TRUE(path);
    const QFileInfo info(*path);
    EXPECT_EQ(info.absolutePath(), fresh.path());
    EXPECT_TRUE(info.fileName().startsWith(u"tovrel-devicectl-") && info.fileName().endsWith(u".json"));
    EXPECT_NE(*path, *fresh.newFilePath(QStringLiteral("tovrel-devicectl-"), QStringLiteral(".json")));
}

TEST(PrivateTempFolder, LivesInTheRuntimeFolderElseInTmpdirPerUser)
{
    test::TempDir dir;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path()));
    EXPECT_EQ(PrivateTempFolder::fromEnvironment().path(), dir.path() + u"/ostrevin");

    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.file(QStringLiteral("absent"))));
    qputenv("TMPDIR", QFile::encodeName(dir.path() + u'/'));
    EXPECT_EQ(PrivateTempFolder::fromEnvironment().path(), dir.path() + u"/ostrevin-" + QString::number(::geteuid()));

    qunsetenv("XDG_RUNTIME_DIR");
    qunsetenv("TMPDIR");
    EXPECT_EQ(PrivateTempFolder::fromEnvironment().path(), u"/tmp/ostrevin-" + QString::number(::geteuid()));
}
