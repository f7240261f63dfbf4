#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace ostrevin {

/// Replaces a whole file at once: the bytes go to a temporary file beside it,
/// which takes the file's place only after every byte was written, flushed and
/// synced. Any failure leaves the old file byte for byte as it was (and no
/// temporary file behind).
///
/// QSaveFile alone is not enough: on Qt 6.4 its commit() renames a short
/// temporary file into place and reports success when the final flush fails
/// (a full disk), as long as the content fitted its write buffer.
class AtomicFile {
public:
    /// Writes the file; returns the system's reason in words when it failed
    /// ("No space left on device"), nothing on success.
    [[nodiscard]] static std::optional<QString> write(const QString& path, const QByteArray& bytes);
};

} // namespace ostrevin
