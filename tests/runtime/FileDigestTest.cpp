#include "runtime/FileDigest.h"

#include "support/CapturedWarnings.h"
#include "support/TempDir.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <gtest/gtest.h>

using namespace ostrevin;

TEST(FileDigest, LibcryptoAndQtsOwnDigestAgreePieceByPiece)
{
    test::TempDir dir;
    const QString notALibrary = dir.file(QStringLiteral("libcrypto.so.3"));
    ASSERT_TRUE(test::writeFile(notALibrary, "not a library"));
    std::optional<FileDigest> fallbackDigest;
    {
        test::CapturedWarnings warnings;
        // Last a library that loads but is not libcrypto: zlib, which Qt itself needs.
        fallbackDigest.emplace(
            QStringList{dir.file(QStringLiteral("absent.so")), notALibrary, QStringLiteral("libz.so.1")});
        ASSERT_EQ(warnings.warnings().size(), 1);
        const QString& warning = warnings.warnings().first();
        EXPECT_TRUE(warning.contains(u"libcrypto cannot load") && warning.contains(u"libz.so.1 has no EVP_"))
            << warning.toStdString();
    }
    const FileDigest& fallback = *fallbackDigest;
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
