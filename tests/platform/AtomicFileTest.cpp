#include "platform/AtomicFile.h"

#include "support/TempDir.h"

#include <QDir>
#include <QFileInfo>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ostrevin;

namespace {

struct Outcome {
    bool exited = false;
    bool failed = false;
    QString reason;
};

/// Runs the write in a child process whose files may not grow beyond limitBytes
/// (with SIGXFSZ ignored, a write beyond it fails as on a full disk), so the limit
/// never touches the test process. The child reports through a pipe.
Outcome writeUnderSizeLimit(const QString& path, const QByteArray& bytes, rlim_t limitBytes)
{
    int channel[2];
    if (pipe(channel) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{limitBytes, limitBytes};
        setrlimit(RLIMIT_FSIZE, &limit);
        const std::optional<QString> reason = AtomicFile::write(path, bytes);
        const QByteArray report = reason ? "failed:" + reason->toUtf8() : QByteArray("ok");
        [[maybe_unused]] const auto written = ::write(channel[1], report.constData(), size_t(report.size()));
        _exit(0);
    }
    close(channel[1]);
    QByteArray report;
    char buffer[512];
    ssize_t got = 0;
    while ((got = read(channel[0], buffer, sizeof buffer)) > 0)
        report.append(buffer, got);
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    Outcome outcome;
    outcome.exited = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    outcome.failed = report.startsWith("failed:");
    outcome.reason = QString::fromUtf8(report.mid(7));
    return outcome;
}

} // namespace

TEST(AtomicFile, AWriteThatDoesNotFitFailsInWordsAndLeavesTheOldFileAsItWas)
{
    struct Case {
        const char* name;
        QByteArray old; // empty: no file before
        qsizetype newSize;
    };
    const Case cases[] = {
        // Fits Qt's 16 KiB write buffer: only the final flush can fail.
        {"small file over an old one", QByteArray("[\n    \"old\"\n]\n"), 4000},
        {"large file over an old one", QByteArray(3000, 'o'), 200'000},
        {"no file before", QByteArray(), 4000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const QString path = dir.file(QStringLiteral("history.json"));
        if (!c.old.isEmpty()) {
            ASSERT_TRUE(test::writeFile(path, c.old));
        }
        const Outcome outcome = writeUnderSizeLimit(path, QByteArray(c.newSize, 'n'), 1024);
        ASSERT_TRUE(outcome.exited);
        EXPECT_TRUE(outcome.failed);
        EXPECT_EQ(outcome.reason, qt_error_string(EFBIG));
        EXPECT_EQ(test::readFile(path), c.old);
        EXPECT_EQ(QFileInfo::exists(path), !c.old.isEmpty());
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                  c.old.isEmpty() ? QStringList() : QStringList{QStringLiteral("history.json")});
    }
}
