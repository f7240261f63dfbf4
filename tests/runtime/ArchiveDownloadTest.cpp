#include "runtime/ArchiveDownload.h"

#include "support/FakeHttpServer.h"
#include "support/TempDir.h"

#include <QFileInfo>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>

using namespace ostrevin;
using test::FakeHttpReply;

namespace {

FakeHttpReply body(const QByteArray& bytes, bool closeDelimited)
{
    FakeHttpReply reply;
    reply.body = bytes;
    reply.closeDelimited = closeDelimited;
    return reply;
}

/// As a slow link delivers it: progress comes before the end.
FakeHttpReply slowBody(const QByteArray& bytes)
{
    FakeHttpReply reply = body(bytes, true);
    reply.pieceBytes = bytes.size() / 4;
    reply.pieceDelayMs = 150;
    return reply;
}

} // namespace

// The pinned size is enforced while bytes arrive, so a misbehaving server never
// gets more than the archive's size onto the disk.
TEST(ArchiveDownload, StopsAsSoonAsTheBodyCannotBeTheArchive)
{
    const QByteArray archive(200 * 1024, 'a');
    struct Case {
        const char* name;
        FakeHttpReply reply;
        std::optional<qint64> expectedBytes;
        ArchiveDownload::Outcome outcome;
        qint64 maxWritten;
        qint64 sizeCap = 2 * 200 * 1024;
    };
    const QList<Case> cases = {
        {"exact", body(archive, false), archive.size(), ArchiveDownload::Outcome::completed, archive.size()},
        {"exact, no announced length", body(archive, true), archive.size(), ArchiveDownload::Outcome::completed,
         archive.size()},
        {"size unknown", slowBody(archive), std::nullopt, ArchiveDownload::Outcome::completed, archive.size()},
        {"announced length differs", body(archive + 'x', false), archive.size(), ArchiveDownload::Outcome::failed, 0},
        {"endless body", body(archive + QByteArray(32 * 1024 * 1024, 'x'), true), archive.size(),
         ArchiveDownload::Outcome::failed, archive.size()},
        {"short body, no announced length", body(archive.chopped(1), true), archive.size(),
         ArchiveDownload::Outcome::failed, archive.size()},
        {"server error", FakeHttpReply::text("busy", 503), archive.size(), ArchiveDownload::Outcome::failed, 0},
        // Without a pinned size the cap still stops a runaway body.
        {"size unknown, endless body", body(archive + QByteArray(32 * 1024 * 1024, 'x'), true), std::nullopt,
         ArchiveDownload::Outcome::tooLarge, 2 * archive.size()},
        {"size unknown, exactly the cap", body(archive, true), std::nullopt, ArchiveDownload::Outcome::completed,
         archive.size(), archive.size()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        test::FakeHttpServer server;
        server.setReply("GET", "/a.tar.gz", c.reply);
        const QString destination = dir.file(QStringLiteral("python.tar.gz"));
        ArchiveDownload download(server.url(QStringLiteral("/a.tar.gz")), c.expectedBytes, destination, c.sizeCap);
        QList<double> fractions;
        QList<qint64> received;
        bool partialWithFraction = false;
        download.setProgressHandler([&](std::optional<double> f, qint64 bytes) {
            received.append(bytes);
            if (f)
                fractions.append(*f);
            partialWithFraction = partialWithFraction || (f && bytes < c.reply.body.size());
        });
        bool ended = false;
        QObject::connect(&download, &ArchiveDownload::ended, &download, [&] { ended = true; });
        ASSERT_TRUE(download.start());
        ASSERT_TRUE(QTest::qWaitFor([&] { return ended; }, 60000));
        EXPECT_EQ(download.outcome(), c.outcome);
        EXPECT_LE(QFileInfo(destination).size(), c.maxWritten);
        for (double f : std::as_const(fractions)) {
            EXPECT_GE(f, 0.0);
            EXPECT_LE(f, 1.0);
        }
        // With no size at all only the bytes can show that the download moves.
        if (!c.expectedBytes && c.reply.pieceBytes > 0) {
            EXPECT_FALSE(partialWithFraction);
            EXPECT_TRUE(std::ranges::any_of(received, [&](qint64 bytes) { return bytes < c.reply.body.size(); }));
        }
        EXPECT_TRUE(std::ranges::is_sorted(received));
    }
}

TEST(ArchiveDownload, CancelEndsFromTheEventLoop)
{
    test::TempDir dir;
    test::FakeHttpServer server;
    FakeHttpReply slow = body("late", false);
    slow.delayMs = 30000;
    server.setReply("GET", "/a.tar.gz", slow);
    ArchiveDownload download(server.url(QStringLiteral("/a.tar.gz")), 4, dir.file(QStringLiteral("a")));
    bool ended = false;
    QObject::connect(&download, &ArchiveDownload::ended, &download, [&] { ended = true; });
    ASSERT_TRUE(download.start());
    ASSERT_TRUE(server.waitForRequests(1));
    download.cancel();
    EXPECT_FALSE(ended);
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended; }, 10000));
    EXPECT_EQ(download.outcome(), ArchiveDownload::Outcome::cancelled);
}
