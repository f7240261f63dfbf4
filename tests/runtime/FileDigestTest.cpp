#include "runtime/FileDigest.h"

#include "support/TempDir.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QTest>
#include <gtest/gtest.h>

using namespace ostrevin;

TEST(FileDigest, LibcryptoAndQtsOwnDigestAgreePieceByPiece)
{
    test::TempDir dir;
    const QString notALibrary = dir.file(QStringLiteral("libcrypto.so.3"));
    ASSERT_TRUE(test::writeFile(notALibrary, "not a library"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("libcrypto cannot load")));
    const FileDigest fallback({dir.file(QStringLiteral("absent.so")), notALibrary});
    EXPECT_FALSE(fallback.usesLibcrypto());
    ASSERT_TRUE(FileDigest::standard().usesLibcrypto());

    // Pieces of 7 bytes end mid-block, and the last one is short.
    const auto hexDigest = [](const FileDigest& digest, const QByteArray& content) {
        QBuffer buffer;
        buffer.setData(content);
        buffer.open(QIODevice::ReadOnly);
        return digest.sha256Hex(buffer, 7);
    };
    QByteArray several(1000, Qt::Uninitialized);
    for (qsizetype i = 0; i < several.size(); ++i)
        several[i] = static_cast<char>((i * 7 + i / 13) & 0xff);
    for (const QByteArray& content : {QByteArray(), QByteArrayLiteral("abc"), several}) {
        const QString whole =
            QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex());
        EXPECT_EQ(hexDigest(FileDigest::standard(), content), whole) << content.size();
        EXPECT_EQ(hexDigest(fallback, content), whole) << content.size();
    }
    // A device that can't be read gives no digest.
    QBuffer closed;
    for (const FileDigest* digest : {&FileDigest::standard(), &fallback})
        EXPECT_EQ(digest->sha256Hex(closed, 7), std::nullopt);
}
