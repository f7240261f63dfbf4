#pragma once

#include <QString>
#include <memory>
#include <optional>

class QIODevice;

namespace ostrevin {

/// SHA-256 digests of files. libcrypto hashes several times faster than Qt where
/// the processor has SHA instructions, but linking it would load it in every
/// start, before the first frame, for a digest taken only while the runtime
/// installs: it is loaded when the first digest is taken. Where it can't be
/// loaded, Qt's own SHA-256 gives the same digest, slower.
class FileDigest {
public:
    /// libcrypto from `libraryFiles`, the first that loads; Qt's digest if none does.
    explicit FileDigest(const QStringList& libraryFiles);
    FileDigest(const FileDigest&) = delete;
    FileDigest& operator=(const FileDigest&) = delete;
    ~FileDigest();

    /// The libcrypto this build was made with, loaded on first use. Any thread.
    static const FileDigest& standard();

    bool usesLibcrypto() const { return m_functions != nullptr; }

    /// 64 lowercase hexadecimal digits of everything `device` has left to read,
    /// read in pieces of `pieceBytes`; nothing when a read fails. Any thread.
    std::optional<QString> sha256Hex(QIODevice& device, qint64 pieceBytes) const;

private:
    struct Functions;
    std::unique_ptr<const Functions> m_functions;
};

} // namespace ostrevin
