#pragma once

#include <QString>
#include <QUrl>
#include <optional>

namespace ostrevin {

/// The one standalone CPython archive this build of Ostrevin installs its helper
/// runtime from. It is fixed when the program is built; nothing picks an archive
/// at run time.
struct PythonBuild {
    QUrl url;
    /// 64 lowercase hexadecimal digits.
    QString sha256;
    /// The archive's exact size in bytes, or none where the size of a build's archive
    /// was never recorded; the digest alone binds the archive then.
    std::optional<qint64> expectedBytes;

    /// The largest archive any processor build pins (x86_64 Linux).
    static constexpr qint64 largestPinnedArchiveBytes = 34'277'962;
    /// Where no exact size is known, a download larger than this is stopped: it
    /// cannot be the archive, and it must not fill the disk.
    static constexpr qint64 unknownSizeCapBytes = 2 * largestPinnedArchiveBytes;

    /// The archive pinned for this processor build (the OSTREVIN_PYTHON_ARCHIVE_*
    /// cache variables).
    static PythonBuild pinned();

    bool operator==(const PythonBuild&) const = default;
};

} // namespace ostrevin
