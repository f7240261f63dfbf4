#include "runtime/FileDigest.h"

#include "support/TempDir.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

using namespace ostrevin;

TEST(FileDigest, LibcryptoAndQtsOwnDigestAgreePieceByPiece)
{
    test::TempDir dir;
    const QString notALibrary = dir.file(QStringLiteral("libcrypto.so.3"));
    QFile file(notALibrary);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a library");
    file.close();

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("libcrypto cannot load")));
    const FileDigest fallback({dir.file(QStringLiteral("absent.so")), notALibrary});
    EXPECT_FALSE(fallback.usesLibcrypto());
    ASSERT_TRUE(FileDigest::standard().usesLibcrypto());

    QByteArray several(1000, Qt::Uninitialized);
    for (qsizetype i = 0; i < several.size(); ++i)
        several[i] = static_cast<char>((i * 7 + i / 13) & 0xff);
    const struct {
        const char* name;
        QByteArray content;
        QString digest;
    } cases[] = {
        {"empty", QByteArray(), QStringLiteral("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855")},
        {"abc", QByteArrayLiteral("abc"),
         QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad")},
        // Pieces of 7 bytes end mid-block and the last one is short.
        {"several pieces", several,
         QString::fromLatin1(QCryptographicHash::hash(several, QCryptographicHash::Sha256).toHex())},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const FileDigest* digest : {&FileDigest::standard(), &fallback}) {
            QBuffer buffer;
            buffer.setData(c.content);
            ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
            EXPECT_EQ(digest->sha256Hex(buffer, 7), c.digest) << digest->usesLibcrypto();
        }
    }
    // A device that can't be read gives no digest.
    QBuffer closed;
    for (const FileDigest* digest : {&FileDigest::standard(), &fallback})
        EXPECT_EQ(digest->sha256Hex(closed, 7), std::nullopt);
}
