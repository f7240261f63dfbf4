#include "runtime/RuntimeLayout.h"

#include "runtime/RuntimeFileError.h"
#include "support/TempDir.h"

#include <QFile>
#include <QProcess>
#include <ctime>
#include <gtest/gtest.h>

using namespace ostrevin;

namespace {

const QByteArray validManifest = R"({
    "helperVersion": "4.20.1",
    "installedAt": "2026-03-01T10:20:30Z",
    "pythonVersion": "3.12.14",
    "revision": 1
})";

void makeExecutable(const QString& path, bool executable)
{
    QFile::Permissions mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
    if (executable)
        mode |= QFile::ExeOwner | QFile::ExeUser;
    ASSERT_TRUE(QFile::setPermissions(path, mode));
}

} // namespace

TEST(RuntimeLayout, WrittenManifestHasSortedKeysAndAUtcDateAndReadsBack)
{
    test::TempDir dir;
    RuntimeLayout layout(dir.file(QStringLiteral("Runtime")));
    layout.writeLauncher();
    RuntimeManifest manifest;
    manifest.pythonVersion = QStringLiteral("3.12.14");
    manifest.helperVersion = QStringLiteral("?");
    manifest.installedAt = QDateTime::fromString(QStringLiteral("2026-03-01T11:20:30+01:00"), Qt::ISODate);
    layout.writeManifest(manifest);

    const QByteArray text = test::readFile(layout.manifestPath());
    const qsizetype helper = text.indexOf("\"helperVersion\"");
    const qsizetype installed = text.indexOf("\"installedAt\": \"2026-03-01T10:20:30Z\"");
    const qsizetype python = text.indexOf("\"pythonVersion\"");
    const qsizetype revision = text.indexOf("\"revision\": 1");
    EXPECT_TRUE(helper >= 0 && helper < installed && installed < python && python < revision) << text.constData();

    const auto current = layout.currentManifest();
    ASSERT_TRUE(current);
    EXPECT_EQ(current->helperVersion, QStringLiteral("?"));
    EXPECT_EQ(current->installedAt, manifest.installedAt);
    EXPECT_EQ(layout.installedHelperURL(), layout.launcherPath());
}

TEST(RuntimeLayout, OnlyAWholeCurrentManifestBesideAnExecutableLauncherCounts)
{
    struct Case {
        const char* name;
        QByteArray manifest; // empty: no file
        bool launcherExists;
        bool launcherExecutable;
        bool current;
    };
    QByteArray revision2 = validManifest;
    revision2.replace("\"revision\": 1", "\"revision\": 2");
    QByteArray noDate = validManifest;
    noDate.replace("\"installedAt\": \"2026-03-01T10:20:30Z\",", "");
    QByteArray revisionText = validManifest;
    revisionText.replace("\"revision\": 1", "\"revision\": \"1\"");
    QByteArray revisionFraction = validManifest;
    revisionFraction.replace("\"revision\": 1", "\"revision\": 1.5");
    QByteArray offsetDate = validManifest;
    offsetDate.replace("10:20:30Z", "10:20:30+02:00");
    QByteArray fractionDate = validManifest;
    fractionDate.replace("10:20:30Z", "10:20:30.250Z");
    QByteArray numberVersion = validManifest;
    numberVersion.replace("\"4.20.1\"", "4");
    const Case cases[] = {
        {"valid", validManifest, true, true, true},
        {"revision 2", revision2, true, true, false},
        {"no installedAt", noDate, true, true, false},
        {"revision as text", revisionText, true, true, false},
        {"revision not whole", revisionFraction, true, true, false},
        {"date with an offset", offsetDate, true, true, false},
        {"date with fractions", fractionDate, true, true, false},
        {"helper version a number", numberVersion, true, true, false},
        {"not JSON", "revision=1", true, true, false},
        {"JSON array", "[1]", true, true, false},
        {"no manifest", {}, true, true, false},
        {"launcher not executable", validManifest, true, false, false},
        {"launcher missing", validManifest, false, false, false},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        RuntimeLayout layout(dir.file(QStringLiteral("Runtime")));
        if (!c.manifest.isEmpty()) {
            ASSERT_TRUE(test::writeFile(layout.manifestPath(), c.manifest));
        }
        if (c.launcherExists) {
            layout.writeLauncher();
            makeExecutable(layout.launcherPath(), c.launcherExecutable);
        }
        EXPECT_EQ(layout.currentManifest().has_value(), c.current) << c.name;
        EXPECT_EQ(layout.installedHelperURL().has_value(), c.current) << c.name;
    }
}

TEST(RuntimeManifest, InstalledAtIsReadAsUtcWhateverTheLocalTimeZone)
{
    // Times in the local daylight-saving gap (or overlap) of some zones: as UTC
    // times they are as valid as any other.
    const char* zones[] = {"UTC", "Europe/Prague", "America/New_York", "Australia/Lord_Howe"};
    const QString dates[] = {QStringLiteral("2026-03-29T02:30:00Z"), QStringLiteral("2026-03-08T02:30:00Z"),
                             QStringLiteral("2026-10-04T02:15:00Z"), QStringLiteral("2026-10-25T02:30:00Z")};
    const QByteArray savedZone = qgetenv("TZ");
    for (const char* zone : zones) {
        SCOPED_TRACE(zone);
        qputenv("TZ", zone);
        tzset();
        for (const QString& date : dates) {
            SCOPED_TRACE(date.toStdString());
            QByteArray manifest = validManifest;
            manifest.replace("2026-03-01T10:20:30Z", date.toLatin1());
            const std::optional<RuntimeManifest> read = RuntimeManifest::fromJson(manifest);
            ASSERT_TRUE(read.has_value());
            EXPECT_EQ(read->installedAt, QDateTime::fromString(date, Qt::ISODate));
            EXPECT_EQ(read->installedAt.toUTC().toString(Qt::ISODate), date);
        }
    }
    if (savedZone.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", savedZone);
    tzset();
}

TEST(RuntimeLayout, LauncherStartsTheRuntimePythonInIsolatedModeWithArgumentsIntact)
{
    test::TempDir dir;
    RuntimeLayout layout(dir.file(QStringLiteral("Runtime")));
    layout.writeLauncher();
    EXPECT_EQ(test::readFile(layout.launcherPath()), RuntimeLayout::launcherScript());
    EXPECT_EQ(QFile::permissions(layout.launcherPath()) & 0x0777, QFile::Permissions(0x0755));

    const QString python = layout.pythonDirectory() + u"/bin/python3";
    ASSERT_TRUE(test::writeFile(python, "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done\n"));
    makeExecutable(python, true);
    QProcess run;
    run.start(layout.launcherPath(), {QStringLiteral("usbmux"), QStringLiteral("two words"), QStringLiteral("$HOME")});
    ASSERT_TRUE(run.waitForFinished(20000));
    EXPECT_EQ(run.readAllStandardOutput(), "[-I]\n[-m]\n[pymobiledevice3]\n[usbmux]\n[two words]\n[$HOME]\n");
}

TEST(RuntimeLayout, WritersReportFilesTheyCannotWrite)
{
    test::TempDir dir;
    // A regular file where the folders must go: works even when the tests run as root.
    ASSERT_TRUE(test::writeFile(dir.file(QStringLiteral("Runtime")), "not a folder"));
    RuntimeLayout layout(dir.file(QStringLiteral("Runtime")));
    EXPECT_THROW(layout.writeLauncher(), RuntimeFileError);
    EXPECT_THROW(layout.writeManifest(RuntimeManifest{}), RuntimeFileError);
}
